// Playing from the preview window with a fake sound device: the "&Play" button and its states, the
// playhead over the spectrogram (own size and stretched), clicks on it, and the ways playing stops.
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
  QPushButton& Play() { return *Find<QPushButton>(form2, "PlayButton"); }
  const QWidget& Playhead() { return form2.Playback().Playhead(); }
  // Shows the window on a wave of width blocks of 128 samples and waits for the analysis it runs
  // by itself, at 128 samples a column: width columns.
  void ShowAnalysed(int width) {
    const std::string wave = folder.Path("a.wav");
    WriteWaveFile(wave, width, 64);
    form2.Edit1().setText(QString::fromStdString(wave));
    Find<QComboBox>(form2, "ComboBox2")->setCurrentIndex(0);
    form2.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form2.Image1().Picture().Width() == width; }, 10000));
  }
  void ClickImage(int x) { QTest::mouseClick(const_cast<TImage*>(&form2.Image1()), Qt::LeftButton, {}, QPoint(x, 5)); }
  // Lets the playhead's timer run until done holds.
  static bool TicksUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 2000); }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TFakeAudioSink* sink = new TFakeAudioSink;  // owned by the window
  TForm2 form2{TUiServices{errors, dialogs}, std::unique_ptr<TAudioSink>(sink)};
  TScratchFolder folder;
};

TEST_F(PlaybackTest, TheButtonSitsBottomLeftAndWaitsForASpectrogramAndADevice) {
  EXPECT_FALSE(Play().isEnabled());
  ShowAnalysed(8);
  const QRect save = Find<QPushButton>(form2, "Button2")->geometry();
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  EXPECT_EQ(Play().x(), 11);
  EXPECT_EQ(Play().y(), save.top());
  EXPECT_EQ(Play().height(), save.height());
  EXPECT_TRUE(Play().isEnabled());
  EXPECT_TRUE(Play().toolTip().isEmpty());

  sink->HasDevice = false;
  form2.hide();
  form2.show();
  EXPECT_FALSE(Play().isEnabled());
  EXPECT_EQ(Play().toolTip(), QStringLiteral("No audio output device"));
  ClickImage(3);
  EXPECT_FALSE(sink->Playing());
  form2.hide();
}

TEST_F(PlaybackTest, PlayFollowsTheColumnHeardAndPressingAgainStops) {
  ShowAnalysed(8);
  form2.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form2));
  QTest::keyClick(form2.windowHandle(), Qt::Key_P, Qt::AltModifier);
  ASSERT_TRUE(TicksUntil([&] { return sink->Playing(); }));  // an accelerator clicks a moment later
  EXPECT_EQ(sink->StartSample, 0);
  EXPECT_EQ(Play().text(), QStringLiteral("&Stop"));
  EXPECT_EQ(Playhead().geometry(), QRect(0, 0, 1, 64));
  sink->Heard = 5 * 128 + 127;  // the last sample of column 5
  EXPECT_TRUE(TicksUntil([&] { return Playhead().x() == 5; }));
  Play().click();
  EXPECT_FALSE(sink->Playing());
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  EXPECT_FALSE(Playhead().isVisible());
  form2.hide();
}

TEST_F(PlaybackTest, AClickPlaysFromTheColumnUnderItAlsoWhenStretched) {
  ShowAnalysed(8);
  ClickImage(3);
  EXPECT_EQ(sink->StartSample, 3 * 128);
  EXPECT_EQ(Playhead().x(), 3);
  QTest::mouseClick(Find<TSpeedButton>(form2, "SpeedButton2"), Qt::LeftButton);
  QCoreApplication::processEvents();
  const int width = form2.Image1().width();
  ASSERT_GT(width, 8 * 10);
  EXPECT_EQ(Playhead().x(), (3 * width + 7) / 8);  // the first pixel of column 3
  ClickImage(width * 6 / 8 + 2);
  EXPECT_EQ(sink->StartSample, 6 * 128);
  EXPECT_EQ(Playhead().height(), form2.Image1().height());
  form2.hide();
}

TEST_F(PlaybackTest, TheViewFollowsThePlayhead) {
  ShowAnalysed(2000);
  const QScrollArea& area = *Find<QScrollArea>(form2, "ScrollBox1");
  Play().click();
  sink->Heard = 1500 * 128;
  EXPECT_TRUE(TicksUntil([&] { return Playhead().x() == 1500; }));
  EXPECT_GT(area.horizontalScrollBar()->value(), 1500 - area.viewport()->width());
  EXPECT_LE(area.horizontalScrollBar()->value(), 1500);
  form2.hide();
}

TEST_F(PlaybackTest, ClosingTheWindowANewAnalysisTheEndAndADeviceErrorStop) {
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  const bool played = RunModalUntil(
      form2, [&] { form2.exec(); },
      [&] {
        if (!form2.Image1().Picture().Empty() && !sink->Playing()) Play().click();
        return sink->Playing();
      });
  ASSERT_TRUE(played);
  EXPECT_FALSE(sink->Playing());
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));

  form2.show();
  QCoreApplication::processEvents();  // the analysis the showing runs by itself
  Play().click();
  ASSERT_TRUE(sink->Playing());
  Find<QComboBox>(form2, "ComboBox2")->setCurrentIndex(1);  // 256 a column
  Find<QPushButton>(form2, "Button1")->click();
  EXPECT_FALSE(sink->Playing());
  ClickImage(2);
  EXPECT_EQ(sink->StartSample, 2 * 256);  // the new picture at its own sample size

  sink->IsDrained = true;
  EXPECT_TRUE(TicksUntil([&] { return !sink->Playing(); }));
  EXPECT_TRUE(errors.Shown.empty());
  Play().click();
  sink->FailureText = "The audio output device stopped working";
  EXPECT_TRUE(TicksUntil([&] { return !sink->Playing(); }));
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], "The audio output device stopped working.");
  EXPECT_EQ(Play().text(), QStringLiteral("&Play"));
  form2.hide();
}

}  // namespace
}  // namespace ombrisk::testing
