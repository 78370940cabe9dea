// Playing the analysed wave: which samples are played (as the analysis reads them), where a sample
// stands in the picture and back (both ends, stretched), and the player with a fake device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "playback/playhead_geometry.h"
#include "playback/recording_sample_source.h"
#include "playback/wave_player.h"
#include "signal/wave_header.h"
#include "playback/wave_sample_source.h"
#include "tests/support/fake_audio_sink.h"
#include "toolkit/exception.h"

namespace ombrisk {
namespace {

struct TByName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param) const {
    return param.param.Name;
  }
};

std::int16_t SampleValue(std::size_t i) { return static_cast<std::int16_t>(i * 37 - 20000); }

// A header announcing dataBytes, then presentBytes of samples (sample i is SampleValue(i)).
std::vector<std::uint8_t> WaveBytes(std::uint32_t dataBytes, std::size_t presentBytes) {
  std::uint8_t header[kWaveHeaderBytes];
  EncodeWaveHeader(MakeWaveHeader(dataBytes), header);
  std::vector<std::uint8_t> bytes(header, header + kWaveHeaderBytes);
  for (std::size_t i = 0; i < presentBytes; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(SampleValue(i / 2)) >> (8 * (i % 2))));
  }
  return bytes;
}

std::unique_ptr<TMemoryStream> MemoryWave(std::uint32_t dataBytes, std::size_t presentBytes) {
  auto memory = std::make_unique<TMemoryStream>();
  const std::vector<std::uint8_t> bytes = WaveBytes(dataBytes, presentBytes);
  memory->WriteBuffer(bytes.data(), bytes.size());
  memory->SetPosition(0);
  return memory;
}

struct TPlayable {
  const char* Name;
  std::uint32_t DataBytes;
  std::size_t PresentBytes;
  std::int64_t Samples;
};

class PlayableSamplesTest : public ::testing::TestWithParam<TPlayable> {};

TEST_P(PlayableSamplesTest, AreDBytesOrUpToTheFilesEndInOrder) {
  TWaveSampleSource source(MemoryWave(GetParam().DataBytes, GetParam().PresentBytes), "memory.wav");
  ASSERT_EQ(source.SampleCount(), GetParam().Samples);
  TFakeAudioSink sink;
  sink.Start(source);
  const std::vector<std::int16_t> samples = sink.PullAll();
  ASSERT_EQ(static_cast<std::int64_t>(samples.size()), GetParam().Samples);
  for (std::size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(samples[i], SampleValue(i)) << i;
}

INSTANTIATE_TEST_SUITE_P(Files, PlayableSamplesTest,
                         ::testing::Values(TPlayable{"AsWritten", 6144, 6144, 3072},
                                           TPlayable{"ShorterThanD", 6144, 2201, 1100},
                                           TPlayable{"LongerThanD", 2200, 6144, 1100},
                                           TPlayable{"OddD", 2201, 6144, 1100}, TPlayable{"HeaderOnly", 0, 0, 0},
                                           TPlayable{"DWithoutSamples", 6144, 0, 0}),
                         TByName());

TEST(WaveSampleSource, AFileCutWhileItPlaysIsAReadError) {
  auto memory = MemoryWave(2000, 2000);
  TMemoryStream& stream = *memory;
  TWaveSampleSource source(std::move(memory), "memory.wav");
  stream.SetSize(kWaveHeaderBytes + 100);
  std::int16_t chunk[20];
  EXPECT_THROW(while (source.Read(chunk, sizeof chunk) != 0) {}, EReadError);
}

struct TShown {
  const char* Name;
  std::int64_t Columns;
  int Width;
  std::vector<std::pair<std::int64_t, int>> ColumnToPixel;
};

class PlayheadPixelTest : public ::testing::TestWithParam<TShown> {};

TEST_P(PlayheadPixelTest, IsTheColumnsFirstPixelAndAClickThereComesBackToIt) {
  const TShown& shown = GetParam();
  for (const auto& [column, pixel] : shown.ColumnToPixel) {
    EXPECT_EQ(PlayheadPixel(column, shown.Columns, shown.Width), pixel) << column;
  }
  if (shown.Width >= shown.Columns) {
    for (std::int64_t column = 0; column < shown.Columns; ++column) {
      ASSERT_EQ(ColumnAtPixel(PlayheadPixel(column, shown.Columns, shown.Width), shown.Columns, shown.Width), column);
    }
    EXPECT_EQ(ColumnAtPixel(shown.Width - 1, shown.Columns, shown.Width), shown.Columns - 1);
  } else {
    EXPECT_LT(ColumnAtPixel(shown.Width - 1, shown.Columns, shown.Width), shown.Columns);
  }
  EXPECT_FALSE(ColumnAtPixel(shown.Width, shown.Columns, shown.Width));  // beyond the last column
  EXPECT_FALSE(ColumnAtPixel(-1, shown.Columns, shown.Width));
}

INSTANTIATE_TEST_SUITE_P(Displays, PlayheadPixelTest,
                         ::testing::Values(TShown{"OwnSize", 40, 40, {{0, 0}, {39, 39}}},
                                           TShown{"StretchedWider", 3, 100, {{0, 0}, {1, 34}, {2, 67}}},
                                           // several columns to a pixel
                                           TShown{"StretchedNarrower", 1000, 100,
                                                  {{0, 0}, {10, 1}, {995, 99}, {999, 99}}}),
                         TByName());

class WavePlayerTest : public ::testing::Test {
protected:
  // 1100 samples present of the 3 columns of 512 that a header of 3072 bytes announces.
  void SetUp() override {
    const std::vector<std::uint8_t> bytes = WaveBytes(3072, 2200);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  void TearDown() override { std::filesystem::remove(path); }

  const std::string path =
      (std::filesystem::temp_directory_path() / ("ombrisk-player-" + std::to_string(::getpid()) + ".wav")).string();
  TFakeAudioSink sink;
  TWavePlayer player{sink};
};

TEST_F(WavePlayerTest, PlaysFromTheColumnsFirstSampleToTheEndOfTheFile) {
  ASSERT_TRUE(player.Play(path, 512, 1));
  EXPECT_EQ(sink.StartSample, 512);
  sink.Heard = 511;
  EXPECT_EQ(player.PlayheadColumn(), 1);
  sink.Heard = 512;
  EXPECT_EQ(player.PlayheadColumn(), 2);
  // The device's clock may run past the last sample: the playhead stays on it.
  sink.Heard = 5000;
  EXPECT_EQ(player.HeardSample(), 1099);
  EXPECT_EQ(sink.PullAll().size(), 1100u - 512u);
  player.Poll();
  EXPECT_TRUE(player.Playing());
  sink.IsDrained = true;
  player.Poll();
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(sink.Playing());

  // Column 2 starts at sample 1024 of 1100; column 3 lies wholly beyond the file's samples.
  EXPECT_TRUE(player.Play(path, 512, 2));
  EXPECT_FALSE(player.Play(path, 512, 3));
  EXPECT_FALSE(sink.Playing());
}

// The same file decoded: the samples there are, from a column on, up to where the file ends.
TEST_F(WavePlayerTest, ADecodedFilePlaysItsSamplesAndEndsWhereTheFileDoes) {
  auto source = std::make_unique<TRecordingSampleSource>(path, 1, 3 * 512);
  TRecordingSampleSource& decoded = *source;
  EXPECT_EQ(decoded.SampleRateHz(), 44100);
  ASSERT_TRUE(player.Play(std::move(source), 512, 1));
  EXPECT_EQ(sink.StartSample, 512);
  EXPECT_EQ(sink.RateHz, 44100);
  const std::vector<std::int16_t> samples = sink.PullAll();
  ASSERT_EQ(samples.size(), 1100u - 512u);
  for (std::size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(samples[i], SampleValue(512 + i)) << i;
  EXPECT_TRUE(decoded.AtEnd());
  EXPECT_EQ(decoded.SampleCount(), 1100);
  sink.Heard = 5000;
  EXPECT_EQ(player.HeardSample(), 1099);
  EXPECT_THROW(TRecordingSampleSource(path, 2, 3 * 512), ERecordingError);
}

TEST_F(WavePlayerTest, ADeviceErrorStopsAndIsRaisedWithItsText) {
  ASSERT_TRUE(player.Play(path, 512, 0));
  sink.FailureText = "The device went away";
  try {
    player.Poll();
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The device went away");
  }
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(sink.Playing());
}

}  // namespace
}  // namespace ombrisk
