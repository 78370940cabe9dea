// "Sound options", the modal window behind the main window's "&Sound...": the sound as drawn (the
// default) or a smooth sound of a chosen length, band and rate, in stereo from the picture file's
// colours and with bands of noise for rows if asked. It keeps what OK confirmed until
// the program ends; nothing is stored beyond that.
//
//   soundOptions.Execute(picture, settings);              // modal; OK keeps a valid choice, Cancel the old one
//   if (soundOptions.Choice().Smooth) RunSmoothSynthesis(picture, settings, soundOptions.Choice().Shape, ...);
//
// Lengths in seconds, frequencies and rates in hertz. A field left at the value it opened with keeps
// what it meant: the picture's as-drawn length and band (0 and negative in Shape) follow whatever
// picture and frequency scale the sound is made from.
#pragma once

#include <QDialog>

#include "synthesis/shaped_sound.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ombrisk {

class TErrorDisplay;
class TRadioGroup;

struct TSoundChoice {
  bool Smooth = false;  // false: the sound as drawn, and Shape is not used
  TShapedSound Shape;
  // "From an edited spectrogram": the sound made again from the loaded editable PNG; Smooth and
  // Shape then wait for the other choices.
  bool Edited = false;
};

class TSoundOptionsWindow : public QDialog {
  Q_OBJECT

public:
  TSoundOptionsWindow(TErrorDisplay& errors, QWidget* parent);
  ~TSoundOptionsWindow() override;

  // Shows the window modally, its fields starting from the choice and, where that follows the
  // picture, from picture and settings. True when OK confirmed a choice that can be made.
  bool Execute(const TBitmap& picture, const TSynthesisSettings& settings);
  const TSoundChoice& Choice() const { return m_choice; }
  // Whether the loaded picture carries an editable spectrogram's parameters: enables the third
  // choice, and without them a choice of it falls back to the other two.
  void SetEditedSpectrogramAvailable(bool available);

private:
  // What a field shows when the window opens and what it stands for while left there.
  struct TFieldStart {
    double Shown = 0;
    double Meaning = 0;
  };

  void CreateControls();
  void ShowChoice(const TBitmap& picture, const TSynthesisSettings& settings);
  TSoundChoice ShownChoice() const;
  void SmoothToggled(bool smooth);
  void Button1Click();
  void EditedClicked();

  TErrorDisplay& m_errors;
  TSoundChoice m_choice;
  // Set only while Execute runs: what OK checks the shown choice against.
  const TBitmap* m_picture = nullptr;
  TSynthesisSettings m_settings;
  TFieldStart m_secondsStart;
  TFieldStart m_lowStart;
  TFieldStart m_highStart;
  bool m_bandFollowsPicture = true;

  TRadioGroup* m_radioGroup1 = nullptr;
  QLabel* m_label1 = nullptr;
  QDoubleSpinBox* m_spinEdit1 = nullptr;
  QLabel* m_label2 = nullptr;
  QDoubleSpinBox* m_spinEdit2 = nullptr;
  QLabel* m_label3 = nullptr;
  QDoubleSpinBox* m_spinEdit3 = nullptr;
  QLabel* m_label4 = nullptr;
  QComboBox* m_comboBox1 = nullptr;
  QPushButton* m_button1 = nullptr;
  QPushButton* m_button2 = nullptr;
  QCheckBox* m_checkBox1 = nullptr;  // "Stereo from colour"
  QCheckBox* m_checkBox2 = nullptr;  // "Noise bands"
  QRadioButton* m_editedChoice = nullptr;
};

// The rates the smooth sound is made at, the first one the default.
inline constexpr int kSoundRatesHz[] = {44100, 48000, 96000};

}  // namespace ombrisk
