// TSpeedButton: a small flat button. With a GroupIndex above 0 it toggles, and the buttons of one
// parent that share a GroupIndex form a group in which all may be up and at most one is down:
// pressing one down releases the others without running their click handlers.
//
//   auto* invert = new TSpeedButton("Invert Brightness", 1, bar);
//   connect(invert, &QToolButton::clicked, ...);   // runs on the user's clicks only
#pragma once

#include <QToolButton>

namespace ombrisk {

class TSpeedButton : public QToolButton {
  Q_OBJECT

public:
  TSpeedButton(const QString& caption, int groupIndex, QWidget* parent = nullptr);

  int GroupIndex() const { return m_groupIndex; }
  bool Down() const { return isChecked(); }
  void SetDown(bool down) { setChecked(down); }

private:
  void ReleaseOthers();

  int m_groupIndex;
};

}  // namespace ombrisk
