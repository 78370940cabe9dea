#include "app/preview_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>
#include <memory>
#include <utility>

#include "app/accelerator_keys.h"
#include "app/error_display.h"
#include "app/file_drop_target.h"
#include "app/form_fonts.h"
#include "app/image_control.h"
#include "app/place_widget.h"
#include "app/playback_controls.h"
#include "app/pointer_readout.h"
#include "app/progress_bar_sink.h"
#include "app/qt_audio_sink.h"
#include "app/speed_button.h"
#include "signal/wave_header.h"
#include "spectrogram/recording_analysis.h"
#include "spectrogram/spectrogram_geometry.h"
#include "toolkit/exception.h"

namespace ombrisk {

namespace {

constexpr int kControlBarHeight = 81;
constexpr int kPanelHeight = 41;
constexpr int kBrightnessMax = 100;
constexpr int kBrightnessDefault = 50;
constexpr int kSampleSizeBase = 128;

QComboBox* MakeList(QWidget* parent, const char* name, const QString& hint, const QStringList& items, int index) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->addItems(items);
  list->setCurrentIndex(index);
  list->setToolTip(hint);
  return list;
}

}  // namespace

TForm2::TForm2(const TUiServices& services) : TForm2(services, std::make_unique<TQtAudioSink>()) {}

TForm2::TForm2(const TUiServices& services, std::unique_ptr<TAudioSink> audioSink)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                           Qt::WindowCloseButtonHint),
      m_services(services),
      m_saveDialog1("SaveDialog1", TFileDialogKind::fdSave, kBitmapFilter, services.Dialogs, this) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Preview FFT"));
  setFont(SansSerifFont());
  setSizeGripEnabled(true);
  resize(kForm2ClientWidth, kForm2ClientHeight);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  CreateControlBar();
  layout->addWidget(m_controlBar1);

  m_scrollBox1 = new QScrollArea(this);
  m_scrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  m_image1 = new TImage;
  m_image1->setObjectName(QStringLiteral("Image1"));
  m_image1->resize(33, 33);
  m_scrollBox1->setWidget(m_image1);
  layout->addWidget(m_scrollBox1, 1);

  m_panel1 = new QWidget(this);
  m_panel1->setObjectName(QStringLiteral("Panel1"));
  m_panel1->setFixedHeight(kPanelHeight);
  auto* panelLayout = new QHBoxLayout(m_panel1);
  // Button2 keeps its distance to the top and right edges (472 + 121 + 13 = 606).
  panelLayout->setContentsMargins(0, 8, 13, 0);
  m_playback = std::make_unique<TPlaybackControls>(*this, *m_panel1, *m_image1, *m_scrollBox1, m_services.Errors,
                                                   std::move(audioSink));
  // In the free space at the bottom left, as far in as Edit1, as high as Button2.
  panelLayout->addSpacing(11);
  m_playback->PlayButton().setFixedSize(75, 25);
  panelLayout->addWidget(&m_playback->PlayButton(), 0, Qt::AlignTop);
  // Between "&Play" and "Save Spectram", taking the room the stretch used to.
  m_readout = std::make_unique<TPointerReadout>(*m_image1, *m_panel1);
  m_readout->Label().setFixedHeight(25);
  panelLayout->addSpacing(8);
  panelLayout->addWidget(&m_readout->Label(), 1, Qt::AlignTop);
  m_button2 = new QPushButton(QStringLiteral("Save Spectram"), m_panel1);
  m_button2->setObjectName(QStringLiteral("Button2"));
  m_button2->setFixedSize(121, 25);
  m_button2->setAutoDefault(false);
  panelLayout->addWidget(m_button2, 0, Qt::AlignTop);
  layout->addWidget(m_panel1);

  connect(m_button1, &QPushButton::clicked, this, [this] { RunAction(m_services.Errors, [this] { Button1Click(); }); });
  connect(m_speedButton2, &QToolButton::clicked, this,
          [this] { RunAction(m_services.Errors, [this] { SpeedButton2Click(); }); });
  connect(m_button2, &QPushButton::clicked, this, [this] { RunAction(m_services.Errors, [this] { Button2Click(); }); });
  connect(m_viewButton, &QPushButton::clicked, this, [this] { RunAction(m_services.Errors, [this] { ViewButtonClick(); }); });
  // clicked, not toggled: the window sets the box itself without analysing twice.
  connect(m_checkBox1, &QCheckBox::clicked, this, [this] { RunAction(m_services.Errors, [this] { CheckBox1Click(); }); });

  m_fileDropTarget1 = new TFileDropTarget(this);
  m_fileDropTarget1->setObjectName(QStringLiteral("FileDropTarget1"));
  m_fileDropTarget1->OnDropFiles = [this](TFileDropTarget&, QWidget*, const std::vector<std::string>& dropFiles) {
    RunAction(m_services.Errors, [&] { FileDropTarget1DropFiles(dropFiles); });
  };
  m_fileDropTarget1->SetControl(this);
  InstallAcceleratorKeys(*this);
}

TForm2::~TForm2() = default;

void TForm2::CreateControlBar() {
  m_controlBar1 = new QFrame(this);
  m_controlBar1->setObjectName(QStringLiteral("ControlBar1"));
  m_controlBar1->setFixedHeight(kControlBarHeight);

  m_edit1 = Place(new QLineEdit(m_controlBar1), "Edit1", 11, 2, 190, 22);
  m_edit1->setEnabled(false);
  m_edit1->setFont(UiGothicFont());

  m_button1 = Place(new QPushButton(QStringLiteral("Analyze"), m_controlBar1), "Button1", 214, 2, 99, 22);
  QFont bold = m_button1->font();
  bold.setBold(true);
  m_button1->setFont(bold);
  m_button1->setDefault(true);

  m_progressBar1 = Place(new QProgressBar(m_controlBar1), "ProgressBar1", 326, 2, 92, 22);
  m_progressBar1->setRange(0, 100);
  m_progressBar1->setValue(0);
  m_progressBar1->setTextVisible(false);

  m_comboBox2 = MakeList(m_controlBar1, "ComboBox2", QStringLiteral("Sample size"),
                         {QStringLiteral("128"), QStringLiteral("256"), QStringLiteral("512"), QStringLiteral("1024"),
                          QStringLiteral("2048"), QStringLiteral("4096"), QStringLiteral("8192")},
                         3);
  m_comboBox2->setGeometry(11, 28, 78, 21);
  m_comboBox1 = MakeList(m_controlBar1, "ComboBox1", QStringLiteral("Window function"),
                         {QStringLiteral("Hanning"), QStringLiteral("Hamming"), QStringLiteral("Blackman"),
                          QStringLiteral("Rectangler"), QStringLiteral("Gaussian")},
                         3);
  m_comboBox1->setGeometry(102, 28, 99, 21);
  m_comboBox3 = MakeList(m_controlBar1, "ComboBox3", QStringLiteral("Frequency Mode"),
                         {QStringLiteral("f - Linear"), QStringLiteral("f - Logarithm")}, 0);
  m_comboBox3->setGeometry(214, 28, 99, 21);
  m_comboBox4 = MakeList(m_controlBar1, "ComboBox4", QStringLiteral("Voltage Mode"),
                         {QStringLiteral("v - Linear"), QStringLiteral("v - Logarithm")}, 0);
  m_comboBox4->setGeometry(326, 28, 92, 21);

  m_speedButton1 =
      Place(new TSpeedButton(QStringLiteral("Invert Brightness"), 1, m_controlBar1), "SpeedButton1", 11, 54, 118, 22);
  m_trackBar1 = Place(new QSlider(Qt::Horizontal, m_controlBar1), "TrackBar1", 142, 54, 150, 22);
  m_trackBar1->setRange(0, kBrightnessMax);
  m_trackBar1->setValue(kBrightnessDefault);
  m_trackBar1->setTickPosition(QSlider::TicksBelow);
  m_trackBar1->setTickInterval(10);
  m_trackBar1->setToolTip(QStringLiteral("Brightness"));
  m_speedButton2 =
      Place(new TSpeedButton(QStringLiteral("Stretch Spectram"), 1, m_controlBar1), "SpeedButton2", 305, 54, 113, 22);

  // In the free column right of the progress bar's.
  m_checkBox1 = Place(new QCheckBox(QStringLiteral("&Decode"), m_controlBar1), "CheckBox1", 431, 2, 70, 22);
  m_checkBox1->setToolTip(QStringLiteral("Decode any sound file (WAV, AIFF, FLAC, Ogg, Opus, MP3) at its own rate"));
  m_comboBox5 = MakeList(m_controlBar1, "ComboBox5", QStringLiteral("Channel"), {QStringLiteral("Mix")}, 0);
  m_comboBox5->setGeometry(508, 2, 78, 22);
  m_comboBox5->setEnabled(false);
  connect(m_checkBox1, &QCheckBox::toggled, m_comboBox5, &QWidget::setEnabled);

  // In the free column right of the lists' and buttons' rows, under "&Decode".
  m_viewButton = Place(new QPushButton(QStringLiteral("&View..."), m_controlBar1), "ViewButton", 431, 28, 75, 22);
  m_viewButton->setToolTip(QStringLiteral("Open the file in the viewer: all of it, in dB and colour, zoomable"));
  m_viewButton->setAutoDefault(false);
}

TSpectrogramSettings TForm2::ReadSettings() const {
  TSpectrogramSettings settings;
  // By item index: the item texts are not parsed.
  settings.SampleSize = kSampleSizeBase << m_comboBox2->currentIndex();
  settings.WindowIndex = m_comboBox1->currentIndex();
  settings.LogFrequency = m_comboBox3->currentIndex() == 1;
  settings.LogVoltage = m_comboBox4->currentIndex() == 1;
  settings.BrightnessPosition = m_trackBar1->value();
  settings.BrightnessMax = m_trackBar1->maximum();
  settings.InvertBrightness = m_speedButton1->Down();
  return settings;
}

bool TForm2::event(QEvent* event) {
  if (event->type() == static_cast<QEvent::Type>(WM_AUTOANALYZE)) {
    WMAutoAnalyze();
    return true;
  }
  return QDialog::event(event);
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Shown by the program, not merely uncovered or restored by the window system.
  if (!event->spontaneous()) FormShow();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  // The window closes through its close box only; Escape does not end the showing.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm2::FormShow() {
  // The main window's path is read literally unless it asked otherwise; a drop or the box decodes.
  const bool decode = std::exchange(m_decodeNextShowing, false);
  if (decode && !m_checkBox1->isChecked()) FillChannels(0);
  m_checkBox1->setChecked(decode);
  // Posted rather than run here, so the window is drawn before the run blocks the thread.
  QCoreApplication::postEvent(this, std::make_unique<QEvent>(static_cast<QEvent::Type>(WM_AUTOANALYZE)).release());
}

void TForm2::WMAutoAnalyze() {
  QCoreApplication::processEvents();
  m_button1->click();
}

void TForm2::Button1Click() {
  m_playback->Stop();
  TProgressBarSink progress(*m_progressBar1);
  const std::string path = m_edit1->text().toStdString();
  const TSpectrogramSettings settings = ReadSettings();
  const bool decode = m_checkBox1->isChecked();
  const std::int32_t channel = decode ? m_comboBox5->currentIndex() : 0;
  std::unique_ptr<TPixelBitmap> result;
  std::int32_t rateHz = static_cast<std::int32_t>(kSampleRateHz);
  if (decode) {
    TRecordingInfo info;
    result = AnalyzeRecording(path, channel, settings, progress, &info);
    rateHz = info.SampleRateHz;
    FillChannels(info.Channels);
  } else {
    result = AnalyzeWave(path, settings, progress);
  }
  m_image1->SetPicture(*result);
  m_progressBar1->setValue(0);
  const std::int64_t shownSamples = std::int64_t{result->Width()} * settings.SampleSize;
  m_playback->SpectrogramShown(TPlayedSound{path, decode, channel, rateHz, shownSamples}, settings.SampleSize);
  m_readout->SpectrogramShown(TReadoutScale{rateHz, settings.SampleSize, settings.LogFrequency, settings.LogVoltage,
                                            FullScaleBinMagnitude(settings), settings.InvertBrightness});
}

void TForm2::CheckBox1Click() { Button1Click(); }

void TForm2::ViewButtonClick() {
  const std::string path = m_edit1->text().toStdString();
  if (OnViewSound && !path.empty()) OnViewSound(path);
}

void TForm2::FileDropTarget1DropFiles(const std::vector<std::string>& dropFiles) {
  if (dropFiles.empty()) return;
  m_edit1->setText(QString::fromStdString(dropFiles.front()));
  m_checkBox1->setChecked(true);
  FillChannels(0);  // another file: its mix until its channels are known
  Button1Click();
}

void TForm2::FillChannels(std::int32_t channels) {
  const int chosen = m_comboBox5->currentIndex();
  m_comboBox5->clear();
  m_comboBox5->addItem(QStringLiteral("Mix"));
  for (std::int32_t c = 1; c <= channels; ++c) m_comboBox5->addItem(QString::number(c));
  m_comboBox5->setCurrentIndex(chosen <= channels ? chosen : 0);
}

void TForm2::SpeedButton2Click() {
  if (m_speedButton2->Down()) {
    m_image1->SetAutoSize(false);
    m_scrollBox1->setWidgetResizable(true);
    m_image1->SetStretch(true);
  } else {
    m_image1->SetStretch(false);
    m_scrollBox1->setWidgetResizable(false);
    m_image1->SetAutoSize(true);
    m_scrollBox1->ensureVisible(0, 0);
  }
}

void TForm2::Button2Click() {
  // An empty picture would make a file of no bytes, which no program reads as a bitmap.
  if (m_image1->Picture().Empty()) throw Exception(kSNothingToSave);
  if (!m_saveDialog1.Execute()) return;
  m_image1->Picture().SaveToFile(m_saveDialog1.FileName);
}

}  // namespace ombrisk
