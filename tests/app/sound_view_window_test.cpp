// The viewer window: its picture is the CLI's for the same view, the keys zoom and pan as the view
// functions say, Space plays what is in view, a bad file leaves the picture as it was, and the ways
// it opens (`ombrisk FILE`, --view, the preview's "&View...").
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/sound_view_window.h"
#include "app/start_up.h"
#include "app/view_playback.h"
#include "app/view_plot.h"
#include "app/view_reprojection.h"
#include "app_test_support.h"
#include "tests/support/fake_audio_sink.h"

namespace ombrisk {

// Failures print the view, not its bytes.
void PrintTo(const TSoundView& view, std::ostream* out) {
  *out << view.FromSeconds << " … " << view.ToSeconds << " s, " << view.LowHz << " … " << view.HighHz << " Hz"
       << (view.LogFrequency ? " log" : "") << ", channel " << view.Channel << ", " << view.Width << " × "
       << view.Height;
}

namespace testing {
namespace {

constexpr int kRenderWaitMs = 20000;

// A wave of 0.58 s at 44100 Hz (200 blocks of 128 samples): long enough to zoom and pan in.
std::string MakeSound(const TScratchFolder& folder, const std::string& name = "tone.wav") {
  const std::string path = folder.Path(name);
  WriteWaveFile(path, 200, 64);
  return path;
}

std::string Exact(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

class SoundViewWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    viewer.resize(720, 460);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
  }
  bool WaitExact() { return QTest::qWaitFor([&] { return viewer.Exact(); }, kRenderWaitMs); }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(&viewer, key, modifiers); }
  TRecordingInfo Info() const { return TRecordingReader(viewer.Path(), 0).Info(); }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TFakeAudioSink* sink = new TFakeAudioSink;  // owned by the window
  TSoundViewWindow viewer{TUiServices{errors, dialogs}, std::unique_ptr<TAudioSink>(sink)};
  TScratchFolder folder;
};

TEST_F(SoundViewWindowTest, ShowsWhatTheCliDrawsForTheSameViewAfterQuickSteps) {
  const std::string sound = MakeSound(folder);
  ASSERT_TRUE(viewer.OpenFile(sound));
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("tone.wav \u2014 Ombrisk"));
  ASSERT_TRUE(WaitExact());
  const TRecordingInfo info = Info();
  EXPECT_EQ(viewer.View(), WholeSoundView(info, viewer.View().Width, viewer.View().Height));
  const int firstWidth = viewer.View().Width;
  // Resized, then steps faster than a render: each cancels the one before, none may leak into the last.
  viewer.resize(820, 500);
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.View().Width != firstWidth; }));
  Press(Qt::Key_Plus);
  Press(Qt::Key_Plus, Qt::ControlModifier);
  Press(Qt::Key_Right);
  QTest::mouseClick(Find<QWidget>(viewer, "LogFrequencyBox"), Qt::LeftButton);
  ASSERT_TRUE(WaitExact());
  const TSoundView view = viewer.View();
  ASSERT_TRUE(view.LogFrequency);
  ASSERT_GT(view.FromSeconds, 0);
  EXPECT_EQ(viewer.Figure().size(), Find<TViewPlot>(viewer, "ViewPlot")->size()) << "the figure fills the window";

  const QString figure = QString::fromStdString(folder.Path("figure.png"));
  QProcess cli;
  cli.start(QStringLiteral(OMBRISK_CLI),
            {QStringLiteral("view"), QString::fromStdString(sound), figure, QStringLiteral("--quiet"),
             QStringLiteral("--width"), QString::number(view.Width), QStringLiteral("--height"),
             QString::number(view.Height), QStringLiteral("--from"), QString::fromStdString(Exact(view.FromSeconds)),
             QStringLiteral("--to"), QString::fromStdString(Exact(view.ToSeconds)), QStringLiteral("--low-hz"),
             QString::fromStdString(Exact(view.LowHz)), QStringLiteral("--high-hz"),
             QString::fromStdString(Exact(view.HighHz)), QStringLiteral("--log-frequency")});
  ASSERT_TRUE(cli.waitForFinished(kRenderWaitMs));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const QImage drawn(figure);
  ASSERT_FALSE(drawn.isNull());
  const QImage shown = viewer.Figure().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), drawn.size());
  EXPECT_TRUE(shown == drawn.convertToFormat(QImage::Format_RGB32)) << "the window's picture differs from the CLI's";
  EXPECT_TRUE(errors.Shown.empty());
}

struct TKeyCase {
  const char* Name;
  friend void PrintTo(const TKeyCase& key, std::ostream* out) { *out << key.Name; }
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
  std::function<TSoundView(const TSoundView&, const TRecordingInfo&)> Expected;
};

class ViewKeysTest : public SoundViewWindowTest, public ::testing::WithParamInterface<TKeyCase> {};

TEST_P(ViewKeysTest, ChangeTheViewAsTheViewFunctionsSay) {
  ASSERT_TRUE(viewer.OpenFile(MakeSound(folder)));
  // Zoomed in both ways first, so that every pan has room to go.
  Press(Qt::Key_Plus);
  Press(Qt::Key_Plus);
  Press(Qt::Key_Plus, Qt::ControlModifier);
  Press(Qt::Key_Left);
  Press(Qt::Key_Down);
  const TSoundView before = viewer.View();
  ASSERT_GT(before.FromSeconds, 0);
  ASSERT_GT(before.LowHz, 0);
  Press(GetParam().Key, GetParam().Modifiers);
  const TSoundView expected = GetParam().Expected(before, Info());
  EXPECT_DOUBLE_EQ(viewer.View().FromSeconds, expected.FromSeconds);
  EXPECT_DOUBLE_EQ(viewer.View().ToSeconds, expected.ToSeconds);
  EXPECT_DOUBLE_EQ(viewer.View().LowHz, expected.LowHz);
  EXPECT_DOUBLE_EQ(viewer.View().HighHz, expected.HighHz);
  EXPECT_TRUE(errors.Shown.empty());
}

TSoundView Panned(const TSoundView& view, const TRecordingInfo& info, double dxShare, double dyShare) {
  return PanView(view, dxShare * view.Width, dyShare * view.Height, info);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ViewKeysTest,
    ::testing::Values(
        TKeyCase{"Plus", Qt::Key_Plus, Qt::NoModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) { return ZoomTime(v, kViewKeyZoom, v.Width / 2.0, i); }},
        TKeyCase{"Minus", Qt::Key_Minus, Qt::NoModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) { return ZoomTime(v, 1 / kViewKeyZoom, v.Width / 2.0, i); }},
        TKeyCase{"CtrlMinusZoomsTheBand", Qt::Key_Minus, Qt::ControlModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) {
                   return ZoomFrequency(v, 1 / kViewKeyZoom, v.Height / 2.0, i);
                 }},
        // Left brings earlier times into view, Up higher frequencies.
        TKeyCase{"Left", Qt::Key_Left, Qt::NoModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) { return Panned(v, i, kViewKeyPanShare, 0); }},
        TKeyCase{"Right", Qt::Key_Right, Qt::NoModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) { return Panned(v, i, -kViewKeyPanShare, 0); }},
        TKeyCase{"Up", Qt::Key_Up, Qt::NoModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) { return Panned(v, i, 0, kViewKeyPanShare); }},
        TKeyCase{"Down", Qt::Key_Down, Qt::NoModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) { return Panned(v, i, 0, -kViewKeyPanShare); }},
        TKeyCase{"HomeShowsTheWhole", Qt::Key_Home, Qt::NoModifier,
                 [](const TSoundView& v, const TRecordingInfo& i) { return WholeSoundView(i, v.Width, v.Height); }}),
    TByName());

TEST_F(SoundViewWindowTest, WheelZoomsAboutThePointerAndDraggingPans) {
  ASSERT_TRUE(viewer.OpenFile(MakeSound(folder)));
  auto* plot = Find<TViewPlot>(viewer, "ViewPlot");
  const QPoint plotLeftTop = plot->PlotRect().topLeft();
  const auto wheel = [&](QPoint plotPixel, Qt::KeyboardModifiers modifiers, int notches) {
    const QPointF at = plotPixel + plotLeftTop;
    QWheelEvent event(at, plot->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, modifiers, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(plot, &event);
  };
  const auto mouse = [&](QEvent::Type type, QPoint plotPixel, Qt::MouseButtons held) {
    const QPointF at = plotPixel + plotLeftTop;
    QMouseEvent event(type, at, plot->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &event);
  };
  const TRecordingInfo info = Info();
  TSoundView expected = ZoomTime(viewer.View(), kViewWheelZoom * kViewWheelZoom, 100, info);
  wheel({100, 40}, Qt::NoModifier, 2);
  EXPECT_EQ(viewer.View(), expected);
  expected = ZoomFrequency(expected, kViewWheelZoom, 30, info);
  wheel({100, 30}, Qt::ShiftModifier, 1);
  EXPECT_EQ(viewer.View(), expected);
  mouse(QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
  mouse(QEvent::MouseMove, {90, 20}, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, {90, 20}, Qt::NoButton);
  expected = PanView(expected, 40, -30, info);
  EXPECT_EQ(viewer.View(), expected);
  EXPECT_TRUE(errors.Shown.empty());
}

TEST_F(SoundViewWindowTest, SpacePlaysWhatIsInViewAndStops) {
  ASSERT_TRUE(viewer.OpenFile(MakeSound(folder)));
  Press(Qt::Key_Plus);
  Press(Qt::Key_Right);
  const TSoundView view = viewer.View();
  Press(Qt::Key_Space);
  ASSERT_TRUE(sink->Playing());
  EXPECT_EQ(sink->StartSample, std::llround(view.FromSeconds * 44100));
  EXPECT_EQ(sink->PullAll().size(), static_cast<std::size_t>(std::llround(view.ToSeconds * 44100) - sink->StartSample));
  Press(Qt::Key_Space);
  EXPECT_FALSE(sink->Playing());
  EXPECT_TRUE(errors.Shown.empty());
}

// The first picture of a step: each pixel the computed one at its time and frequency.
TEST(ReprojectLevelsTest, TakesThePixelAtTheSameTimeAndFrequencyAndSilenceBeyond) {
  TRecordingInfo info;
  info.SampleRateHz = 8000;
  info.Channels = 1;
  info.Frames = 8000;
  const TSoundView whole = WholeSoundView(info, 40, 20);
  TViewLevels levels = SilentLevels(40, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) levels.At(x, y) = static_cast<float>(-(x * 100 + y));
  }
  levels.ColumnsDone = 30;  // the last ten columns not computed yet
  TSoundView zoomed = whole;  // 0.25 … 1 s, 1000 … 3000 Hz, twice as many rows
  zoomed.FromSeconds = 0.25;
  zoomed.ToSeconds = 1.0;
  zoomed.LowHz = 1000;
  zoomed.HighHz = 3000;
  zoomed.Height = 40;
  const TViewLevels moved = ReprojectLevels(levels, whole, zoomed);
  ASSERT_EQ(moved.Width, 40);
  ASSERT_EQ(moved.Height, 40);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      // Column x covers 0.25 + 0.75 (x + 0.5) / 40 s, 40 columns a second in the whole view.
      const int column = static_cast<int>(std::floor((0.25 + 0.75 * (x + 0.5) / 40) * 40));
      // Row y covers 3000 − 50 (y + 0.5) Hz, 200 Hz a row from 4000 Hz down in the whole view.
      const int row = static_cast<int>(std::floor((4000 - (3000 - 50 * (y + 0.5))) / 200));
      const float expected = column < 30 ? static_cast<float>(-(column * 100 + row)) : kSilenceDb;
      ASSERT_EQ(moved.At(x, y), expected) << "pixel " << x << ", " << y;
    }
  }
}

struct TBadFile {
  const char* Name;
  friend void PrintTo(const TBadFile& file, std::ostream* out) { *out << file.Name; }
  const char* FileName;
  std::optional<std::string> Bytes;  // none: no such file
};

class BadFileTest : public SoundViewWindowTest, public ::testing::WithParamInterface<TBadFile> {};

TEST_P(BadFileTest, ShowsTheErrorNamingTheFileAndKeepsThePicture) {
  const std::string sound = MakeSound(folder);
  ASSERT_TRUE(viewer.OpenFile(sound));
  ASSERT_TRUE(WaitExact());
  const QImage before = viewer.Figure();
  const TSoundView view = viewer.View();
  const std::string bad = folder.Path(GetParam().FileName);
  if (GetParam().Bytes) std::ofstream(bad, std::ios::binary) << *GetParam().Bytes;

  EXPECT_FALSE(viewer.OpenFile(bad));
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_NE(errors.Shown[0].find(bad), std::string::npos) << errors.Shown[0];
  EXPECT_EQ(viewer.Path(), sound);
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("tone.wav \u2014 Ombrisk"));
  EXPECT_EQ(viewer.View(), view);
  EXPECT_TRUE(viewer.Figure() == before);
  QTest::qWait(50);
  EXPECT_TRUE(viewer.Figure() == before) << "a render started after all";
}

INSTANTIATE_TEST_SUITE_P(Files, BadFileTest,
                         ::testing::Values(TBadFile{"Missing", "missing.flac", std::nullopt},
                                           TBadFile{"NotSound", "notes.txt", "not a sound at all, only words\n"},
                                           // A 16-bit mono header whose data chunk holds nothing.
                                           TBadFile{"NoSamples", "empty.wav",
                                                    std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0"
                                                                "\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0"
                                                                "data\0\0\0\0",
                                                                44)}),
                         TByName());

struct TStartCase {
  const char* Name;
  friend void PrintTo(const TStartCase& start, std::ostream* out) { *out << start.Name; }
  std::vector<std::string> Args;  // "@" stands for the scratch folder
  bool Viewer;
};

class StartWindowTest : public ::testing::TestWithParam<TStartCase> {
protected:
  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  TScratchFolder folder;
};

TEST_P(StartWindowTest, ASoundOpensTheViewerAndAPictureTheMainWindow) {
  MakeSound(folder, "tone.wav");
  MakeSound(folder, "tone.dat");   // a sound by its bytes, whatever its name
  MakeSound(folder, "sound.png");  // a picture by its name: the main window says what is wrong
  WriteBitmapFile(folder.Path("photo.bmp"), 21, 13, 4);
  std::vector<std::string> args;
  for (const std::string& arg : GetParam().Args) args.push_back(arg.front() == '@' ? folder.Path(arg.substr(1)) : arg);
  const TCommandLine commandLine = ParseCommandLine(args);
  ASSERT_EQ(commandLine.Request, TCommandLine::TRequest::Run);
  ShowStartWindows(windows, commandLine);
  QCoreApplication::processEvents();

  TSoundViewWindow& viewer = *windows.Forms().Viewer;
  TForm1& form1 = *windows.Forms().Form1;
  EXPECT_EQ(viewer.isVisible(), GetParam().Viewer);
  EXPECT_EQ(form1.isVisible(), !GetParam().Viewer);
  if (GetParam().Viewer) {
    EXPECT_EQ(viewer.Path(), args.back());
    EXPECT_TRUE(errors.Shown.empty());
  } else {
    EXPECT_TRUE(viewer.Path().empty());
  }
  viewer.close();
  form1.close();
}

INSTANTIATE_TEST_SUITE_P(CommandLines, StartWindowTest,
                         ::testing::Values(TStartCase{"Sound", {"@tone.wav"}, true},
                                           TStartCase{"SoundByItsBytes", {"@tone.dat"}, true},
                                           TStartCase{"ViewOption", {"--view", "@sound.png"}, true},
                                           TStartCase{"Picture", {"@photo.bmp"}, false},
                                           TStartCase{"PictureByItsName", {"@sound.png"}, false}),
                         TByName());

TEST(PreviewViewButtonTest, SitsInFreeSpaceAndOpensTheViewerOnThePreviewsFile) {
  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  const TScratchFolder folder;
  TForm2& form2 = *windows.Forms().Form2;
  auto* view = Find<QPushButton>(form2, "ViewButton");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->text(), QStringLiteral("&View..."));
  for (const QWidget* other : view->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (other != view) {
      EXPECT_FALSE(other->geometry().intersects(view->geometry())) << other->objectName().toStdString();
    }
  }
  EXPECT_LE(view->geometry().right(), kForm2ClientWidth - 1);

  const std::string sound = MakeSound(folder);
  form2.Edit1().setText(QString::fromStdString(sound));
  const bool opened = RunModalUntil(
      form2, [&] { form2.exec(); },
      [&] {
        if (!view->isEnabled() || windows.Forms().Viewer->isVisible()) return windows.Forms().Viewer->isVisible();
        view->click();
        return false;
      });
  EXPECT_TRUE(opened);
  TSoundViewWindow& viewer = *windows.Forms().Viewer;
  EXPECT_EQ(viewer.Path(), sound);
  EXPECT_EQ(viewer.windowModality(), Qt::ApplicationModal) << "over the modal preview, it must take input";
  EXPECT_TRUE(errors.Shown.empty());
  viewer.close();
  EXPECT_EQ(viewer.windowModality(), Qt::NonModal) << "opened again by itself, it would block the main window";
}

}  // namespace
}  // namespace testing
}  // namespace ombrisk

namespace ombrisk::testing {
namespace {

// "Export for editing..." writes the file `ombrisk-cli analyze --decode --editable` writes.
TEST_F(SoundViewWindowTest, ExportForEditingWritesTheClisEditablePicture) {
  QPushButton* exportButton = Find<QPushButton>(viewer, "ExportButton");
  EXPECT_EQ(exportButton->text(), QStringLiteral("Export for editing..."));
  EXPECT_FALSE(exportButton->isEnabled());
  const std::string sound = MakeSound(folder);
  ASSERT_TRUE(viewer.OpenFile(sound));
  const std::string exported = folder.Path("exported.png");
  dialogs.Answer("ExportDialog", exported);
  exportButton->click();
  ASSERT_TRUE(errors.Shown.empty()) << errors.Shown.front();

  const std::string drawn = folder.Path("drawn.png");
  QProcess cli;
  cli.start(QStringLiteral(OMBRISK_CLI), {QStringLiteral("analyze"), QString::fromStdString(sound),
                                          QString::fromStdString(drawn), QStringLiteral("--decode"),
                                          QStringLiteral("--editable")});
  ASSERT_TRUE(cli.waitForFinished(kRenderWaitMs));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const std::vector<std::uint8_t> bytes = ReadFileBytes(exported);
  EXPECT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes, ReadFileBytes(drawn));
}

}  // namespace
}  // namespace ombrisk::testing
