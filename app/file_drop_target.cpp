#include "app/file_drop_target.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace ombrisk {

std::vector<std::string> DroppedFileNames(const QMimeData* data) {
  std::vector<std::string> names;
  if (data == nullptr || !data->hasUrls()) return names;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  return names;
}

TFileDropTarget::TFileDropTarget(QObject* owner) : QObject(owner) {}

TFileDropTarget::~TFileDropTarget() {
  SetActive(false);
  Detach();
}

void TFileDropTarget::SetControl(QWidget* control) {
  if (control == m_control) return;
  const bool wasActive = m_active;
  SetActive(false);
  Detach();
  m_control = control;
  Attach();
  SetActive(wasActive);
}

void TFileDropTarget::SetActive(bool active) {
  if (active == m_active) return;
  m_active = active;
  Register(active);
}

std::vector<QWidget*> TFileDropTarget::DropSites() const {
  std::vector<QWidget*> sites;
  if (m_control == nullptr) return sites;
  sites.push_back(m_control);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(m_control.data())) sites.push_back(area->viewport());
  return sites;
}

void TFileDropTarget::Register(bool accept) {
  for (QWidget* site : DropSites()) site->setAcceptDrops(accept);
}

void TFileDropTarget::Attach() {
  if (m_control == nullptr) return;
  for (QWidget* site : DropSites()) site->installEventFilter(this);
  // By the time destroyed() arrives the control is half gone: only forget it, touch nothing.
  m_controlDestroyed = connect(m_control, &QObject::destroyed, this, [this] {
    disconnect(m_controlDestroyed);
    m_control = nullptr;
  });
}

void TFileDropTarget::Detach() {
  if (m_control == nullptr) return;
  disconnect(m_controlDestroyed);
  for (QWidget* site : DropSites()) site->removeEventFilter(this);
  m_control = nullptr;
}

bool TFileDropTarget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!m_active || DroppedFileNames(drag->mimeData()).empty()) {
        drag->ignore();
        return true;
      }
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop:
      HandleDrop(event);
      return true;
    default:
      return QObject::eventFilter(watched, event);
  }
}

void TFileDropTarget::HandleDrop(QEvent* event) {
  auto* drop = static_cast<QDropEvent*>(event);
  std::vector<std::string> names = DroppedFileNames(drop->mimeData());
  if (!m_active || names.empty()) {
    drop->ignore();
    return;
  }
  drop->acceptProposedAction();
  m_dropList = std::move(names);
  if (!OnDropFiles) return;
  try {
    OnDropFiles(*this, m_control, m_dropList);
  } catch (...) {
    // Unwinding through Qt's event dispatch is undefined; the handler's own error display has had
    // its chance (the main window's handler shows every failure itself).
  }
}

}  // namespace ombrisk
