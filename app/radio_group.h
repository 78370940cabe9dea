// TRadioGroup: a captioned box of radio buttons, one column, exactly one item selected.
//
//   auto* group = new TRadioGroup("X (Frequency)", {"Linear", "Logarithm"}, parent);
//   const bool logarithmic = group->ItemIndex() == 1;
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QRadioButton;

namespace ombrisk {

class TRadioGroup : public QGroupBox {
  Q_OBJECT

public:
  TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

  // The selected item, or -1 while none is.
  int ItemIndex() const { return m_buttons.checkedId(); }
  void SetItemIndex(int index);
  // No item selected, as while another choice outside the group stands.
  void ClearItemIndex();
  QRadioButton* Item(int index) const;

private:
  QButtonGroup m_buttons;
};

}  // namespace ombrisk
