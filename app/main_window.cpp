#include "app/main_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>
#include <cstring>
#include <fstream>

#include "app/accelerator_keys.h"
#include "app/error_display.h"
#include "app/file_drop_target.h"
#include "app/form_fonts.h"
#include "app/image_control.h"
#include "app/place_widget.h"
#include "app/preview_window.h"
#include "app/progress_bar_sink.h"
#include "app/radio_group.h"
#include "app/sound_options_window.h"
#include "app/speed_button.h"
#include "app/version_window.h"
#include "picture/load_picture.h"
#include "signal/wave_header.h"
#include "synthesis/editable_resynthesis.h"
#include "synthesis/shaped_sound.h"
#include "synthesis/synthesis_run.h"
#include "toolkit/picture.h"

namespace ombrisk {

namespace {

// The stereo synthesis writes two channels, which the preview's literal reading cannot take: such
// a file is decoded there, its channels to choose from. Anything unreadable here is left to the
// preview to report.
bool IsTwoChannelWave(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::uint8_t bytes[kWaveHeaderBytes];
  if (!file.read(reinterpret_cast<char*>(bytes), kWaveHeaderBytes)) return false;
  const TWaveHeader header = DecodeWaveHeader(bytes);
  return std::memcmp(header.RiffId, "RIFF", 4) == 0 && std::memcmp(header.WaveId, "WAVE", 4) == 0 &&
         header.Channels == 2;
}

}  // namespace

TForm1::TForm1(const TUiServices& services, const TForms& forms)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_services(services),
      m_forms(forms),
      // The filter is taken once, now: the formats registered before the windows are all there is.
      m_openPictureDialog1("OpenPictureDialog1", TFileDialogKind::fdOpen, TPicture::BuildFilterStrings(GraphicClass()),
                           services.Dialogs, this),
      m_saveDialog1("SaveDialog1", TFileDialogKind::fdSave, kWaveFilter, services.Dialogs, this) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Ombrisk"));
  setFont(SansSerifFont());
  setFixedSize(kForm1ClientWidth, kForm1ClientHeight);
  CreateControls();
  m_openPictureDialog1.PicturePreview = true;

  m_fileDropTarget1 = new TFileDropTarget(this);
  m_fileDropTarget1->setObjectName(QStringLiteral("FileDropTarget1"));
  m_fileDropTarget1->OnDropFiles = [this](TFileDropTarget& sender, QWidget* target,
                                          const std::vector<std::string>& dropFiles) {
    RunAction(m_services.Errors, [&] { FileDropTarget1DropFiles(sender, target, dropFiles); });
  };
  m_fileDropTarget1->SetControl(m_scrollBox1);
  InstallAcceleratorKeys(*this);
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  m_scrollBox1 = Place(new QScrollArea(this), "ScrollBox1", 16, 16, 417, 305);
  m_image1 = new TImage;
  m_image1->setObjectName(QStringLiteral("Image1"));
  m_image1->resize(0, 0);
  m_scrollBox1->setWidget(m_image1);

  m_button1 = Place(new QPushButton(QStringLiteral("&Load Picture"), this), "Button1", 16, 328, 417, 33);
  CreateSettings();

  m_button2 = Place(new QPushButton(QStringLiteral("&Make Ombrisk sound"), this), "Button2", 16, 528, 417, 33);
  QFont bold = m_button2->font();
  bold.setBold(true);
  m_button2->setFont(bold);
  m_button2->setEnabled(false);

  m_progressBar1 = Place(new QProgressBar(this), "ProgressBar1", 16, 568, 417, 17);
  m_progressBar1->setRange(0, 100);
  m_progressBar1->setValue(0);
  m_progressBar1->setTextVisible(false);

  m_button3 = Place(new QPushButton(QStringLiteral("Preview"), this), "Button3", 216, 592, 73, 20);
  // "Log" has no handler.
  m_button4 = Place(new QPushButton(QStringLiteral("Log"), this), "Button4", 288, 592, 73, 20);
  m_button5 = Place(new QPushButton(QStringLiteral("Version"), this), "Button5", 360, 592, 73, 20);
  // In the free space left of "Preview". Made after the designed controls, so that a letter shared
  // with one of them would stay theirs.
  m_button6 = Place(new QPushButton(QStringLiteral("&Sound..."), this), "Button6", 16, 592, 73, 20);
  m_button6->setEnabled(false);
  m_soundOptions = new TSoundOptionsWindow(m_services.Errors, this);

  Connect(m_button1, &TForm1::Button1Click);
  Connect(m_button2, &TForm1::Button2Click);
  Connect(m_button3, &TForm1::Button3Click);
  Connect(m_button5, &TForm1::Button5Click);
  Connect(m_button6, &TForm1::Button6Click);
  connect(m_speedButton1, &QToolButton::clicked, this,
          [this] { RunAction(m_services.Errors, [this] { SpeedButton1Click(); }); });
}

void TForm1::CreateSettings() {
  m_groupBox1 = Place(new QGroupBox(QStringLiteral("Settings"), this), "GroupBox1", 16, 368, 417, 153);
  m_checkBox1 = Place(new QCheckBox(QStringLiteral("Invert &Luminance"), m_groupBox1), "CheckBox1", 32, 32, 113, 17);
  m_checkBox1->setChecked(true);
  m_checkBox2 = Place(new QCheckBox(QStringLiteral("Mirror &X"), m_groupBox1), "CheckBox2", 32, 56, 65, 17);
  m_checkBox3 = Place(new QCheckBox(QStringLiteral("Mirror &Y"), m_groupBox1), "CheckBox3", 96, 56, 65, 17);

  const QStringList scales{QStringLiteral("Linear"), QStringLiteral("Logarithm")};
  m_radioGroup1 =
      Place(new TRadioGroup(QStringLiteral("X (Frequency)"), scales, m_groupBox1), "RadioGroup1", 200, 16, 89, 65);
  m_radioGroup1->SetItemIndex(0);
  m_radioGroup2 =
      Place(new TRadioGroup(QStringLiteral("Y (Amplitude)"), scales, m_groupBox1), "RadioGroup2", 304, 16, 89, 65);
  m_radioGroup2->SetItemIndex(0);

  m_label1 = Place(new QLabel(QStringLiteral("Output path:"), m_groupBox1), "Label1", 24, 88, 59, 13);
  // A label is as wide as its text, whatever the font.
  m_label1->resize(std::max(m_label1->width(), m_label1->sizeHint().width()), m_label1->height());
  m_edit1 = Place(new QLineEdit(QString::fromLatin1(kDefaultOutputPath), m_groupBox1), "Edit1", 24, 104, 337, 20);
  m_edit1->setFont(UiGothicFont());
  // Files dropped anywhere but on the picture area are refused, the path field included.
  m_edit1->setAcceptDrops(false);
  m_speedButton1 = Place(new TSpeedButton(QStringLiteral("..."), 0, m_groupBox1), "SpeedButton1", 368, 104, 23, 21);
}

void TForm1::Connect(QPushButton* button, void (TForm1::*handler)()) {
  connect(button, &QPushButton::clicked, this, [this, handler] { RunAction(m_services.Errors, [&] { (this->*handler)(); }); });
}

void TForm1::LoadPicture(const std::string& fileName) {
  // The loader leaves the display picture untouched when it fails, so nothing here needs undoing.
  ombrisk::LoadPicture(fileName, m_image1->Picture());
  m_pictureFileName = fileName;
  m_image1->PictureChanged();
  m_editedSpectrogramPath = CarriesEditableParameters(fileName) ? fileName : std::string();
  m_soundOptions->SetEditedSpectrogramAvailable(!m_editedSpectrogramPath.empty());
  m_button2->setEnabled(true);
  m_button6->setEnabled(true);
}

void TForm1::OpenPicture(const std::string& fileName) {
  RunAction(m_services.Errors, [&] { LoadPicture(fileName); });
}

void TForm1::Button1Click() {
  if (m_openPictureDialog1.Execute()) LoadPicture(m_openPictureDialog1.FileName);
}

void TForm1::SpeedButton1Click() {
  if (m_saveDialog1.Execute()) m_edit1->setText(QString::fromStdString(m_saveDialog1.FileName));
}

TSynthesisSettings TForm1::Settings() const {
  TSynthesisSettings settings;
  settings.Invert = m_checkBox1->isChecked();
  settings.MirrorX = m_checkBox2->isChecked();
  settings.MirrorY = m_checkBox3->isChecked();
  settings.LogFrequency = m_radioGroup1->ItemIndex() == 1;
  settings.LogAmplitude = m_radioGroup2->ItemIndex() == 1;
  return settings;
}

void TForm1::Button2Click() {
  const TSynthesisSettings settings = Settings();
  TProgressBarSink progress(*m_progressBar1);
  const TSoundChoice& choice = m_soundOptions->Choice();
  if (choice.Edited && !m_editedSpectrogramPath.empty()) {
    progress.SetMax(1);
    ResynthesizeFile(m_editedSpectrogramPath, {}, {}, m_edit1->text().toStdString());
    progress.SetPosition(1);
    return;
  }
  if (!choice.Smooth) {
    RunSynthesis(m_image1->Picture(), settings, m_edit1->text().toStdString(), progress);
    return;
  }
  // The run checks the shape again: the picture and settings may have changed since its OK.
  if (!choice.Shape.Stereo) {
    RunSmoothSynthesis(m_image1->Picture(), settings, choice.Shape, m_edit1->text().toStdString(), progress);
    return;
  }
  // The display picture is grey: the colours come from the file again, which may have gone or
  // changed since; a failure to read it reaches the error box before anything is written.
  TBitmap colours;
  LoadColourPicture(m_pictureFileName, colours);
  RunSmoothSynthesis(colours, settings, choice.Shape, m_edit1->text().toStdString(), progress);
}

void TForm1::Button3Click() {
  if (IsTwoChannelWave(m_edit1->text().toStdString())) m_forms.Form2->DecodeNextShowing();
  m_forms.Form2->Edit1().setText(m_edit1->text());
  m_forms.Form2->exec();
}

void TForm1::Button5Click() { m_forms.Form3->exec(); }

void TForm1::Button6Click() { m_soundOptions->Execute(m_image1->Picture(), Settings()); }

void TForm1::FileDropTarget1DropFiles(TFileDropTarget&, QWidget*, const std::vector<std::string>& dropFiles) {
  if (!dropFiles.empty()) LoadPicture(dropFiles.front());
}

}  // namespace ombrisk
