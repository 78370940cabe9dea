// The preview window on any sound file: a drop decodes, "&Decode" and the channel list choose the
// reading, playing plays what is shown at its rate, the read-out under the pointer, and the play
// button asking the device before the first click (a fake device throughout).
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <fstream>
#include <numbers>

#include "app/accelerator_keys.h"
#include "app/image_control.h"
#include "app/preview_window.h"
#include "app/speed_button.h"
#include "app_test_support.h"
#include "tests/support/fake_audio_sink.h"

namespace ombrisk::testing {
namespace {

constexpr int kFrames = 1280;  // 10 columns of 128 decoded, 20 read literally

// A 16-bit stereo wave at 48 kHz: a loud tone on the left, silence on the right.
std::vector<std::int16_t> WriteStereoWave(const std::string& path) {
  std::vector<std::int16_t> left(kFrames);
  for (int t = 0; t < kFrames; ++t) left[t] = static_cast<std::int16_t>(std::lrint(20000 * std::sin(0.3 * t)));
  auto put = [](std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
  };
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4);
  put(out, 36 + kFrames * 4, 4);
  out.write("WAVEfmt ", 8);
  for (const auto& [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {2u, 2}, {48000u, 4}, {192000u, 4}, {4u, 2}, {16u, 2}})
    put(out, value, bytes);
  out.write("data", 4);
  put(out, kFrames * 4, 4);
  for (const std::int16_t sample : left) {
    put(out, static_cast<std::uint16_t>(sample), 2);
    put(out, 0, 2);
  }
  return left;
}

class PreviewDecodeTest : public ::testing::Test {
protected:
  QCheckBox& Decode() { return *Find<QCheckBox>(form2, "CheckBox1"); }
  QComboBox& Channel() { return *Find<QComboBox>(form2, "ComboBox5"); }
  QPushButton& Play() { return *Find<QPushButton>(form2, "PlayButton"); }
  QLabel& Readout() { return *Find<QLabel>(form2, "PointerReadout"); }
  int ShownWidth() { return form2.Image1().Picture().Width(); }
  // Shows the window on a wave of width columns of 128 samples, read literally.
  void ShowLiteral(int width) {
    const std::string wave = folder.Path("a.wav");
    WriteWaveFile(wave, width, 64);
    form2.Edit1().setText(QString::fromStdString(wave));
    Find<QComboBox>(form2, "ComboBox2")->setCurrentIndex(0);
    form2.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ShownWidth() == width; }, 10000));
  }
  // A drag entering the window and its drop; whether both were taken.
  bool Drop(const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form2, &enter);
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form2, &drop);
    return enter.isAccepted() && drop.isAccepted();
  }
  // Moves the pointer over the image's pixel (x, y), through the window as the system delivers it.
  void PointAt(int x, int y) {
    QTest::mouseMove(form2.windowHandle(), form2.Image1().mapTo(&form2, QPoint(x, y)));
    QCoreApplication::processEvents();
  }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TFakeAudioSink* sink = new TFakeAudioSink;  // owned by the window
  TForm2 form2{TUiServices{errors, dialogs}, std::unique_ptr<TAudioSink>(sink)};
  TScratchFolder folder;
};

TEST_F(PreviewDecodeTest, ADropDecodesTheBoxAndTheChannelChooseTheReadingAndPlayingPlaysWhatIsShown) {
  ShowLiteral(8);
  EXPECT_EQ(Decode().geometry(), QRect(431, 2, 70, 22));
  EXPECT_FALSE(Decode().isChecked());
  EXPECT_FALSE(Channel().isEnabled());
  EXPECT_EQ(AcceleratorControl(form2, QChar('D')), &Decode());
  EXPECT_EQ(AcceleratorControl(form2, QChar('P')), &Play());

  const std::string stereo = folder.Path("stereo.wav");
  const std::vector<std::int16_t> left = WriteStereoWave(stereo);
  ASSERT_TRUE(Drop(stereo));
  EXPECT_EQ(form2.Edit1().text().toStdString(), stereo);
  EXPECT_TRUE(Decode().isChecked());
  ASSERT_TRUE(Channel().isEnabled());
  ASSERT_EQ(Channel().count(), 3);
  EXPECT_EQ(Channel().itemText(2), QStringLiteral("2"));
  EXPECT_EQ(ShownWidth(), kFrames / 128);
  EXPECT_TRUE(errors.Shown.empty());
  // The read-out on the file's rate: row 1 is bin 62 of 128 at 48 kHz.
  PointAt(2, 1);
  EXPECT_TRUE(Readout().text().contains(QStringLiteral(" 23.25 kHz"))) << Readout().text().toStdString();

  // Each channel analysed and played as chosen, at the file's rate.
  Channel().setCurrentIndex(1);
  Find<QPushButton>(form2, "Button1")->click();
  Play().click();
  ASSERT_TRUE(sink->Playing());
  EXPECT_EQ(sink->RateHz, 48000);
  const std::vector<std::int16_t> heard = sink->PullAll();
  ASSERT_EQ(heard.size(), left.size());
  for (std::size_t i = 0; i < heard.size(); ++i) ASSERT_NEAR(heard[i], left[i], 1) << "sample " << i;
  Channel().setCurrentIndex(2);
  Find<QPushButton>(form2, "Button1")->click();
  EXPECT_EQ(form2.Image1().Picture().GetPixel(3, 10) & 0xFF, 255);  // silence is white
  Play().click();
  const std::vector<std::int16_t> silence = sink->PullAll();
  EXPECT_EQ(std::count(silence.begin(), silence.end(), 0), kFrames);

  // A file that is no sound: the error, and the shown picture and its sound stay.
  const std::string text = folder.Path("notes.txt");
  std::ofstream(text) << "not a sound at all\n";
  Drop(text);
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_NE(errors.Shown[0].find("notes.txt"), std::string::npos) << errors.Shown[0];
  EXPECT_EQ(ShownWidth(), kFrames / 128);

  // Unticked by hand: the same file read literally, played at 44.1 kHz.
  form2.Edit1().setText(QString::fromStdString(stereo));
  Decode().click();
  EXPECT_FALSE(Channel().isEnabled());
  EXPECT_EQ(ShownWidth(), kFrames * 4 / 2 / 128);
  Play().click();
  EXPECT_EQ(sink->RateHz, 44100);

  // The main window's "Preview" shows the window: its path is read literally.
  Decode().setChecked(true);
  form2.hide();
  form2.show();
  EXPECT_FALSE(Decode().isChecked());
  form2.hide();
}

TEST_F(PreviewDecodeTest, TheReadOutTellsTheCellUnderThePointerScrolledAndStretched) {
  ShowLiteral(2000);
  // Column 5 starts at 640 / 44100 s; row 1 from the top is bin 62 of 128: 21360.9 Hz.
  PointAt(5, 1);
  EXPECT_TRUE(Readout().text().startsWith(QStringLiteral("0:00.01 \u00b7 21.36 kHz \u00b7 "))) << Readout().text().toStdString();
  EXPECT_TRUE(Readout().text().endsWith(QStringLiteral(" dB")));

  QScrollArea& area = *Find<QScrollArea>(form2, "ScrollBox1");
  area.horizontalScrollBar()->setValue(1500);
  QCoreApplication::processEvents();
  PointAt(1510, 63);  // column 1510: 4.3828 s; the bottom row, bin 0
  EXPECT_TRUE(Readout().text().startsWith(QStringLiteral("0:04.38 \u00b7 0 Hz"))) << Readout().text().toStdString();

  QTest::mouseClick(Find<TSpeedButton>(form2, "SpeedButton2"), Qt::LeftButton);
  QCoreApplication::processEvents();
  const int width = form2.Image1().width();
  const int height = form2.Image1().height();
  ASSERT_GT(height, 64 * 2);
  // Three quarters across: column 1500, 4.3537 s; a third of a row into row 32: bin 31, 10680.5 Hz.
  PointAt((1500 * width + 1999) / 2000, (32 * height + 63) / 64);
  EXPECT_TRUE(Readout().text().startsWith(QStringLiteral("0:04.35 \u00b7 10.68 kHz"))) << Readout().text().toStdString();

  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(const_cast<TImage*>(&form2.Image1()), &leave);
  EXPECT_TRUE(Readout().text().isEmpty());
  form2.hide();
}

TEST_F(PreviewDecodeTest, ThePlayButtonAsksTheDeviceForTheFormatAndFollowsDevicesThatComeAndGo) {
  sink->UnsupportedRates = {48000};
  ShowLiteral(8);
  EXPECT_TRUE(Play().isEnabled());
  WriteStereoWave(folder.Path("stereo.wav"));
  ASSERT_TRUE(Drop(folder.Path("stereo.wav")));
  EXPECT_FALSE(Play().isEnabled());
  EXPECT_EQ(Play().toolTip(), QStringLiteral("The audio output device cannot play 16-bit mono at 48000 Hz"));
  QTest::mouseClick(const_cast<TImage*>(&form2.Image1()), Qt::LeftButton, {}, QPoint(3, 5));
  EXPECT_FALSE(sink->Playing());

  Decode().click();  // literally, at 44.1 kHz
  EXPECT_TRUE(Play().isEnabled());
  EXPECT_TRUE(Play().toolTip().isEmpty());

  // While the window stays open.
  sink->HasDevice = false;
  sink->DevicesChanged();
  EXPECT_FALSE(Play().isEnabled());
  EXPECT_EQ(Play().toolTip(), QStringLiteral("No audio output device"));
  sink->HasDevice = true;
  sink->DevicesChanged();
  EXPECT_TRUE(Play().isEnabled());
  // A device going while it plays leaves "&Stop" to press.
  Play().click();
  sink->HasDevice = false;
  sink->DevicesChanged();
  EXPECT_TRUE(Play().isEnabled());
  Play().click();
  EXPECT_FALSE(sink->Playing());
  EXPECT_FALSE(Play().isEnabled());
  EXPECT_TRUE(errors.Shown.empty());
  form2.hide();
}

}  // namespace
}  // namespace ombrisk::testing
