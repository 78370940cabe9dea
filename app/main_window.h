// TForm1, the main window: the picture area, the synthesis settings, the output path and the
// buttons that load a picture, make the sound, open the preview, the version window and the sound
// options. It holds no logic beyond wiring each control to the layer that does the work.
//
//   TForm1 form(services, forms);  form.show();
//
// Controls carry their names as object names ("Button1", "CheckBox1", ...).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/file_dialog.h"
#include "app/forms.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace ombrisk {

class TFileDropTarget;
class TImage;
class TRadioGroup;
class TSoundOptionsWindow;
class TSpeedButton;
struct TSynthesisSettings;

class TForm1 : public QWidget {
  Q_OBJECT

public:
  TForm1(const TUiServices& services, const TForms& forms);
  ~TForm1() override;

  // Loads a picture file into Image1, grey, and enables "&Make Ombrisk sound" and "&Sound...".
  // Raises the loader's error with Image1 and the buttons unchanged.
  void LoadPicture(const std::string& fileName);
  // LoadPicture as "&Load Picture" runs it with the dialog's choice: a failure goes to the error box.
  void OpenPicture(const std::string& fileName);

  TFileDialog& OpenPictureDialog1() { return m_openPictureDialog1; }
  TFileDialog& SaveDialog1() { return m_saveDialog1; }
  TFileDropTarget& FileDropTarget1() { return *m_fileDropTarget1; }
  const TImage& Image1() const { return *m_image1; }
  TSoundOptionsWindow& SoundOptions() { return *m_soundOptions; }

private:
  void CreateControls();
  void CreateSettings();
  void Connect(QPushButton* button, void (TForm1::*handler)());
  TSynthesisSettings Settings() const;

  void Button1Click();
  void SpeedButton1Click();
  void Button2Click();
  void Button3Click();
  void Button5Click();
  void Button6Click();
  void FileDropTarget1DropFiles(TFileDropTarget& sender, QWidget* target, const std::vector<std::string>& dropFiles);

  TUiServices m_services;
  const TForms& m_forms;

  QScrollArea* m_scrollBox1 = nullptr;
  TImage* m_image1 = nullptr;
  QPushButton* m_button1 = nullptr;
  QGroupBox* m_groupBox1 = nullptr;
  QCheckBox* m_checkBox1 = nullptr;
  QCheckBox* m_checkBox2 = nullptr;
  QCheckBox* m_checkBox3 = nullptr;
  TRadioGroup* m_radioGroup1 = nullptr;
  TRadioGroup* m_radioGroup2 = nullptr;
  QLabel* m_label1 = nullptr;
  QLineEdit* m_edit1 = nullptr;
  TSpeedButton* m_speedButton1 = nullptr;
  QPushButton* m_button2 = nullptr;
  QProgressBar* m_progressBar1 = nullptr;
  QPushButton* m_button3 = nullptr;
  QPushButton* m_button4 = nullptr;
  QPushButton* m_button5 = nullptr;
  QPushButton* m_button6 = nullptr;
  TSoundOptionsWindow* m_soundOptions = nullptr;

  TFileDialog m_openPictureDialog1;
  TFileDialog m_saveDialog1;
  TFileDropTarget* m_fileDropTarget1 = nullptr;
  std::string m_pictureFileName;  // the file Image1 was last loaded from: stereo reads its colours again
  // The loaded picture's file when it is an editable spectrogram with its parameters, else empty.
  std::string m_editedSpectrogramPath;
};

// The main window's fixed client size and the output path it starts with.
inline constexpr int kForm1ClientWidth = 448;
inline constexpr int kForm1ClientHeight = 623;
inline constexpr const char* kDefaultOutputPath = "X:\\ombrisk.wav";
inline constexpr const char* kWaveFilter = "Wave sound (*.wav)|*.wav|All files (*.*)|*.*";

}  // namespace ombrisk
