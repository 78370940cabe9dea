#include "app/speed_button.h"

namespace ombrisk {

TSpeedButton::TSpeedButton(const QString& caption, int groupIndex, QWidget* parent)
    : QToolButton(parent), m_groupIndex(groupIndex) {
  setText(caption);
  setAutoRaise(true);
  setToolButtonStyle(Qt::ToolButtonTextOnly);
  setFocusPolicy(Qt::NoFocus);
  if (m_groupIndex > 0) {
    setCheckable(true);
    connect(this, &QAbstractButton::toggled, this, [this](bool down) {
      if (down) ReleaseOthers();
    });
  }
}

void TSpeedButton::ReleaseOthers() {
  if (parentWidget() == nullptr) return;
  for (TSpeedButton* other : parentWidget()->findChildren<TSpeedButton*>(Qt::FindDirectChildrenOnly)) {
    // setChecked signals toggled, never clicked: the other's handler does not run.
    if (other != this && other->m_groupIndex == m_groupIndex) other->setChecked(false);
  }
}

}  // namespace ombrisk
