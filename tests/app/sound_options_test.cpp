// "Sound options" and what "&Make Ombrisk sound" makes with it: the window's starting values for
// the loaded picture, Cancel, a smooth sound of the chosen length and rate, fields left alone, and
// shapes that cannot be made.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <utility>
#include <cstdint>

#include "app/image_control.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/radio_group.h"
#include "app/sound_options_window.h"
#include "app/start_up.h"
#include "app_test_support.h"
#include "picture/png/png_write_grey16.h"
#include "spectrogram/editable_spectrogram.h"
#include "synthesis/shaped_sound.h"
#include "synthesis/synthesis_run.h"
#include "toolkit/conventions.h"
#include "toolkit/exception.h"
#include "toolkit/progress.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk::testing {
namespace {

std::uint32_t LittleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
  return value;
}

double Rounded(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

class SoundOptionsTest : public ::testing::Test {
protected:
  void Load(int width, int height) {
    const std::string path = folder.Path("picture" + std::to_string(++m_loads) + ".bmp");
    WriteBitmapFile(path, width, height);
    dialogs.Answer("OpenPictureDialog1", path);
    Find<QPushButton>(form1, "Button1")->click();
    ASSERT_TRUE(errors.Shown.empty());
  }
  // Opens the window through open ("&Sound..." unless told), runs step while it is shown, then
  // closes it unless step did. False when the window never showed.
  bool InWindow(const std::function<void()>& step, const std::function<void()>& open = {}) {
    return RunModalUntil(
        window, open ? open : [this] { Find<QPushButton>(form1, "Button6")->click(); },
        [&] {
          step();
          return true;
        });
  }
  std::vector<std::uint8_t> MakeSound(const std::string& name) {
    const std::string path = folder.Path(name);
    Find<QLineEdit>(form1, "Edit1")->setText(QString::fromStdString(path));
    Find<QPushButton>(form1, "Button2")->click();
    return ReadFileBytes(path);
  }
  QDoubleSpinBox* Field(const char* name) { return Find<QDoubleSpinBox>(window, name); }
  QComboBox* Rate() { return Find<QComboBox>(window, "ComboBox1"); }
  void ChooseSmooth() { Find<TRadioGroup>(window, "RadioGroup1")->SetItemIndex(1); }
  void Press(const char* name) { Find<QPushButton>(window, name)->click(); }
  void ChooseRate(int rateHz) { Rate()->setCurrentIndex(Rate()->findText(QString::number(rateHz))); }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  TForm1& form1 = *windows.Forms().Form1;
  TSoundOptionsWindow& window = form1.SoundOptions();
  TScratchFolder folder;

private:
  int m_loads = 0;
};

struct TFrequencyScale {
  const char* Name;
  int ItemIndex;  // of "X (Frequency)"
};

class SoundOptionsStartTest : public SoundOptionsTest, public ::testing::WithParamInterface<TFrequencyScale> {};

TEST_P(SoundOptionsStartTest, AltSOpensItAsDrawnWithThePicturesLengthAndBand) {
  Load(40, 30);
  Find<TRadioGroup>(form1, "RadioGroup1")->SetItemIndex(GetParam().ItemIndex);
  form1.show();
  form1.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form1));
  const bool logFrequency = GetParam().ItemIndex == 1;
  const TFrequencyBand band = AsDrawnBand(form1.Image1().Picture(), logFrequency);
  if (!logFrequency) {
    EXPECT_EQ(band.LowHz, 0.0);
    EXPECT_EQ(band.HighHz, 29 * 44100.0 / 64);
  }

  const bool shown = InWindow(
      [&] {
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Sound options"));
        EXPECT_TRUE(window.isModal());
        TRadioGroup* choice = Find<TRadioGroup>(window, "RadioGroup1");
        EXPECT_EQ(choice->ItemIndex(), 0);
        EXPECT_EQ(choice->Item(0)->text(), QStringLiteral("As drawn"));
        EXPECT_EQ(choice->Item(1)->text(), QStringLiteral("Smooth"));
        // 40 columns of 64 samples at 44100 per second.
        EXPECT_EQ(Field("SpinEdit1")->value(), Rounded(40 * 64 / 44100.0, 3));
        EXPECT_EQ(Field("SpinEdit2")->value(), Rounded(band.LowHz, 2));
        EXPECT_EQ(Field("SpinEdit3")->value(), Rounded(band.HighHz, 2));
        ASSERT_EQ(Rate()->count(), 3);
        EXPECT_EQ(Rate()->currentText(), QStringLiteral("44100"));
        EXPECT_EQ(Rate()->itemText(1), QStringLiteral("48000"));
        EXPECT_EQ(Rate()->itemText(2), QStringLiteral("96000"));
        // The shape is only for a smooth sound.
        for (QWidget* control : std::initializer_list<QWidget*>{Field("SpinEdit1"), Field("SpinEdit3"), Rate()}) {
          EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
        }
        ChooseSmooth();
        EXPECT_TRUE(Field("SpinEdit1")->isEnabled() && Rate()->isEnabled());
        // A label's letter moves to its field; Escape closes as Cancel does.
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.windowHandle(), Qt::Key_W, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), Field("SpinEdit2"));
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(window.isVisible());
      },
      [&] { QTest::keyClick(form1.windowHandle(), Qt::Key_S, Qt::AltModifier); });
  EXPECT_TRUE(shown);
  // Closed without OK: the choice is as it was.
  EXPECT_FALSE(window.Choice().Smooth);
  EXPECT_TRUE(errors.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Scales, SoundOptionsStartTest,
                         ::testing::Values(TFrequencyScale{"Linear", 0}, TFrequencyScale{"Logarithm", 1}), TByName());

TEST_F(SoundOptionsTest, CancelKeepsTheSoundAsDrawnByteForByte) {
  Load(10, 5);
  const double asDrawnShown = Rounded(10 * 16 / 44100.0, 3);
  ASSERT_TRUE(InWindow([&] {
    ChooseSmooth();
    Field("SpinEdit1")->setValue(2);
    ChooseRate(96000);
    Press("Button2");
  }));
  EXPECT_FALSE(window.Choice().Smooth);
  ASSERT_TRUE(InWindow([&] {
    EXPECT_EQ(Find<TRadioGroup>(window, "RadioGroup1")->ItemIndex(), 0);
    EXPECT_EQ(Field("SpinEdit1")->value(), asDrawnShown);
    EXPECT_EQ(Rate()->currentText(), QStringLiteral("44100"));
  }));

  const std::string literal = folder.Path("literal.wav");
  TNullProgress progress;
  RunSynthesis(form1.Image1().Picture(), TSynthesisSettings{}, literal, progress);
  EXPECT_EQ(MakeSound("made.wav"), ReadFileBytes(literal));
  EXPECT_TRUE(errors.Shown.empty());
}

struct TChosenShape {
  const char* Name;
  int RateHz;
  double Seconds;
  std::uint32_t Samples;  // round(Seconds × RateHz)
};

class SoundOptionsSmoothTest : public SoundOptionsTest, public ::testing::WithParamInterface<TChosenShape> {};

TEST_P(SoundOptionsSmoothTest, OkMakesAWaveOfTheChosenLengthAndRateAndKeepsTheChoice) {
  const TChosenShape& chosen = GetParam();
  Load(10, 5);
  ASSERT_TRUE(InWindow([&] {
    ChooseSmooth();
    Field("SpinEdit1")->setValue(chosen.Seconds);
    ChooseRate(chosen.RateHz);
    Press("Button1");
    EXPECT_FALSE(window.isVisible());
  }));
  ASSERT_TRUE(errors.Shown.empty()) << errors.Shown.front();
  EXPECT_TRUE(window.Choice().Smooth);

  const std::vector<std::uint8_t> wave = MakeSound("smooth.wav");
  ASSERT_TRUE(errors.Shown.empty()) << errors.Shown.front();
  ASSERT_EQ(wave.size(), 44 + 2 * std::size_t{chosen.Samples});
  EXPECT_EQ(LittleEndian(wave, 22, 2), 1u);  // mono
  EXPECT_EQ(LittleEndian(wave, 24, 4), static_cast<std::uint32_t>(chosen.RateHz));
  EXPECT_EQ(LittleEndian(wave, 28, 4), 2u * static_cast<std::uint32_t>(chosen.RateHz));
  EXPECT_EQ(LittleEndian(wave, 34, 2), 16u);
  EXPECT_EQ(LittleEndian(wave, 40, 4), 2 * chosen.Samples);

  // Until the program ends the window opens with what OK kept.
  ASSERT_TRUE(InWindow([&] {
    EXPECT_EQ(Find<TRadioGroup>(window, "RadioGroup1")->ItemIndex(), 1);
    EXPECT_EQ(Field("SpinEdit1")->value(), chosen.Seconds);
    EXPECT_EQ(Rate()->currentText(), QString::number(chosen.RateHz));
  }));
}

INSTANTIATE_TEST_SUITE_P(Rates, SoundOptionsSmoothTest,
                         ::testing::Values(TChosenShape{"Rate44100", 44100, 0.123, 5424},  // 5424.3 samples
                                           TChosenShape{"Rate48000", 48000, 0.25, 12000},
                                           TChosenShape{"Rate96000", 96000, 0.005, 480}),
                         TByName());

TEST_F(SoundOptionsTest, FieldsLeftAloneFollowThePictureTheSoundIsMadeFrom) {
  Load(10, 5);
  ASSERT_TRUE(InWindow([&] {
    ChooseSmooth();
    Press("Button1");
  }));
  ASSERT_TRUE(window.Choice().Smooth);
  // The as-drawn length exactly, not the rounded seconds the field shows, of the picture loaded now.
  Load(40, 30);
  EXPECT_EQ(MakeSound("smooth.wav").size(), 44u + 2 * 40 * 64);
  EXPECT_TRUE(errors.Shown.empty()) << errors.Shown.front();
}

// "Stereo from colour" and "Noise bands" go with "Smooth"; a stereo sound reads the file's
// colours again (red left, green right), and a file gone since it was loaded is the error box
// with nothing written.
TEST_F(SoundOptionsTest, StereoFromColourReadsTheFileAgain) {
  const std::string picture = folder.Path("colour.bmp");
  TBitmap colours = MakeGreyBitmap(12, 8);
  for (int y = 0; y < 8; ++y) {
    std::uint8_t* row = colours.ScanLine(y);
    for (int x = 0; x < 12; ++x) {
      row[3 * x] = 0;                                        // blue
      row[3 * x + 1] = y < 4 ? 0 : 200;                      // green below
      row[3 * x + 2] = y < 4 ? 255 : 0;                      // red above
    }
  }
  colours.SaveToFile(picture);
  dialogs.Answer("OpenPictureDialog1", picture);
  Find<QPushButton>(form1, "Button1")->click();
  ASSERT_TRUE(errors.Shown.empty());
  ASSERT_TRUE(InWindow([&] {
    for (const char* name : {"CheckBox1", "CheckBox2"}) EXPECT_FALSE(Find<QCheckBox>(window, name)->isEnabled());
    ChooseSmooth();
    EXPECT_EQ(Find<QCheckBox>(window, "CheckBox1")->text(), QStringLiteral("Stereo from colour"));
    EXPECT_EQ(Find<QCheckBox>(window, "CheckBox2")->text(), QStringLiteral("Noise bands"));
    ASSERT_TRUE(Find<QCheckBox>(window, "CheckBox1")->isEnabled());
    Find<QCheckBox>(window, "CheckBox1")->setChecked(true);
    Field("SpinEdit1")->setValue(0.1);
    Press("Button1");
  }));
  ASSERT_TRUE(window.Choice().Shape.Stereo);
  EXPECT_FALSE(window.Choice().Shape.Noise);

  const std::vector<std::uint8_t> wave = MakeSound("stereo.wav");
  ASSERT_TRUE(errors.Shown.empty()) << errors.Shown.front();
  ASSERT_EQ(wave.size(), 44u + 4u * 4410u);
  EXPECT_EQ(LittleEndian(wave, 22, 2), 2u);
  EXPECT_EQ(LittleEndian(wave, 32, 2), 4u);
  // The picture shown is grey, yet the channels differ: they came from the file's red and green.
  bool differ = false;
  for (std::size_t i = 44; i + 3 < wave.size(); i += 4) differ = differ || LittleEndian(wave, i, 2) != LittleEndian(wave, i + 2, 2);
  EXPECT_TRUE(differ);

  // "Preview" decodes the stereo sound, offering its mix and both channels; a mono one after it
  // is read literally again.
  TForm2& form2 = *windows.Forms().Form2;
  auto preview = [&](const std::string& path) {
    Find<QLineEdit>(form1, "Edit1")->setText(QString::fromStdString(path));
    bool decoded = false;
    int channels = 0;
    EXPECT_TRUE(RunModalUntil(form2, [&] { Find<QPushButton>(form1, "Button3")->click(); }, [&] {
      decoded = Find<QCheckBox>(form2, "CheckBox1")->isChecked();
      channels = Find<QComboBox>(form2, "ComboBox5")->count();
      return !form2.Image1().Picture().Empty();
    }));
    EXPECT_TRUE(errors.Shown.empty()) << errors.Shown.front();
    return std::pair{decoded, channels};
  };
  EXPECT_EQ(preview(folder.Path("stereo.wav")), (std::pair{true, 3}));
  const std::string mono = folder.Path("mono.wav");
  WriteWaveFile(mono, 8, 64);
  EXPECT_FALSE(preview(mono).first);

  std::remove(picture.c_str());
  const std::string gone = folder.Path("gone.wav");
  Find<QLineEdit>(form1, "Edit1")->setText(QString::fromStdString(gone));
  Find<QPushButton>(form1, "Button2")->click();
  EXPECT_EQ(errors.Shown.size(), 1u);
  EXPECT_FALSE(std::ifstream(gone).good());
}

struct TBadShape {
  const char* Name;
  bool LogFrequency;
  TShapedSound Shape;  // every field as typed
};

class SoundOptionsBadShapeTest : public SoundOptionsTest, public ::testing::WithParamInterface<TBadShape> {};

std::string CheckError(const TBitmap& picture, const TSynthesisSettings& settings, const TShapedSound& shape) {
  try {
    CheckShapedSound(picture, settings, shape);
  } catch (const Exception& e) {
    return UserErrorText(e.Message());
  }
  return "(no error)";
}

TEST_P(SoundOptionsBadShapeTest, OkShowsTheErrorAndStaysOpenWithTheChoiceUnchanged) {
  const TBadShape& bad = GetParam();
  Load(100, 30);
  Find<TRadioGroup>(form1, "RadioGroup1")->SetItemIndex(bad.LogFrequency ? 1 : 0);
  TSynthesisSettings settings;
  settings.LogFrequency = bad.LogFrequency;
  const std::string expected = CheckError(form1.Image1().Picture(), settings, bad.Shape);

  ASSERT_TRUE(InWindow([&] {
    ChooseSmooth();
    Field("SpinEdit1")->setValue(bad.Shape.Seconds);
    Field("SpinEdit2")->setValue(bad.Shape.LowHz);
    Field("SpinEdit3")->setValue(bad.Shape.HighHz);
    ChooseRate(bad.Shape.RateHz);
    Press("Button1");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Field("SpinEdit1")->value(), bad.Shape.Seconds);
  }));
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], expected);
  EXPECT_FALSE(window.Choice().Smooth);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SoundOptionsBadShapeTest,
    ::testing::Values(TBadShape{"HighAboveHalfTheRate", false, {1.0, 100, 30000, 44100}},
                      TBadShape{"LowNotBelowHigh", false, {1.0, 5000, 4000, 48000}},
                      TBadShape{"LowZeroOnALogScale", true, {1.0, 0, 8000, 44100}},
                      // 44 samples for 100 columns
                      TBadShape{"FewerSamplesThanColumns", false, {0.001, 100, 8000, 44100}},
                      TBadShape{"PastTheHeaderLimit", false, {100000, 100, 8000, 96000}}),
    TByName());

}  // namespace
}  // namespace ombrisk::testing

namespace ombrisk::testing {
namespace {

// The third choice exists only while the loaded picture is an editable spectrogram, and then
// makes the sound again at its own rate and length.
TEST_F(SoundOptionsTest, EditedSpectrogramChoiceFollowsTheLoadedPicture) {
  const TEditableParameters p{.RateHz = 22050, .Size = 512, .Hop = 128, .RangeDb = 120.0, .Samples = 5000};
  std::vector<double> sound(5000);
  for (std::size_t t = 0; t < sound.size(); ++t) sound[t] = 0.3 * std::sin(0.05 * static_cast<double>(t));
  const TEditableSpectrogram spectrogram = AnalyzeEditable(sound, p);
  const std::string editable = folder.Path("edited.png");
  {
    TSafeFileStream out(editable);
    WriteGrey16Png(out, spectrogram.Columns, spectrogram.Rows, spectrogram.Levels,
                   {{"Comment", FormatEditableParameters(p)}});
    out.Commit();
  }
  dialogs.Answer("OpenPictureDialog1", editable);
  Find<QPushButton>(form1, "Button1")->click();
  ASSERT_TRUE(errors.Shown.empty());
  // Shown as any picture: one grey pixel per level.
  EXPECT_EQ(form1.Image1().Picture().Height(), 257);

  EXPECT_TRUE(InWindow([&] {
    QRadioButton* edited = Find<QRadioButton>(window, "EditedRadioButton");
    EXPECT_EQ(edited->text(), QStringLiteral("From an edited spectrogram"));
    ASSERT_TRUE(edited->isEnabled());
    edited->click();
    EXPECT_EQ(Find<TRadioGroup>(window, "RadioGroup1")->ItemIndex(), -1);
    EXPECT_FALSE(Field("SpinEdit1")->isEnabled());
    Press("Button1");
  }));
  ASSERT_TRUE(window.Choice().Edited);
  const std::vector<std::uint8_t> wave = MakeSound("edited.wav");
  ASSERT_TRUE(errors.Shown.empty()) << errors.Shown.front();
  ASSERT_EQ(wave.size(), 44u + 2 * 5000);
  EXPECT_EQ(LittleEndian(wave, 24, 4), 22050u);

  // Back to the group: the edited choice lets go.
  EXPECT_TRUE(InWindow([&] {
    EXPECT_TRUE(Find<QRadioButton>(window, "EditedRadioButton")->isChecked());
    Find<TRadioGroup>(window, "RadioGroup1")->Item(0)->click();
    EXPECT_FALSE(Find<QRadioButton>(window, "EditedRadioButton")->isChecked());
    Press("Button2");
  }));
  EXPECT_TRUE(window.Choice().Edited);

  // A picture without the parameters: the choice is gone and the sound is the one as drawn.
  Load(40, 30);
  EXPECT_FALSE(window.Choice().Edited);
  EXPECT_TRUE(InWindow([&] {
    EXPECT_FALSE(Find<QRadioButton>(window, "EditedRadioButton")->isEnabled());
    EXPECT_EQ(Find<TRadioGroup>(window, "RadioGroup1")->ItemIndex(), 0);
  }));
  EXPECT_EQ(LittleEndian(MakeSound("drawn.wav"), 24, 4), 44100u);
}

}  // namespace
}  // namespace ombrisk::testing
