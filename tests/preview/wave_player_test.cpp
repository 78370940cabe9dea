// Playing the analysed wave: which samples are played (as the analysis reads them), where a sample
// stands in the picture and back (both ends, stretched), and the player's life with a fake device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "preview/playhead_geometry.h"
#include "preview/wave_player.h"
#include "preview/wave_sample_source.h"
#include "signal/wave_header.h"
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

// A header announcing dataBytes, followed by presentBytes of sample data (sample i = SampleValue(i)).
std::vector<std::uint8_t> WaveBytes(std::uint32_t dataBytes, std::size_t presentBytes) {
  std::uint8_t header[kWaveHeaderBytes];
  EncodeWaveHeader(MakeWaveHeader(dataBytes), header);
  std::vector<std::uint8_t> bytes(header, header + kWaveHeaderBytes);
  for (std::size_t i = 0; i < presentBytes; ++i) {
    const auto sample = static_cast<std::uint16_t>(SampleValue(i / 2));
    bytes.push_back(static_cast<std::uint8_t>(i % 2 == 0 ? sample : sample >> 8));
  }
  return bytes;
}

TWaveSampleSource MemorySource(std::uint32_t dataBytes, std::size_t presentBytes, TMemoryStream** stream = nullptr) {
  auto memory = std::make_unique<TMemoryStream>();
  const std::vector<std::uint8_t> bytes = WaveBytes(dataBytes, presentBytes);
  memory->WriteBuffer(bytes.data(), bytes.size());
  memory->SetPosition(0);
  if (stream != nullptr) *stream = memory.get();
  return TWaveSampleSource(std::move(memory), "memory.wav");
}

struct TPlayable {
  const char* Name;
  std::uint32_t DataBytes;
  std::size_t PresentBytes;
  std::int64_t Samples;
};

class PlayableSamplesTest : public ::testing::TestWithParam<TPlayable> {};

TEST_P(PlayableSamplesTest, AreDBytesOrUpToTheFilesEndInOrder) {
  TWaveSampleSource source = MemorySource(GetParam().DataBytes, GetParam().PresentBytes);
  ASSERT_EQ(source.SampleCount(), GetParam().Samples);
  std::vector<std::int16_t> samples;
  std::int16_t chunk[100];
  while (const std::size_t got = source.Read(chunk, 77)) samples.insert(samples.end(), chunk, chunk + got / 2);
  ASSERT_EQ(static_cast<std::int64_t>(samples.size()), GetParam().Samples);
  for (std::size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(samples[i], SampleValue(i)) << i;
  EXPECT_TRUE(source.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(Files, PlayableSamplesTest,
                         ::testing::Values(TPlayable{"AsWritten", 6144, 6144, 3072},
                                           TPlayable{"ShorterThanD", 6144, 2201, 1100},
                                           TPlayable{"LongerThanD", 2200, 6144, 1100},
                                           TPlayable{"OddD", 2201, 6144, 1100},
                                           TPlayable{"HeaderOnly", 0, 0, 0},
                                           TPlayable{"DWithoutSamples", 6144, 0, 0}),
                         TByName());

TEST(WaveSampleSource, SeeksWithinTheSamplesAndReportsAFileCutWhileItPlays) {
  TMemoryStream* stream = nullptr;
  TWaveSampleSource source = MemorySource(2000, 2000, &stream);
  source.Seek(990);
  std::int16_t chunk[20];
  EXPECT_EQ(source.Read(chunk, sizeof chunk), 20u);
  EXPECT_EQ(chunk[0], SampleValue(990));
  source.Seek(5000);
  EXPECT_EQ(source.Position(), 1000);
  EXPECT_EQ(source.Read(chunk, sizeof chunk), 0u);

  source.Seek(0);
  stream->SetSize(kWaveHeaderBytes + 100);
  EXPECT_THROW(while (source.Read(chunk, sizeof chunk) != 0) {}, EReadError);
}

TEST(WaveSampleSource, AFileTooShortForItsHeaderIsRefusedByName) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer("RIFF", 4);
  stream->SetPosition(0);
  try {
    TWaveSampleSource source(std::move(stream), "cut.wav");
    FAIL() << "accepted";
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find("cut.wav"), std::string::npos) << e.Message();
  }
}

TEST(PlayheadGeometry, SamplesMapToTheColumnThatCoversThem) {
  EXPECT_EQ(ColumnOfSample(0, 1024), 0);
  EXPECT_EQ(ColumnOfSample(1023, 1024), 0);
  EXPECT_EQ(ColumnOfSample(1024, 1024), 1);
  EXPECT_EQ(ColumnOfSample(1099, 1024), 1);  // the last sample of 1100, in the last of 2 columns
  EXPECT_EQ(FirstSampleOfColumn(2, 128), 256);
}

struct TShown {
  const char* Name;
  std::int64_t Columns;
  int Width;
  std::vector<std::pair<std::int64_t, int>> ColumnToPixel;
};

class PlayheadPixelTest : public ::testing::TestWithParam<TShown> {};

TEST_P(PlayheadPixelTest, IsTheColumnsFirstPixelAndClicksComeBackToIt) {
  const TShown& shown = GetParam();
  for (const auto& [column, pixel] : shown.ColumnToPixel) {
    EXPECT_EQ(PlayheadPixel(column, shown.Columns, shown.Width), pixel) << column;
  }
  for (int pixel = 0; pixel < shown.Width; ++pixel) {
    const std::optional<std::int64_t> column = ColumnAtPixel(pixel, shown.Columns, shown.Width);
    ASSERT_TRUE(column) << pixel;
    ASSERT_GE(*column, 0);
    ASSERT_LT(*column, shown.Columns);
    // Where columns are at least a pixel wide, the playhead of the clicked column starts at or before the click.
    if (shown.Width >= shown.Columns) {
      ASSERT_LE(PlayheadPixel(*column, shown.Columns, shown.Width), pixel);
    }
  }
  if (shown.Width >= shown.Columns) {
    for (std::int64_t column = 0; column < shown.Columns; ++column) {
      ASSERT_EQ(ColumnAtPixel(PlayheadPixel(column, shown.Columns, shown.Width), shown.Columns, shown.Width), column);
    }
  }
  EXPECT_FALSE(ColumnAtPixel(-1, shown.Columns, shown.Width));
  EXPECT_FALSE(ColumnAtPixel(shown.Width, shown.Columns, shown.Width));  // beyond the last column
}

INSTANTIATE_TEST_SUITE_P(
    Displays, PlayheadPixelTest,
    ::testing::Values(TShown{"OwnSize", 40, 40, {{0, 0}, {17, 17}, {39, 39}}},
                      TShown{"StretchedWider", 3, 100, {{0, 0}, {1, 34}, {2, 67}}},
                      TShown{"StretchedNarrower", 1000, 100, {{0, 0}, {9, 1}, {10, 1}, {995, 99}, {999, 99}}},
                      TShown{"OneColumn", 1, 7, {{0, 0}}}),
    TByName());

TEST(PlayheadGeometry, NothingShownGivesNoColumn) {
  EXPECT_EQ(PlayheadPixel(0, 0, 0), 0);
  EXPECT_FALSE(ColumnAtPixel(0, 0, 50));
  EXPECT_FALSE(ColumnAtPixel(0, 5, 0));
}

class WavePlayerTest : public ::testing::Test {
protected:
  // 1100 samples present of the 3 columns of 512 a header of 3072 bytes announces.
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

TEST_F(WavePlayerTest, PlaysFromTheColumnsFirstSampleAndFollowsWhatIsHeard) {
  ASSERT_TRUE(player.Play(path, 512, 1));
  EXPECT_TRUE(sink.Playing());
  EXPECT_EQ(sink.StartSample, 512);
  EXPECT_EQ(player.PlayheadColumn(), 1);
  sink.Heard = 511;
  EXPECT_EQ(player.HeardSample(), 1023);
  EXPECT_EQ(player.PlayheadColumn(), 1);
  sink.Heard = 512;
  EXPECT_EQ(player.PlayheadColumn(), 2);
  // The device's clock may run past the last sample: the playhead stays on it.
  sink.Heard = 5000;
  EXPECT_EQ(player.HeardSample(), 1099);
  EXPECT_EQ(player.PlayheadColumn(), 2);
  const std::vector<std::int16_t> played = sink.PullAll();
  ASSERT_EQ(played.size(), 1100u - 512u);
  EXPECT_EQ(played.front(), SampleValue(512));
  EXPECT_EQ(played.back(), SampleValue(1099));
}

TEST_F(WavePlayerTest, PlayingAgainWhilePlayingStartsAfreshAtTheNewColumn) {
  ASSERT_TRUE(player.Play(path, 512, 2));
  sink.Heard = 30;
  ASSERT_TRUE(player.Play(path, 128, 3));
  EXPECT_EQ(sink.Starts, 2);
  EXPECT_EQ(sink.Stops, 1);
  EXPECT_EQ(sink.StartSample, 384);
  EXPECT_EQ(player.HeardSample(), 384);
}

TEST_F(WavePlayerTest, AColumnWithoutSoundPlaysNothing) {
  // Column 2 starts at sample 1024 of 1100; column 3 lies wholly beyond the file.
  EXPECT_TRUE(player.Play(path, 512, 2));
  EXPECT_FALSE(player.Play(path, 512, 3));
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(sink.Playing());
  EXPECT_EQ(sink.Starts, 1);
  EXPECT_FALSE(player.Play(path, 512, -1));
}

TEST_F(WavePlayerTest, StopsAtTheEndOnlyOnceAllIsHeard) {
  ASSERT_TRUE(player.Play(path, 512, 0));
  (void)sink.PullAll();
  player.Poll();
  EXPECT_TRUE(player.Playing());
  sink.IsDrained = true;
  player.Poll();
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(sink.Playing());
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

TEST_F(WavePlayerTest, AFileGoneSinceTheAnalysisIsTheOpenErrorAndStopsWhatPlayed) {
  ASSERT_TRUE(player.Play(path, 512, 0));
  std::filesystem::remove(path);
  EXPECT_THROW(player.Play(path, 512, 0), EFOpenError);
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(sink.Playing());
}

}  // namespace
}  // namespace ombrisk
