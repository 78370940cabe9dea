// The keys as a person types them, under a real X server: xdotool sends them through the server
// (XTEST), and Qt's xcb platform receives them as from a keyboard, shortcut map and all. Run by
// run_under_xvfb.sh, which starts the server and skips the test where it cannot.
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "app/image_control.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/sound_view_window.h"
#include "app/start_up.h"
#include "app_test_support.h"

namespace ombrisk::testing {
namespace {

// Types keys ("alt+l", "Return") into whichever window has the server's input focus.
void Type(const char* keys) {
  ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(keys)}), 0)
      << "xdotool key " << keys;
}

class X11KeysTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs the xcb platform";
    form1.show();
    form1.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form1));
  }
  int OpenDialogRuns() const {
    return static_cast<int>(std::count_if(dialogs.Calls.begin(), dialogs.Calls.end(),
                                          [](const TDialogCall& call) { return call.Name == "OpenPictureDialog1"; }));
  }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  TForm1& form1 = *windows.Forms().Form1;
  TScratchFolder folder;
};

TEST_F(X11KeysTest, AltLOpensThePictureDialogEveryTimeAndLeavesInvertLuminanceAlone) {
  // "&Load Picture" and "Invert &Luminance" share the letter; the button comes first.
  for (int press = 1; press <= 2; ++press) {
    Type("alt+l");
    EXPECT_TRUE(QTest::qWaitFor([&] { return OpenDialogRuns() == press; }, 3000)) << "press " << press;
  }
  EXPECT_TRUE(Find<QCheckBox>(form1, "CheckBox1")->isChecked());
}

TEST_F(X11KeysTest, EnterOnTheFocusedSaveButtonOfThePreviewSaves) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  TForm2& form2 = *windows.Forms().Form2;
  form2.Edit1().setText(QString::fromStdString(wave));
  dialogs.Answer("SaveDialog1", std::nullopt);
  bool typed = false;
  const bool saved = RunModalUntil(
      form2, [&] { form2.exec(); },
      [&] {
        if (form2.Image1().Picture().Empty() || !form2.isActiveWindow()) return false;
        if (!typed) {
          typed = true;
          Find<QPushButton>(form2, "Button2")->setFocus();
          Type("Return");
        }
        return !dialogs.Calls.empty();
      });
  EXPECT_TRUE(saved);
  ASSERT_EQ(dialogs.Calls.size(), 1u);
  EXPECT_EQ(dialogs.Calls[0].Name, "SaveDialog1");
  EXPECT_TRUE(errors.Shown.empty());
}

TEST_F(X11KeysTest, PlusAndHomeTypedIntoTheViewerZoomAndShowTheWholeAgain) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 64, 64);
  TSoundViewWindow& viewer = *windows.Forms().Viewer;
  viewer.show();
  viewer.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
  ASSERT_TRUE(viewer.OpenFile(wave));
  const TSoundView whole = viewer.View();
  Type("plus");
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer.View().ToSeconds < whole.ToSeconds; }, 3000));
  Type("Home");
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer.View() == whole; }, 3000));
  EXPECT_TRUE(errors.Shown.empty());
  viewer.close();
}

}  // namespace
}  // namespace ombrisk::testing
