#include "app/sound_options_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <initializer_list>

#include "app/accelerator_keys.h"
#include "app/error_display.h"
#include "app/form_fonts.h"
#include "app/radio_group.h"

namespace ombrisk {

namespace {

// The smallest length is one step of the field: a zero length would mean "as drawn" to the
// synthesis. The upper ends are far beyond what can be made, so the check names the value
// instead of the field clipping it silently.
constexpr double kMaxSeconds = 1e7;
constexpr double kMaxHz = 1e6;

QDoubleSpinBox* MakeField(const char* name, int decimals, double minimum, double maximum, double step,
                          QWidget* parent) {
  auto* field = new QDoubleSpinBox(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setDecimals(decimals);
  field->setRange(minimum, maximum);
  field->setSingleStep(step);
  field->setMinimumWidth(120);
  return field;
}

QLabel* MakeLabel(const char* name, const QString& caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TSoundOptionsWindow::TSoundOptionsWindow(TErrorDisplay& errors, QWidget* parent) : QDialog(parent), m_errors(errors) {
  setObjectName(QStringLiteral("SoundOptionsWindow"));
  setWindowTitle(QStringLiteral("Sound options"));
  setFont(SansSerifFont());
  setModal(true);
  CreateControls();
  InstallAcceleratorKeys(*this);
}

TSoundOptionsWindow::~TSoundOptionsWindow() = default;

void TSoundOptionsWindow::CreateControls() {
  m_radioGroup1 = new TRadioGroup(QStringLiteral("Synthesis"), {QStringLiteral("As drawn"), QStringLiteral("Smooth")}, this);
  m_radioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  m_radioGroup1->SetItemIndex(0);

  // Fields first, so the tab order runs down them; each label's letter focuses its field.
  m_spinEdit1 = MakeField("SpinEdit1", 3, 0.001, kMaxSeconds, 1.0, this);
  m_spinEdit2 = MakeField("SpinEdit2", 2, 0.0, kMaxHz, 100.0, this);
  m_spinEdit3 = MakeField("SpinEdit3", 2, 0.0, kMaxHz, 100.0, this);
  m_comboBox1 = new QComboBox(this);
  m_comboBox1->setObjectName(QStringLiteral("ComboBox1"));
  for (const int rateHz : kSoundRatesHz) m_comboBox1->addItem(QString::number(rateHz), rateHz);
  m_label1 = MakeLabel("Label1", QStringLiteral("&Length (s):"), m_spinEdit1, this);
  m_label2 = MakeLabel("Label2", QStringLiteral("Lo&west (Hz):"), m_spinEdit2, this);
  m_label3 = MakeLabel("Label3", QStringLiteral("&Highest (Hz):"), m_spinEdit3, this);
  m_label4 = MakeLabel("Label4", QStringLiteral("&Rate (Hz):"), m_comboBox1, this);

  m_button1 = new QPushButton(QStringLiteral("&OK"), this);
  m_button1->setObjectName(QStringLiteral("Button1"));
  m_button1->setDefault(true);
  m_button2 = new QPushButton(QStringLiteral("&Cancel"), this);
  m_button2->setObjectName(QStringLiteral("Button2"));
  m_checkBox1 = new QCheckBox(QStringLiteral("Stereo from colour"), this);
  m_checkBox1->setObjectName(QStringLiteral("CheckBox1"));
  m_checkBox2 = new QCheckBox(QStringLiteral("Noise bands"), this);
  m_checkBox2->setObjectName(QStringLiteral("CheckBox2"));

  auto* fields = new QFormLayout;
  fields->addRow(m_label1, m_spinEdit1);
  fields->addRow(m_label2, m_spinEdit2);
  fields->addRow(m_label3, m_spinEdit3);
  fields->addRow(m_label4, m_comboBox1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_button1);
  buttons->addWidget(m_button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_radioGroup1);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  // Below everything that was there before, so that nothing else moves.
  layout->addWidget(m_checkBox1);
  layout->addWidget(m_checkBox2);
  // Below everything else, the two check boxes too, so that nothing moves. Not auto-exclusive: it and the group
  // exclude each other by hand.
  m_editedChoice = new QRadioButton(QStringLiteral("From an edited spectrogram"), this);
  m_editedChoice->setObjectName(QStringLiteral("EditedRadioButton"));
  m_editedChoice->setAutoExclusive(false);
  m_editedChoice->setEnabled(false);
  layout->addWidget(m_editedChoice);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(m_radioGroup1->Item(1), &QRadioButton::toggled, this, &TSoundOptionsWindow::SmoothToggled);
  SmoothToggled(false);
  connect(m_editedChoice, &QRadioButton::clicked, this, &TSoundOptionsWindow::EditedClicked);
  for (int item = 0; item < 2; ++item) {
    connect(m_radioGroup1->Item(item), &QRadioButton::clicked, m_editedChoice, [this] { m_editedChoice->setChecked(false); });
  }
  connect(m_button1, &QPushButton::clicked, this, &TSoundOptionsWindow::Button1Click);
  connect(m_button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TSoundOptionsWindow::Execute(const TBitmap& picture, const TSynthesisSettings& settings) {
  m_picture = &picture;
  m_settings = settings;
  ShowChoice(picture, settings);
  const int result = exec();
  m_picture = nullptr;
  return result == QDialog::Accepted;
}

void TSoundOptionsWindow::ShowChoice(const TBitmap& picture, const TSynthesisSettings& settings) {
  const TShapedSound& shape = m_choice.Shape;
  m_radioGroup1->SetItemIndex(m_choice.Smooth ? 1 : 0);
  m_editedChoice->setChecked(false);

  // A field rounds what it is given to its decimals; the start remembers the rounded value.
  const auto start = [](QDoubleSpinBox& field, double shown, double meaning) {
    field.setValue(shown);
    return TFieldStart{field.value(), meaning};
  };
  m_secondsStart = shape.Seconds > 0 ? start(*m_spinEdit1, shape.Seconds, shape.Seconds)
                                     : start(*m_spinEdit1, AsDrawnSeconds(picture), 0.0);
  m_bandFollowsPicture = shape.LowHz < 0 && shape.HighHz < 0;
  const TFrequencyBand band = m_bandFollowsPicture ? AsDrawnBand(picture, settings.LogFrequency)
                                                   : TFrequencyBand{shape.LowHz, shape.HighHz};
  m_lowStart = start(*m_spinEdit2, band.LowHz, band.LowHz);
  m_highStart = start(*m_spinEdit3, band.HighHz, band.HighHz);

  m_checkBox1->setChecked(shape.Stereo);
  m_checkBox2->setChecked(shape.Noise);
  const int rateIndex = m_comboBox1->findData(shape.RateHz);
  m_comboBox1->setCurrentIndex(rateIndex < 0 ? 0 : rateIndex);
  m_radioGroup1->Item(m_choice.Smooth ? 1 : 0)->setFocus();
  if (m_choice.Edited) {
    m_editedChoice->setChecked(true);
    EditedClicked();
    m_editedChoice->setFocus();
  }
}

void TSoundOptionsWindow::SetEditedSpectrogramAvailable(bool available) {
  m_editedChoice->setEnabled(available);
  if (!available) m_choice.Edited = false;
}

void TSoundOptionsWindow::EditedClicked() {
  // A click on the chosen item keeps it chosen, as in the group.
  m_editedChoice->setChecked(true);
  m_radioGroup1->ClearItemIndex();
  SmoothToggled(false);
}

TSoundChoice TSoundOptionsWindow::ShownChoice() const {
  const auto value = [](const QDoubleSpinBox& field, const TFieldStart& start) {
    return field.value() == start.Shown ? start.Meaning : field.value();
  };
  TSoundChoice shown;
  shown.Smooth = m_radioGroup1->ItemIndex() == 1;
  shown.Edited = m_editedChoice->isChecked() && m_editedChoice->isEnabled();
  // The other choices stay as they were while this one stands.
  if (shown.Edited) {
    shown.Smooth = m_choice.Smooth;
    shown.Shape = m_choice.Shape;
    return shown;
  }
  shown.Shape.Seconds = value(*m_spinEdit1, m_secondsStart);
  const bool bandUntouched = m_spinEdit2->value() == m_lowStart.Shown && m_spinEdit3->value() == m_highStart.Shown;
  if (!(bandUntouched && m_bandFollowsPicture)) {
    shown.Shape.LowHz = value(*m_spinEdit2, m_lowStart);
    shown.Shape.HighHz = value(*m_spinEdit3, m_highStart);
  }
  shown.Shape.RateHz = m_comboBox1->currentData().toInt();
  shown.Shape.Stereo = m_checkBox1->isChecked();
  shown.Shape.Noise = m_checkBox2->isChecked();
  return shown;
}

void TSoundOptionsWindow::SmoothToggled(bool smooth) {
  for (QWidget* control : std::initializer_list<QWidget*>{m_label1, m_spinEdit1, m_label2, m_spinEdit2, m_label3,
                                                          m_spinEdit3, m_label4, m_comboBox1, m_checkBox1,
                                                          m_checkBox2}) {
    control->setEnabled(smooth);
  }
}

void TSoundOptionsWindow::Button1Click() {
  // Enter reaches OK before a field has taken its typed text.
  for (QDoubleSpinBox* field : {m_spinEdit1, m_spinEdit2, m_spinEdit3}) field->interpretText();
  // A choice that cannot be made keeps the window open, the error shown, the fields as typed.
  RunAction(m_errors, [this] {
    const TSoundChoice shown = ShownChoice();
    if (shown.Smooth && !shown.Edited && m_picture != nullptr) CheckShapedSound(*m_picture, m_settings, shown.Shape);
    m_choice = shown;
    accept();
  });
}

}  // namespace ombrisk
