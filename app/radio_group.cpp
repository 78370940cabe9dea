#include "app/radio_group.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ombrisk {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), m_buttons(this) {
  auto* layout = new QVBoxLayout(this);
  // Tight margins: the boxes are small (89 × 65 for two items).
  layout->setContentsMargins(8, 2, 4, 2);
  layout->setSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    m_buttons.addButton(button, i);
    layout->addWidget(button);
  }
}

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = m_buttons.button(index)) button->setChecked(true);
}

void TRadioGroup::ClearItemIndex() {
  QAbstractButton* const checked = m_buttons.checkedButton();
  if (checked == nullptr) return;
  m_buttons.setExclusive(false);
  checked->setChecked(false);
  m_buttons.setExclusive(true);
}

QRadioButton* TRadioGroup::Item(int index) const { return qobject_cast<QRadioButton*>(m_buttons.button(index)); }

}  // namespace ombrisk
