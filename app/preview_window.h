// TForm2, "Preview FFT": shows the spectrogram of the wave file the main window names. Every
// showing first draws the window, then analyses the file once by itself; the user may then change
// the settings and press "Analyze" again, stretch the picture over the window, save it, and play the
// wave with a playhead over the picture (app/playback_controls.h). "&Decode" reads any sound file
// through libsndfile instead (its mix or one channel, at its own rate); a file dropped on the window
// is analysed that way, and so is the main window's stereo sound. A read-out below the picture
// tells what lies under the pointer. "&View..." opens the viewer on the file the preview shows.
//
//   form2.Edit1().setText(path);  form2.exec();   // shown modally, analyses on its own, literally
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/file_dialog.h"
#include "app/forms.h"
#include "spectrogram/spectrogram_analysis.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSlider;
class QWidget;

namespace ombrisk {

class TAudioSink;
class TFileDropTarget;
class TImage;
class TPlaybackControls;
class TPointerReadout;
class TSpeedButton;

// Posted by the window to itself when shown: the first user message number, 1024, plus 1.
inline constexpr int WM_AUTOANALYZE = 1025;

class TForm2 : public QDialog {
  Q_OBJECT

public:
  // Plays through the system's default sound device.
  explicit TForm2(const TUiServices& services);
  TForm2(const TUiServices& services, std::unique_ptr<TAudioSink> audioSink);
  ~TForm2() override;

  // The path of the wave file, set by the main window.
  QLineEdit& Edit1() { return *m_edit1; }
  TFileDialog& SaveDialog1() { return m_saveDialog1; }
  const TImage& Image1() const { return *m_image1; }
  const TPlaybackControls& Playback() const { return *m_playback; }
  const TPointerReadout& Readout() const { return *m_readout; }

  // The next showing decodes its path instead of reading it literally: for a sound of two
  // channels, which the literal reading cannot take.
  void DecodeNextShowing() { m_decodeNextShowing = true; }

  // The settings of a run as the controls hold them now.
  TSpectrogramSettings ReadSettings() const;

  // What "&View..." does with the path of the file shown (nothing while the path is empty).
  std::function<void(const std::string& path)> OnViewSound;

protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void CreateControlBar();
  void FormShow();
  void WMAutoAnalyze();
  void Button1Click();
  void SpeedButton2Click();
  void Button2Click();
  void ViewButtonClick();
  void CheckBox1Click();
  void FileDropTarget1DropFiles(const std::vector<std::string>& dropFiles);
  // Offers the mix and each of channels, keeping the choice where the file has it.
  void FillChannels(std::int32_t channels);

  TUiServices m_services;
  bool m_decodeNextShowing = false;

  QFrame* m_controlBar1 = nullptr;
  QLineEdit* m_edit1 = nullptr;
  QPushButton* m_button1 = nullptr;
  QProgressBar* m_progressBar1 = nullptr;
  QComboBox* m_comboBox2 = nullptr;
  QComboBox* m_comboBox1 = nullptr;
  QComboBox* m_comboBox3 = nullptr;
  QComboBox* m_comboBox4 = nullptr;
  TSpeedButton* m_speedButton1 = nullptr;
  QSlider* m_trackBar1 = nullptr;
  TSpeedButton* m_speedButton2 = nullptr;
  QCheckBox* m_checkBox1 = nullptr;
  QComboBox* m_comboBox5 = nullptr;
  TFileDropTarget* m_fileDropTarget1 = nullptr;
  QScrollArea* m_scrollBox1 = nullptr;
  TImage* m_image1 = nullptr;
  QWidget* m_panel1 = nullptr;
  QPushButton* m_button2 = nullptr;
  QPushButton* m_viewButton = nullptr;
  TFileDialog m_saveDialog1;
  std::unique_ptr<TPlaybackControls> m_playback;
  std::unique_ptr<TPointerReadout> m_readout;
};

// The client area that holds the designed places: 614 × 480 outside with a Windows frame.
inline constexpr int kForm2ClientWidth = 606;
inline constexpr int kForm2ClientHeight = 444;
inline constexpr const char* kBitmapFilter = "Windows Bitmap (*.bmp)|*.bmp";
inline constexpr const char* kSNothingToSave = "There is no spectrogram picture to save";

}  // namespace ombrisk
