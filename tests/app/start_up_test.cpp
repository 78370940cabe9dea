// The desktop program's command line, and the picture it names loaded once the main window is up.
#include <QCoreApplication>
#include <QPushButton>

#include "app/command_line.h"
#include "app/image_control.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "app_test_support.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk::testing {
namespace {

struct TCommandLineCase {
  const char* Name;
  std::vector<std::string> Args;
  TCommandLine::TRequest Request;
  std::optional<std::string> Picture;
};

class CommandLineTest : public ::testing::TestWithParam<TCommandLineCase> {};

TEST_P(CommandLineTest, AsksForWhatTheArgumentsSay) {
  const TCommandLine commandLine = ParseCommandLine(GetParam().Args);
  EXPECT_EQ(commandLine.Request, GetParam().Request);
  EXPECT_EQ(commandLine.Picture, GetParam().Picture);
  EXPECT_EQ(commandLine.Problem.empty(), GetParam().Request != TCommandLine::TRequest::Usage);
}

using TRequest = TCommandLine::TRequest;
INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(TCommandLineCase{"None", {}, TRequest::Run, std::nullopt},
                      TCommandLineCase{"Picture", {"photo.jpg"}, TRequest::Run, "photo.jpg"},
                      TCommandLineCase{"PictureAfterOptionsEnd", {"--", "-dash.png"}, TRequest::Run, "-dash.png"},
                      TCommandLineCase{"Version", {"--version"}, TRequest::Version, std::nullopt},
                      TCommandLineCase{"Help", {"--help"}, TRequest::Help, std::nullopt},
                      TCommandLineCase{"VersionWithPicture", {"--version", "a.png"}, TRequest::Usage, std::nullopt},
                      TCommandLineCase{"TwoPictures", {"a.png", "b.png"}, TRequest::Usage, std::nullopt},
                      TCommandLineCase{"UnknownOption", {"-platform"}, TRequest::Usage, std::nullopt},
                      TCommandLineCase{"ViewWithoutSound", {"--view"}, TRequest::Usage, std::nullopt},
                      TCommandLineCase{"ViewAndPicture", {"--view", "a.flac", "b.png"}, TRequest::Usage, std::nullopt},
                      TCommandLineCase{"PictureAndView", {"b.png", "--view", "a.flac"}, TRequest::Usage, std::nullopt}),
    TByName());

class StartPictureTest : public ::testing::Test {
protected:
  bool MakeSoundEnabled() { return Find<QPushButton>(form1, "Button2")->isEnabled(); }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  TForm1& form1 = *windows.Forms().Form1;
  TScratchFolder folder;
};

TEST_F(StartPictureTest, IsLoadedOnceTheWindowIsUpWithoutTheDialog) {
  const std::string path = folder.Path("photo.bmp");
  WriteBitmapFile(path, 21, 13, 4);
  ShowMainWindow(windows, path);
  EXPECT_TRUE(form1.isVisible());
  EXPECT_TRUE(form1.Image1().Picture().Empty()) << "loaded before the event loop ran";

  QCoreApplication::processEvents();
  EXPECT_TRUE(errors.Shown.empty());
  EXPECT_TRUE(MakeSoundEnabled());
  EXPECT_EQ(PixelBytes(form1.Image1().Picture()), PixelBytes(MakeGreyBitmap(21, 13, 4)));
  EXPECT_EQ(form1.Image1().size(), QSize(21, 13));
  EXPECT_TRUE(dialogs.Calls.empty());
  EXPECT_TRUE(form1.OpenPictureDialog1().FileName.empty());
}

TEST_F(StartPictureTest, ThatFailsIsReportedInTheErrorBoxAndLeavesTheWindowAsStarted) {
  const std::string path = folder.Path("missing.png");
  ShowMainWindow(windows, path);
  QCoreApplication::processEvents();

  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], FormatMessage(kSFOpenErrorEx, {path, "No such file or directory"}));
  EXPECT_FALSE(MakeSoundEnabled());
  EXPECT_TRUE(form1.Image1().Picture().Empty());
  EXPECT_TRUE(form1.isVisible());
}

}  // namespace
}  // namespace ombrisk::testing
