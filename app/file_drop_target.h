// TFileDropTarget: lets one control accept files dragged onto it from a file manager and reports
// each drop as the list of the dropped files' full local paths, in drop order.
//
//   auto* target = new TFileDropTarget(window);
//   target->OnDropFiles = [](TFileDropTarget&, QWidget*, const std::vector<std::string>& files) { ... };
//   target->SetControl(scrollBox);   // attached and, Active being true, accepting drops
//
// It watches the control through an event filter. A scroll area is watched on its viewport too,
// where Qt delivers drops on the content (the picture shown in it included). Only file URLs count;
// a drag that carries none is refused. Paths are never cut, whatever their length.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace ombrisk {

class TFileDropTarget;

using TDropFilesEvent =
    std::function<void(TFileDropTarget& sender, QWidget* target, const std::vector<std::string>& dropFiles)>;

class TFileDropTarget : public QObject {
  Q_OBJECT

public:
  explicit TFileDropTarget(QObject* owner = nullptr);
  ~TFileDropTarget() override;

  QWidget* Control() const { return m_control; }
  // Detaches from the old control and attaches to the new one, keeping Active. Destroying the
  // control detaches the target as if Control were set to nullptr.
  void SetControl(QWidget* control);
  bool Active() const { return m_active; }
  void SetActive(bool active);

  // Called once per drop with the drop list, which stays valid until the next drop. Handlers report
  // their own failures: an exception that escapes one ends there, never inside Qt's event dispatch.
  TDropFilesEvent OnDropFiles;

  const std::vector<std::string>& DropList() const { return m_dropList; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // The control and, for a scroll area, its viewport.
  std::vector<QWidget*> DropSites() const;
  void Register(bool accept);
  void Attach();
  void Detach();
  void HandleDrop(QEvent* event);

  QPointer<QWidget> m_control;
  QMetaObject::Connection m_controlDestroyed;
  bool m_active = true;
  std::vector<std::string> m_dropList;
};

// The full local paths of the file URLs in a drag's data, in their order, in the file system's encoding.
std::vector<std::string> DroppedFileNames(const QMimeData* data);

}  // namespace ombrisk
