// The main window: its controls as designed, loading through the open dialog, making the sound,
// the path field and its dialog, and the buttons that open the other windows.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QPushButton>
#include <QScrollArea>
#include <fstream>

#include "app/image_control.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/radio_group.h"
#include "app/start_up.h"
#include "app/version_window.h"
#include "app_test_support.h"
#include "toolkit/conventions.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"
#include "toolkit/picture.h"

namespace ombrisk::testing {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
  template <typename Widget>
  Widget* Control(const char* name) {
    return Find<Widget>(form1, name);
  }
  void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
  bool MakeSoundEnabled() { return Control<QPushButton>("Button2")->isEnabled(); }
  std::vector<std::uint8_t> ShownPixels() { return PixelBytes(form1.Image1().Picture()); }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  TForm1& form1 = *windows.Forms().Form1;
  TScratchFolder folder;
};

struct TDesignedControl {
  const char* Name;
  const char* Caption;
  QRect Place;
};

class MainWindowLayoutTest : public MainWindowTest, public ::testing::WithParamInterface<TDesignedControl> {};

QString CaptionOf(QWidget* widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* box = qobject_cast<QGroupBox*>(widget)) return box->title();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  return {};
}

TEST_P(MainWindowLayoutTest, ControlHasItsNameCaptionAndPlace) {
  const TDesignedControl& control = GetParam();
  QWidget* widget = Control<QWidget>(control.Name);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(CaptionOf(widget).toStdString(), control.Caption);
  EXPECT_EQ(widget->pos(), control.Place.topLeft());
  EXPECT_EQ(widget->height(), control.Place.height());
  // A label grows with its text; every other control keeps its designed width.
  if (std::string(control.Name) == "Label1") {
    EXPECT_GE(widget->width(), control.Place.width());
  } else {
    EXPECT_EQ(widget->width(), control.Place.width());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Designed, MainWindowLayoutTest,
    ::testing::Values(TDesignedControl{"ScrollBox1", "", {16, 16, 417, 305}},
                      TDesignedControl{"Button1", "&Load Picture", {16, 328, 417, 33}},
                      TDesignedControl{"GroupBox1", "Settings", {16, 368, 417, 153}},
                      TDesignedControl{"CheckBox1", "Invert &Luminance", {32, 32, 113, 17}},
                      TDesignedControl{"CheckBox2", "Mirror &X", {32, 56, 65, 17}},
                      TDesignedControl{"CheckBox3", "Mirror &Y", {96, 56, 65, 17}},
                      TDesignedControl{"RadioGroup1", "X (Frequency)", {200, 16, 89, 65}},
                      TDesignedControl{"RadioGroup2", "Y (Amplitude)", {304, 16, 89, 65}},
                      TDesignedControl{"Label1", "Output path:", {24, 88, 59, 13}},
                      TDesignedControl{"Edit1", "X:\\ombrisk.wav", {24, 104, 337, 20}},
                      TDesignedControl{"SpeedButton1", "...", {368, 104, 23, 21}},
                      TDesignedControl{"Button2", "&Make Ombrisk sound", {16, 528, 417, 33}},
                      TDesignedControl{"ProgressBar1", "", {16, 568, 417, 17}},
                      TDesignedControl{"Button3", "Preview", {216, 592, 73, 20}},
                      TDesignedControl{"Button4", "Log", {288, 592, 73, 20}},
                      TDesignedControl{"Button5", "Version", {360, 592, 73, 20}},
                      // Added in the free space left of "Preview", as high as it.
                      TDesignedControl{"Button6", "&Sound...", {16, 592, 73, 20}}),
    TByName());

TEST_F(MainWindowTest, StartsWithTheDesignedWindowAndDefaults) {
  EXPECT_EQ(form1.windowTitle(), QStringLiteral("Ombrisk"));
  EXPECT_EQ(form1.minimumSize(), QSize(448, 623));
  EXPECT_EQ(form1.maximumSize(), QSize(448, 623));
  EXPECT_FALSE(form1.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form1.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(form1.isVisible());
  EXPECT_FALSE(windows.Forms().Form2->isVisible());
  EXPECT_FALSE(windows.Forms().Form3->isVisible());

  EXPECT_FALSE(MakeSoundEnabled());
  EXPECT_FALSE(Control<QPushButton>("Button6")->isEnabled());
  EXPECT_TRUE(Control<QCheckBox>("CheckBox1")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>("CheckBox2")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>("CheckBox3")->isChecked());
  for (const char* name : {"RadioGroup1", "RadioGroup2"}) {
    TRadioGroup* group = Control<TRadioGroup>(name);
    EXPECT_EQ(group->ItemIndex(), 0) << name;
    EXPECT_EQ(group->Item(0)->text(), QStringLiteral("Linear"));
    EXPECT_EQ(group->Item(1)->text(), QStringLiteral("Logarithm"));
  }
  EXPECT_EQ(Control<QProgressBar>("ProgressBar1")->value(), 0);
  EXPECT_TRUE(form1.Image1().Picture().Empty());
  EXPECT_TRUE(form1.font().bold() == false && Control<QPushButton>("Button2")->font().bold());
}

TEST_F(MainWindowTest, DialogsTakeTheirFiltersAndStartEmpty) {
  EXPECT_EQ(form1.OpenPictureDialog1().Filter, TPicture::BuildFilterStrings(GraphicClass()));
  EXPECT_EQ(form1.OpenPictureDialog1().Filter.rfind("すべてのファイル (*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|", 0), 0u);
  EXPECT_NE(form1.OpenPictureDialog1().Filter.find("|JPEG イメージファイル (*.jpg)|*.jpg|"), std::string::npos);
  EXPECT_EQ(form1.OpenPictureDialog1().FilterIndex, 1);
  EXPECT_EQ(form1.SaveDialog1().Filter, "Wave sound (*.wav)|*.wav|All files (*.*)|*.*");
  EXPECT_EQ(form1.SaveDialog1().Kind, TFileDialogKind::fdSave);
  EXPECT_TRUE(form1.OpenPictureDialog1().FileName.empty());
  EXPECT_TRUE(form1.SaveDialog1().FileName.empty());
}

TEST_F(MainWindowTest, LoadThroughTheDialogShowsTheGreyPictureAndEnablesMakeSound) {
  const std::string path = folder.Path("picture.bmp");
  WriteBitmapFile(path, 40, 30);
  dialogs.Answer("OpenPictureDialog1", path);
  Click("Button1");

  EXPECT_TRUE(errors.Shown.empty());
  EXPECT_TRUE(MakeSoundEnabled());
  EXPECT_TRUE(Control<QPushButton>("Button6")->isEnabled());
  EXPECT_EQ(form1.Image1().Picture().Width(), 40);
  EXPECT_EQ(form1.Image1().Picture().Height(), 30);
  EXPECT_EQ(form1.Image1().size(), QSize(40, 30));
  EXPECT_EQ(ShownPixels(), PixelBytes(MakeGreyBitmap(40, 30)));
  EXPECT_EQ(form1.Image1().ShownImage().size(), QSize(40, 30));

  // The dialog starts from its own last choice the next time.
  dialogs.Answer("OpenPictureDialog1", std::nullopt);
  Click("Button1");
  ASSERT_EQ(dialogs.Calls.size(), 2u);
  EXPECT_EQ(dialogs.Calls[1].StartName, path);
  EXPECT_EQ(dialogs.Calls[1].Kind, TFileDialogKind::fdOpen);
}

TEST_F(MainWindowTest, CancellingTheOpenDialogChangesNothing) {
  dialogs.Answer("OpenPictureDialog1", std::nullopt);
  Click("Button1");
  EXPECT_TRUE(errors.Shown.empty());
  EXPECT_FALSE(MakeSoundEnabled());
  EXPECT_TRUE(form1.Image1().Picture().Empty());
}

struct TFailedLoad {
  const char* Name;
  const char* FileName;
  // Writes the file; nullptr leaves it missing.
  void (*Write)(const std::string& path);
  std::function<std::string(const std::string& path)> Message;
};

class MainWindowFailedLoadTest : public MainWindowTest, public ::testing::WithParamInterface<TFailedLoad> {};

TEST_P(MainWindowFailedLoadTest, LeavesPictureAndButtonAsTheyWereAndShowsTheError) {
  const std::string good = folder.Path("good.bmp");
  WriteBitmapFile(good, 12, 9, 5);
  dialogs.Answer("OpenPictureDialog1", good);
  Click("Button1");
  ASSERT_TRUE(MakeSoundEnabled());
  const std::vector<std::uint8_t> before = ShownPixels();

  const std::string bad = folder.Path(GetParam().FileName);
  if (GetParam().Write != nullptr) GetParam().Write(bad);
  dialogs.Answer("OpenPictureDialog1", bad);
  Click("Button1");

  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], GetParam().Message(bad));
  EXPECT_TRUE(MakeSoundEnabled());
  EXPECT_EQ(ShownPixels(), before);
  EXPECT_EQ(form1.Image1().size(), QSize(12, 9));
}

void WriteGarbage(const std::string& path) {
  std::ofstream(path, std::ios::binary) << "not a bitmap at all";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, MainWindowFailedLoadTest,
    ::testing::Values(
        TFailedLoad{"UnknownExtension", "picture.Xyz", WriteGarbage,
                    [](const std::string&) { return FormatMessage(kSUnknownExtension, {"Xyz"}) + "."; }},
        TFailedLoad{"NoExtension", "picture", WriteGarbage,
                    [](const std::string&) { return FormatMessage(kSUnknownExtension, {""}) + "."; }},
        TFailedLoad{"MissingFile", "missing.bmp", nullptr,
                    [](const std::string& path) {
                      // The open error quotes the full path and ends in a blank, so no period follows.
                      return FormatMessage(kSFOpenErrorEx, {path, "No such file or directory"});
                    }},
        TFailedLoad{"NotABitmap", "broken.bmp", WriteGarbage,
                    [](const std::string&) { return std::string(kSInvalidBitmap) + "."; }}),
    TByName());

TEST_F(MainWindowTest, MakingASoundWritesTheFileAndLeavesThePictureAsShown) {
  const std::string picture = folder.Path("picture.bmp");
  WriteBitmapFile(picture, 10, 5);
  dialogs.Answer("OpenPictureDialog1", picture);
  Click("Button1");
  const std::vector<std::uint8_t> before = ShownPixels();
  Control<QCheckBox>("CheckBox2")->setChecked(true);
  Control<QCheckBox>("CheckBox3")->setChecked(true);

  const std::string wave = folder.Path("out.wav");
  Control<QLineEdit>("Edit1")->setText(QString::fromStdString(wave));
  Click("Button2");

  EXPECT_TRUE(errors.Shown.empty()) << errors.Shown.front();
  // 44 header bytes, then 10 columns of 2 × 8 samples of 2 bytes.
  EXPECT_EQ(QFileInfo(QString::fromStdString(wave)).size(), 44 + 10 * 16 * 2);
  EXPECT_EQ(ShownPixels(), before);
  EXPECT_EQ(Control<QProgressBar>("ProgressBar1")->value(), 0);
}

TEST_F(MainWindowTest, TheDefaultPathFailsWithTheFileCreationErrorAndCreatesNoFile) {
  const std::string picture = folder.Path("picture.bmp");
  WriteBitmapFile(picture, 4, 4);
  dialogs.Answer("OpenPictureDialog1", picture);
  Click("Button1");
  Click("Button2");

  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0].rfind("ファイル \"X:\\ombrisk.wav\" を作成できません。", 0), 0u) << errors.Shown[0];
  EXPECT_FALSE(QFileInfo::exists(QStringLiteral("X:\\ombrisk.wav")));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.Path("X:\\ombrisk.wav"))));
  EXPECT_EQ(Control<QLineEdit>("Edit1")->text(), QStringLiteral("X:\\ombrisk.wav"));
  EXPECT_TRUE(MakeSoundEnabled());
}

TEST_F(MainWindowTest, PathButtonSetsThePathFromItsDialogWhichRemembersItsOwnChoice) {
  dialogs.Answer("SaveDialog1", "/tmp/first.wav");
  Click("SpeedButton1");
  EXPECT_EQ(Control<QLineEdit>("Edit1")->text(), QStringLiteral("/tmp/first.wav"));

  // Edited by hand; the dialog still starts from its last choice, and cancelling keeps the text.
  Control<QLineEdit>("Edit1")->setText(QStringLiteral("typed.wav"));
  dialogs.Answer("SaveDialog1", std::nullopt);
  Click("SpeedButton1");
  EXPECT_EQ(Control<QLineEdit>("Edit1")->text(), QStringLiteral("typed.wav"));
  ASSERT_EQ(dialogs.Calls.size(), 2u);
  EXPECT_EQ(dialogs.Calls[0].StartName, "");
  EXPECT_EQ(dialogs.Calls[1].StartName, "/tmp/first.wav");
  EXPECT_TRUE(errors.Shown.empty());
}

TEST_F(MainWindowTest, LogDoesNothing) {
  const QString path = Control<QLineEdit>("Edit1")->text();
  Click("Button4");
  EXPECT_TRUE(errors.Shown.empty());
  EXPECT_TRUE(dialogs.Calls.empty());
  EXPECT_FALSE(MakeSoundEnabled());
  EXPECT_EQ(Control<QLineEdit>("Edit1")->text(), path);
  EXPECT_FALSE(windows.Forms().Form2->isVisible());
  EXPECT_FALSE(windows.Forms().Form3->isVisible());
}

TEST_F(MainWindowTest, PreviewPassesThePathAsTypedAndAnalysesWithoutAClick) {
  const std::string wave = folder.Path("typed by hand.wav");
  WriteWaveFile(wave, 8, 64);
  Control<QLineEdit>("Edit1")->setText(QString::fromStdString(wave));
  TForm2& form2 = *windows.Forms().Form2;

  bool sawPath = false;
  const bool analysed = RunModalUntil(
      form2, [&] { Click("Button3"); },
      [&] {
        sawPath = form2.Edit1().text().toStdString() == wave;
        return form2.isModal() && !form2.Image1().Picture().Empty();
      });
  EXPECT_TRUE(analysed);
  EXPECT_TRUE(sawPath);
  EXPECT_FALSE(form2.isVisible());
  EXPECT_TRUE(errors.Shown.empty());
}

TEST_F(MainWindowTest, VersionShowsTheVersionWindowModally) {
  TForm3& form3 = *windows.Forms().Form3;
  EXPECT_TRUE(RunModalUntil(form3, [&] { Click("Button5"); }, [&] { return form3.isModal(); }));
  EXPECT_FALSE(form3.isVisible());
}

}  // namespace
}  // namespace ombrisk::testing
