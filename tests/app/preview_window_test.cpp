// The preview window: its controls, the analysis it runs by itself on every showing, the settings it
// reads, the toggle group and stretching, and saving the picture.
#include <QCoreApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTest>

#include "app/image_control.h"
#include "app/preview_window.h"
#include "app/speed_button.h"
#include "app_test_support.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk::testing {
namespace {

class PreviewWindowTest : public ::testing::Test {
protected:
  template <typename Widget>
  Widget* Control(const char* name) {
    return Find<Widget>(form2, name);
  }
  // Shows the window modally, as the main window does, until the picture has the given size.
  bool ShowUntilPicture(QSize size, const std::function<void()>& whileShown = {}) {
    bool acted = false;
    return RunModalUntil(
        form2, [&] { form2.exec(); },
        [&] {
          if (form2.Image1().Picture().Width() != size.width() || form2.Image1().Picture().Height() != size.height()) {
            if (!acted && whileShown && !form2.Image1().Picture().Empty()) {
              acted = true;
              whileShown();
            }
            return false;
          }
          return true;
        });
  }
  const TBitmap& Shown() { return form2.Image1().Picture(); }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TForm2 form2{TUiServices{errors, dialogs}};
  TScratchFolder folder;
};

struct TPlace {
  const char* Name;
  const char* Caption;
  QRect Place;
};

class PreviewLayoutTest : public PreviewWindowTest, public ::testing::WithParamInterface<TPlace> {};

TEST_P(PreviewLayoutTest, ControlBarControlHasItsPlace) {
  QWidget* widget = Control<QWidget>(GetParam().Name);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->geometry(), GetParam().Place);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    EXPECT_EQ(button->text().toStdString(), GetParam().Caption);
  }
}

INSTANTIATE_TEST_SUITE_P(Designed, PreviewLayoutTest,
                         ::testing::Values(TPlace{"Edit1", "", {11, 2, 190, 22}},
                                           TPlace{"Button1", "Analyze", {214, 2, 99, 22}},
                                           TPlace{"ProgressBar1", "", {326, 2, 92, 22}},
                                           TPlace{"ComboBox2", "", {11, 28, 78, 21}},
                                           TPlace{"ComboBox1", "", {102, 28, 99, 21}},
                                           TPlace{"ComboBox3", "", {214, 28, 99, 21}},
                                           TPlace{"ComboBox4", "", {326, 28, 92, 21}},
                                           TPlace{"SpeedButton1", "Invert Brightness", {11, 54, 118, 22}},
                                           TPlace{"TrackBar1", "", {142, 54, 150, 22}},
                                           TPlace{"SpeedButton2", "Stretch Spectram", {305, 54, 113, 22}}),
                         TByName());

TEST_F(PreviewWindowTest, StartsWithTheDesignedWindowAndDefaults) {
  EXPECT_EQ(form2.windowTitle(), QStringLiteral("Preview FFT"));
  EXPECT_EQ(form2.size(), QSize(606, 444));
  EXPECT_LT(form2.minimumSize().width(), 606);  // resizable
  EXPECT_FALSE(Control<QLineEdit>("Edit1")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>("Button1")->isDefault());
  EXPECT_TRUE(Control<QPushButton>("Button1")->font().bold());
  EXPECT_EQ(Control<QPushButton>("Button2")->text(), QStringLiteral("Save Spectram"));
  EXPECT_EQ(Control<QPushButton>("Button2")->size(), QSize(121, 25));

  struct TList {
    const char* Name;
    const char* Hint;
    QStringList Items;
    int Index;
  };
  const TList lists[] = {
      {"ComboBox2", "Sample size", {"128", "256", "512", "1024", "2048", "4096", "8192"}, 3},
      {"ComboBox1", "Window function", {"Hanning", "Hamming", "Blackman", "Rectangler", "Gaussian"}, 3},
      {"ComboBox3", "Frequency Mode", {"f - Linear", "f - Logarithm"}, 0},
      {"ComboBox4", "Voltage Mode", {"v - Linear", "v - Logarithm"}, 0},
  };
  for (const TList& list : lists) {
    QComboBox* box = Control<QComboBox>(list.Name);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isEditable()) << list.Name;
    EXPECT_EQ(box->toolTip(), QString::fromLatin1(list.Hint));
    EXPECT_EQ(box->currentIndex(), list.Index) << list.Name;
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items.append(box->itemText(i));
    EXPECT_EQ(items, list.Items);
  }
  QSlider* track = Control<QSlider>("TrackBar1");
  EXPECT_EQ(track->minimum(), 0);
  EXPECT_EQ(track->maximum(), 100);
  EXPECT_EQ(track->value(), 50);
  EXPECT_EQ(track->toolTip(), QStringLiteral("Brightness"));
  EXPECT_FALSE(Control<TSpeedButton>("SpeedButton1")->Down());
  EXPECT_FALSE(Control<TSpeedButton>("SpeedButton2")->Down());

  const TSpectrogramSettings settings = form2.ReadSettings();
  const TSpectrogramSettings defaults;
  EXPECT_EQ(settings.SampleSize, defaults.SampleSize);
  EXPECT_EQ(settings.WindowIndex, defaults.WindowIndex);
  EXPECT_EQ(settings.BrightnessPosition, defaults.BrightnessPosition);
  EXPECT_EQ(settings.BrightnessMax, defaults.BrightnessMax);
  EXPECT_FALSE(settings.LogFrequency || settings.LogVoltage || settings.InvertBrightness);
}

TEST_F(PreviewWindowTest, SettingsComeFromTheControlsByItemIndex) {
  const int sampleSizes[] = {128, 256, 512, 1024, 2048, 4096, 8192};
  for (int index = 0; index < 7; ++index) {
    Control<QComboBox>("ComboBox2")->setCurrentIndex(index);
    EXPECT_EQ(form2.ReadSettings().SampleSize, sampleSizes[index]);
  }
  Control<QComboBox>("ComboBox1")->setCurrentIndex(4);
  Control<QComboBox>("ComboBox3")->setCurrentIndex(1);
  Control<QComboBox>("ComboBox4")->setCurrentIndex(1);
  Control<QSlider>("TrackBar1")->setValue(80);
  Control<TSpeedButton>("SpeedButton1")->click();
  const TSpectrogramSettings settings = form2.ReadSettings();
  EXPECT_EQ(settings.WindowIndex, 4);
  EXPECT_TRUE(settings.LogFrequency);
  EXPECT_TRUE(settings.LogVoltage);
  EXPECT_EQ(settings.BrightnessPosition, 80);
  EXPECT_TRUE(settings.InvertBrightness);
}

TEST_F(PreviewWindowTest, EveryShowingAnalysesByItselfWithTheSettingsLeftFromBefore) {
  // 8 blocks of 128 samples: one column of 512 rows at 1024, eight of 64 at 128.
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  EXPECT_TRUE(ShowUntilPicture({1, 512}));
  EXPECT_EQ(Control<QProgressBar>("ProgressBar1")->value(), 0);

  Control<QComboBox>("ComboBox2")->setCurrentIndex(0);
  // Changing a list changes nothing until a run.
  EXPECT_EQ(Shown().Height(), 512);
  EXPECT_TRUE(ShowUntilPicture({8, 64}));
  EXPECT_TRUE(errors.Shown.empty());
}

TEST_F(PreviewWindowTest, EnterRunsAnalyze) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  const bool reanalysed = ShowUntilPicture({4, 128}, [&] {
    Control<QComboBox>("ComboBox2")->setCurrentIndex(1);
    QTest::keyClick(&form2, Qt::Key_Return);
  });
  EXPECT_TRUE(reanalysed);
}

TEST_F(PreviewWindowTest, AMissingFileIsReportedAndTheWindowStaysUsable) {
  const std::string missing = folder.Path("nowhere.wav");
  form2.Edit1().setText(QString::fromStdString(missing));
  EXPECT_TRUE(RunModalUntil(form2, [&] { form2.exec(); }, [&] { return !errors.Shown.empty(); }));
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], FormatMessage(kSFOpenErrorEx, {missing, "No such file or directory"}));
  EXPECT_TRUE(Shown().Empty());

  // Still usable: a file that exists analyses on the next press.
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  Control<QPushButton>("Button1")->click();
  EXPECT_EQ(Shown().Width(), 1);
  EXPECT_EQ(errors.Shown.size(), 1u);

  // A failed run keeps the picture it had.
  form2.Edit1().setText(QString::fromStdString(missing));
  Control<QPushButton>("Button1")->click();
  EXPECT_EQ(errors.Shown.size(), 2u);
  EXPECT_EQ(Shown().Height(), 512);
}

// Presses in order, then the expected (SpeedButton1 down, SpeedButton2 down).
struct TTogglePresses {
  const char* Name;
  std::vector<const char*> Presses;
  bool InvertDown;
  bool StretchDown;
};

class PreviewToggleGroupTest : public PreviewWindowTest, public ::testing::WithParamInterface<TTogglePresses> {};

TEST_P(PreviewToggleGroupTest, AtMostOneOfTheTwoIsDown) {
  for (const char* press : GetParam().Presses) QTest::mouseClick(Control<TSpeedButton>(press), Qt::LeftButton);
  EXPECT_EQ(Control<TSpeedButton>("SpeedButton1")->Down(), GetParam().InvertDown);
  EXPECT_EQ(Control<TSpeedButton>("SpeedButton2")->Down(), GetParam().StretchDown);
}

INSTANTIATE_TEST_SUITE_P(
    Presses, PreviewToggleGroupTest,
    ::testing::Values(TTogglePresses{"None", {}, false, false},
                      TTogglePresses{"Invert", {"SpeedButton1"}, true, false},
                      TTogglePresses{"InvertTwice", {"SpeedButton1", "SpeedButton1"}, false, false},
                      TTogglePresses{"StretchThenInvert", {"SpeedButton2", "SpeedButton1"}, true, false},
                      TTogglePresses{"InvertThenStretch", {"SpeedButton1", "SpeedButton2"}, false, true},
                      TTogglePresses{"StretchTwice", {"SpeedButton2", "SpeedButton2"}, false, false}),
    TByName());

TEST_F(PreviewWindowTest, StretchFillsTheViewAndReleasingItRestoresThePicturesSize) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  Control<QComboBox>("ComboBox2")->setCurrentIndex(0);
  form2.show();
  Control<QPushButton>("Button1")->click();
  const TImage& image = form2.Image1();
  QScrollArea* area = Control<QScrollArea>("ScrollBox1");
  ASSERT_EQ(image.size(), QSize(8, 64));

  QTest::mouseClick(Control<TSpeedButton>("SpeedButton2"), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_TRUE(image.Stretch());
  EXPECT_EQ(image.size(), area->viewport()->size());

  // "Invert Brightness" releases "Stretch Spectram" without running its handler: still stretched.
  QTest::mouseClick(Control<TSpeedButton>("SpeedButton1"), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(Control<TSpeedButton>("SpeedButton2")->Down());
  EXPECT_TRUE(image.Stretch());
  EXPECT_EQ(image.size(), area->viewport()->size());

  // Down and up again: back to its own size at the top left.
  QTest::mouseClick(Control<TSpeedButton>("SpeedButton2"), Qt::LeftButton);
  QTest::mouseClick(Control<TSpeedButton>("SpeedButton2"), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(image.Stretch());
  EXPECT_EQ(image.geometry(), QRect(0, 0, 8, 64));
  form2.hide();
}

TEST_F(PreviewWindowTest, SaveWritesThe32BitBitmapUnderTheNameAsTyped) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  Control<QComboBox>("ComboBox2")->setCurrentIndex(0);
  Control<QPushButton>("Button1")->click();
  ASSERT_EQ(Shown().Width(), 8);

  // Stretching does not change what is saved.
  QTest::mouseClick(Control<TSpeedButton>("SpeedButton2"), Qt::LeftButton);
  const std::string target = folder.Path("spectrum");
  dialogs.Answer("SaveDialog1", target);
  Control<QPushButton>("Button2")->click();
  ASSERT_TRUE(errors.Shown.empty()) << errors.Shown.front();
  ASSERT_EQ(dialogs.Calls.size(), 1u);
  EXPECT_EQ(dialogs.Calls[0].Filter, "Windows Bitmap (*.bmp)|*.bmp");

  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(target + ".bmp")));
  const std::vector<std::uint8_t> file = ReadFileBytes(target);
  ASSERT_EQ(file.size(), 54u + 4u * 8u * 64u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[10], 54);  // pixel data offset
  EXPECT_EQ(file[28], 32);  // bits per pixel
  EXPECT_EQ(file[30], 0);   // no compression
  for (std::size_t i = 54; i < file.size(); i += 4) {
    ASSERT_EQ(file[i], file[i + 1]) << i;
    ASSERT_EQ(file[i], file[i + 2]) << i;
    ASSERT_EQ(file[i + 3], 0) << i;
  }

  // The dialog starts from its last choice; cancelling writes nothing.
  dialogs.Answer("SaveDialog1", std::nullopt);
  Control<QPushButton>("Button2")->click();
  ASSERT_EQ(dialogs.Calls.size(), 2u);
  EXPECT_EQ(dialogs.Calls[1].StartName, target);
}

TEST_F(PreviewWindowTest, SavingBeforeAnyAnalysisIsRefusedWithoutAskingForAName) {
  Control<QPushButton>("Button2")->click();
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], std::string(kSNothingToSave) + ".");
  EXPECT_TRUE(dialogs.Calls.empty());
}

TEST_F(PreviewWindowTest, ABitmapThatCannotBeCreatedReportsTheFileCreationError) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  Control<QPushButton>("Button1")->click();
  const std::string target = folder.Path("no such folder/spectrum.bmp");
  dialogs.Answer("SaveDialog1", target);
  Control<QPushButton>("Button2")->click();
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0].rfind(FormatMessage(kSFCreateErrorEx, {target, ""}), 0), 0u) << errors.Shown[0];
  EXPECT_EQ(Shown().Width(), 1);
}

}  // namespace
}  // namespace ombrisk::testing
