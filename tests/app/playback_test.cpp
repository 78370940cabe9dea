// Playing from the preview window with a fake sound device: the "&Play" button and its states, the
// playhead over the spectrogram (own size and stretched), clicks on it, and every way playing stops.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "app/image_control.h"
#include "app/playback_controls.h"
#include "app/preview_window.h"
#include "app/speed_button.h"
#include "app_test_support.h"
#include "tests/support/fake_audio_sink.h"

namespace ombrisk::testing {
namespace {

class PlaybackTest : public ::testing::Test {
protected:
  template <typename Widget>
  Widget* Control(const char* name) {
    return Find<Widget>(form2, name);
  }
  QPushButton& Play() { return *Control<QPushButton>("PlayButton"); }
  const QWidget& Playhead() { return form2.Playback().Playhead(); }
  // Shows the window on a wave of width blocks of 128 samples and waits for the analysis it runs
  // by itself, at 128 samples a column: width columns.
  void ShowAnalysed(int width) {
    const std::string wave = folder.Path("a.wav");
    WriteWaveFile(wave, width, 64);
    form2.Edit1().setText(QString::fromStdString(wave));
    Control<QComboBox>("ComboBox2")->setCurrentIndex(0);
    form2.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form2.Image1().Picture().Width() == width; }, 10000));
  }
  // Lets the playhead's timer run until it has caught up with the device.
  bool TicksUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 2000); }
  void ClickImage(int x) {
    QTest::mouseClick(const_cast<TImage*>(&form2.Image1()), Qt::LeftButton, {}, QPoint(x, 5));
  }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TFakeAudioSink* sink = new TFakeAudioSink;  // owned by the window
  TForm2 form2{TUiServices{errors, dialogs}, std::unique_ptr<TAudioSink>(sink)};
  TScratchFolder folder;
};

TEST_F(PlaybackTest, TheButtonSitsBottomLeftAndWaitsForASpectrogram) {
  EXPECT_FALSE(Play().isEnabled());
  ShowAnalysed(8);
  const QRect save = Control<QPushButton>("Button2")->geometry();
  const QRect play = Play().geometry();
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  EXPECT_EQ(play.left(), 11);
  EXPECT_EQ(play.top(), save.top());
  EXPECT_EQ(play.height(), save.height());
  EXPECT_LT(play.right(), save.left());
  EXPECT_TRUE(Play().isEnabled());
  EXPECT_TRUE(Play().toolTip().isEmpty());
  EXPECT_FALSE(Playhead().isVisible());
  form2.hide();
}

TEST_F(PlaybackTest, WithoutADeviceTheButtonIsDisabledAndSaysWhy) {
  sink->HasDevice = false;
  ShowAnalysed(8);
  EXPECT_FALSE(Play().isEnabled());
  EXPECT_EQ(Play().toolTip(), QStringLiteral("No audio output device"));
  ClickImage(3);
  EXPECT_EQ(sink->Starts, 0);
  EXPECT_TRUE(errors.Shown.empty());
  form2.hide();
}

TEST_F(PlaybackTest, PlayShowsThePlayheadOnTheColumnHeardAndPressingAgainStops) {
  ShowAnalysed(8);
  Play().click();
  ASSERT_TRUE(sink->Playing());
  EXPECT_EQ(sink->StartSample, 0);
  EXPECT_EQ(Play().text(), QStringLiteral("&Stop"));
  EXPECT_TRUE(Playhead().isVisible());
  EXPECT_EQ(Playhead().geometry(), QRect(0, 0, 1, 64));

  sink->Heard = 5 * 128 + 127;  // the last sample of column 5
  EXPECT_TRUE(TicksUntil([&] { return Playhead().x() == 5; }));
  Play().click();
  EXPECT_FALSE(sink->Playing());
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  EXPECT_FALSE(Playhead().isVisible());
  EXPECT_TRUE(errors.Shown.empty());
  form2.hide();
}

TEST_F(PlaybackTest, AltPPressesIt) {
  ShowAnalysed(8);
  // Through the window system, where Qt looks up accelerators.
  form2.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form2));
  QTest::keyClick(form2.windowHandle(), Qt::Key_P, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return sink->Playing(); }, 2000));  // an accelerator clicks a moment later
  form2.hide();
}

TEST_F(PlaybackTest, AClickPlaysFromTheColumnUnderItAlsoWhenStretched) {
  ShowAnalysed(8);
  ClickImage(3);
  ASSERT_TRUE(sink->Playing());
  EXPECT_EQ(sink->StartSample, 3 * 128);
  EXPECT_EQ(Playhead().x(), 3);

  // Stretched over the view: 8 columns across its whole width.
  QTest::mouseClick(Control<TSpeedButton>("SpeedButton2"), Qt::LeftButton);
  QCoreApplication::processEvents();
  const int width = form2.Image1().width();
  ASSERT_GT(width, 8 * 10);
  EXPECT_EQ(Playhead().x(), (3 * width + 7) / 8);
  EXPECT_EQ(Playhead().height(), form2.Image1().height());
  ClickImage(width * 6 / 8 + 2);
  EXPECT_EQ(sink->StartSample, 6 * 128);
  EXPECT_EQ(Playhead().x(), (6 * width + 7) / 8);
  form2.hide();
}

TEST_F(PlaybackTest, TheViewFollowsThePlayhead) {
  ShowAnalysed(2000);
  QScrollBar* bar = Control<QScrollArea>("ScrollBox1")->horizontalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  Play().click();
  sink->Heard = 1500 * 128;
  EXPECT_TRUE(TicksUntil([&] { return Playhead().x() == 1500; }));
  EXPECT_GT(bar->value(), 1500 - Control<QScrollArea>("ScrollBox1")->viewport()->width());
  EXPECT_LE(bar->value(), 1500);
  form2.hide();
}

TEST_F(PlaybackTest, ClosingTheWindowStops) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  const bool played = RunModalUntil(
      form2, [&] { form2.exec(); },
      [&] {
        if (form2.Image1().Picture().Empty()) return false;
        if (!sink->Playing()) Play().click();
        return sink->Playing();
      });
  ASSERT_TRUE(played);
  EXPECT_FALSE(form2.isVisible());
  EXPECT_FALSE(sink->Playing());
  EXPECT_EQ(sink->Stops, 1);
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
}

TEST_F(PlaybackTest, ANewAnalysisStopsAndTheNewPictureIsPlayedAtItsOwnSampleSize) {
  ShowAnalysed(8);
  Play().click();
  ASSERT_TRUE(sink->Playing());
  Control<QComboBox>("ComboBox2")->setCurrentIndex(1);  // 256 a column: 4 columns
  Control<QPushButton>("Button1")->click();
  EXPECT_FALSE(sink->Playing());
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  ClickImage(2);
  EXPECT_EQ(sink->StartSample, 2 * 256);
  // The list changes nothing for the picture shown until the next run.
  Control<QComboBox>("ComboBox2")->setCurrentIndex(0);
  ClickImage(3);
  EXPECT_EQ(sink->StartSample, 3 * 256);
  form2.hide();
}

TEST_F(PlaybackTest, TheEndOfTheSoundAndADeviceErrorStop) {
  ShowAnalysed(8);
  Play().click();
  sink->IsDrained = true;
  EXPECT_TRUE(TicksUntil([&] { return !sink->Playing(); }));
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  EXPECT_TRUE(errors.Shown.empty());

  Play().click();
  ASSERT_TRUE(sink->Playing());
  sink->FailureText = "The audio output device stopped working";
  EXPECT_TRUE(TicksUntil([&] { return !sink->Playing(); }));
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], "The audio output device stopped working.");
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  EXPECT_FALSE(Playhead().isVisible());
  form2.hide();
}

}  // namespace
}  // namespace ombrisk::testing
