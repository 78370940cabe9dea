// Whole runs of AnalyzeWave on hand-built files, checked against the slow reference column.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "spectrogram/spectrogram_analysis.h"
#include "spectrogram/spectrogram_geometry.h"
#include "spectrogram/window_functions.h"
#include "tests/spectrogram/spectrogram_reference.h"
#include "toolkit/exception.h"

namespace ombrisk {
namespace {

using testing::BlockOf;
using testing::Bytes;
using testing::ColumnOf;
using testing::ExpectColumnNear;
using testing::ReferenceColumn;
using testing::Samples;
using testing::TTempFile;
using testing::WaveBytes;

class TRecordingProgress : public TProgressSink {
public:
  void SetMax(int maximum) override { Maxima.push_back(maximum); }
  void SetPosition(int position) override { Positions.push_back(position); }
  std::vector<int> Maxima;
  std::vector<int> Positions;
};

Samples RandomSamples(std::size_t count, unsigned seed, int amplitude = 8000) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(-amplitude, amplitude);
  Samples samples(count);
  for (auto& s : samples) s = static_cast<std::int16_t>(value(random));
  return samples;
}

Samples Sine(std::size_t count, double hz, double amplitude) {
  Samples samples(count);
  for (std::size_t t = 0; t < count; ++t) {
    samples[t] = static_cast<std::int16_t>(std::lrint(amplitude * std::sin(2 * std::numbers::pi * hz * t / 44100.0)));
  }
  return samples;
}

std::unique_ptr<TPixelBitmap> Analyze(const TTempFile& file, const TSpectrogramSettings& settings) {
  TNullProgress progress;
  return AnalyzeWave(file.Path(), settings, progress);
}

TSpectrogramSettings WithSize(std::int32_t n) {
  TSpectrogramSettings s;
  s.SampleSize = n;
  return s;
}

// Every option combination over random samples: each column equals the reference of the later
// of its two blocks. This is where windows, magnitudes, greys, rows and block order meet.
struct TOptions {
  std::int32_t SampleSize;
  int WindowIndex;
  bool LogFrequency;
  bool LogVoltage;
  bool Invert;
};

std::ostream& operator<<(std::ostream& out, const TOptions& o) {
  return out << "N=" << o.SampleSize << " " << kWindowFunctionNames[static_cast<std::size_t>(o.WindowIndex)]
             << (o.LogFrequency ? " log-f" : " lin-f") << (o.LogVoltage ? " log-v" : " lin-v")
             << (o.Invert ? " inverted" : "");
}

class AnalysisMatchesReference : public ::testing::TestWithParam<TOptions> {};

TEST_P(AnalysisMatchesReference, EveryColumnShowsItsLaterBlock) {
  const TOptions o = GetParam();
  TSpectrogramSettings s = WithSize(o.SampleSize);
  s.WindowIndex = o.WindowIndex;
  s.LogFrequency = o.LogFrequency;
  s.LogVoltage = o.LogVoltage;
  s.InvertBrightness = o.Invert;
  const Samples samples = RandomSamples(static_cast<std::size_t>(o.SampleSize) * 5 / 2, 17u + static_cast<unsigned>(o.WindowIndex));
  const TTempFile file(WaveBytes(samples));
  const auto picture = Analyze(file, s);
  ASSERT_EQ(picture->Width(), 3);
  ASSERT_EQ(picture->Height(), o.SampleSize / 2);
  int exact = 0;
  for (int x = 0; x < 3; ++x) {
    const Samples block = BlockOf(samples, static_cast<std::size_t>(2 * x + 1), o.SampleSize);
    const Samples shown = block.empty() ? BlockOf(samples, static_cast<std::size_t>(2 * x), o.SampleSize) : block;
    exact += ExpectColumnNear(ColumnOf(*picture, x), ReferenceColumn(shown, s), "column " + std::to_string(x));
  }
  EXPECT_GT(exact, 3 * o.SampleSize / 2 * 95 / 100) << "off by one far more often than rounding explains";
}

INSTANTIATE_TEST_SUITE_P(Options, AnalysisMatchesReference,
                         ::testing::Values(TOptions{128, 3, false, false, false}, TOptions{128, 0, false, false, false},
                                           TOptions{128, 1, true, false, false}, TOptions{256, 2, false, true, false},
                                           TOptions{256, 4, true, true, true}, TOptions{512, 0, false, true, true},
                                           TOptions{1024, 3, true, false, true}, TOptions{1024, 4, false, false, false}));

TEST(SpectrogramRun, ManyColumnsEachShowTheirOwnBlock) {
  // Enough columns for the drawing to cross several gathered groups of 64, the last one partly
  // filled and not a whole number of sixteens, so that both ways of copying a group into the
  // picture run; and more batches than are handed between the threads at once.
  TSpectrogramSettings s = WithSize(128);
  s.LogFrequency = true;
  const Samples samples = RandomSamples(128 * 400 - 20, 3);
  const TTempFile file(WaveBytes(samples));
  const auto picture = Analyze(file, s);
  ASSERT_EQ(picture->Width(), 400);
  for (int x = 0; x < 400; ++x) {
    const Samples block = BlockOf(samples, static_cast<std::size_t>(2 * x + 1), 128);
    ExpectColumnNear(ColumnOf(*picture, x), ReferenceColumn(block, s), "column " + std::to_string(x));
  }
}

TEST(SpectrogramRun, SampleSizesGiveTheirHeights) {
  const TTempFile file(WaveBytes(RandomSamples(300, 1)));
  for (int index = 0; index < kSampleSizeCount; ++index) {
    const std::int32_t n = SampleSizeForIndex(index);
    const auto picture = Analyze(file, WithSize(n));
    EXPECT_EQ(picture->Height(), n / 2) << n;
    EXPECT_EQ(picture->Width(), (300 + n - 1) / n) << n;
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf32bit);
  }
}

TEST(SpectrogramRun, ThreeThousandSamplesShowBlocksOneThreeAndFive) {
  // Each block a different constant, so each column's bottom row tells which block it shows.
  Samples samples;
  for (int b = 0; b < 6; ++b) samples.insert(samples.end(), 512, static_cast<std::int16_t>(100 * (b + 1)));
  const TTempFile file(WaveBytes(samples));
  TRecordingProgress progress;
  const auto picture = AnalyzeWave(file.Path(), WithSize(1024), progress);
  ASSERT_EQ(picture->Width(), 3);
  // m[0] = 512 × c × 0.0005: 51.2, 102.4 and 153.6 for the constants 200, 400 and 600.
  EXPECT_EQ(ColumnOf(*picture, 0)[511], 255 - 51);
  EXPECT_EQ(ColumnOf(*picture, 1)[511], 255 - 102);
  EXPECT_EQ(ColumnOf(*picture, 2)[511], 255 - 154);
  EXPECT_EQ(progress.Maxima, std::vector<int>{6});  // floor(6188 ÷ 1024)
  EXPECT_EQ(progress.Positions, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(SpectrogramRun, ShortLastBlockShowsOnlyItsOwnSamples) {
  // 1100 samples: blocks of 1024, 1024 and 152 bytes. Were the buffer not cleared, block 2 would
  // carry 436 samples of block 1 with it.
  const Samples samples = RandomSamples(1100, 5);
  const TTempFile file(WaveBytes(samples));
  TRecordingProgress progress;
  const TSpectrogramSettings s = WithSize(1024);
  const auto picture = AnalyzeWave(file.Path(), s, progress);
  ASSERT_EQ(picture->Width(), 2);
  ExpectColumnNear(ColumnOf(*picture, 0), ReferenceColumn(BlockOf(samples, 1, 1024), s), "block 1");
  ExpectColumnNear(ColumnOf(*picture, 1), ReferenceColumn(BlockOf(samples, 2, 1024), s), "block 2");
  EXPECT_EQ(progress.Maxima, std::vector<int>{2});
  EXPECT_EQ(progress.Positions, (std::vector<int>{1, 2, 3}));
}

TEST(SpectrogramRun, OddByteCountEndsInALowByteAlone) {
  Samples samples = RandomSamples(700, 6);
  Bytes bytes = WaveBytes(samples);
  bytes.push_back(0x7F);  // a lone byte: the low half of one more sample
  const TTempFile file(bytes);
  const TSpectrogramSettings s = WithSize(1024);
  const auto picture = Analyze(file, s);
  ASSERT_EQ(picture->Width(), 1);
  Samples last = BlockOf(samples, 1, 1024);
  last.push_back(0x7F);
  ExpectColumnNear(ColumnOf(*picture, 0), ReferenceColumn(last, s), "block 1");
}

TEST(SpectrogramRun, HeaderOnlyFileIsZeroColumnsWide) {
  const TTempFile file(WaveBytes({}));
  TRecordingProgress progress;
  const auto picture = AnalyzeWave(file.Path(), WithSize(1024), progress);
  EXPECT_EQ(picture->Width(), 0);
  EXPECT_EQ(picture->Height(), 512);
  EXPECT_EQ(progress.Maxima, std::vector<int>{0});
  EXPECT_TRUE(progress.Positions.empty());
}

TEST(SpectrogramRun, AnnouncedSamplesThatAreMissingLeaveBlackColumns) {
  const TTempFile file(WaveBytes(6144, {}));
  const auto picture = Analyze(file, WithSize(1024));
  ASSERT_EQ(picture->Width(), 3);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(ColumnOf(*picture, x), std::vector<int>(512, 0)) << x;
}

TEST(SpectrogramRun, BlocksBeyondTheAnnouncedWidthAreSkipped) {
  // D says one column, the file holds four blocks; D = 0 with samples gives no column at all.
  const Samples samples = RandomSamples(2048, 7);
  const TSpectrogramSettings s = WithSize(1024);
  TRecordingProgress progress;
  const TTempFile narrow(WaveBytes(2048, samples));
  const auto picture = AnalyzeWave(narrow.Path(), s, progress);
  ASSERT_EQ(picture->Width(), 1);
  ExpectColumnNear(ColumnOf(*picture, 0), ReferenceColumn(BlockOf(samples, 1, 1024), s), "block 1");
  EXPECT_EQ(progress.Positions, (std::vector<int>{1, 2, 3, 4}));
  const TTempFile none(WaveBytes(0, samples));
  EXPECT_EQ(Analyze(none, s)->Width(), 0);
}

struct TFlatCase {
  const char* Name;
  std::int32_t Brightness;
  bool LogFrequency;
  bool LogVoltage;
  bool Invert;
  bool Silent;
  int Grey;  // of every drawn pixel
};

std::ostream& operator<<(std::ostream& out, const TFlatCase& c) { return out << c.Name; }

class FlatPictures : public ::testing::TestWithParam<TFlatCase> {};

TEST_P(FlatPictures, EveryDrawnPixelHasOneGrey) {
  const TFlatCase c = GetParam();
  TSpectrogramSettings s = WithSize(256);
  s.BrightnessPosition = c.Brightness;
  s.LogFrequency = c.LogFrequency;
  s.LogVoltage = c.LogVoltage;
  s.InvertBrightness = c.Invert;
  const TTempFile file(WaveBytes(c.Silent ? Samples(600, 0) : RandomSamples(600, 8, 32767)));
  const auto picture = Analyze(file, s);
  ASSERT_EQ(picture->Width(), 3);
  std::vector<int> expected(128, c.Grey);
  if (c.LogFrequency) {
    // Rows that no bin reaches keep the black fill.
    expected.assign(128, 0);
    for (int k = 1; k < 128; ++k) expected[static_cast<std::size_t>(127 - testing::ReferenceRowFromBottom(256, k, true))] = c.Grey;
  }
  for (int x = 0; x < 3; ++x) EXPECT_EQ(ColumnOf(*picture, x), expected) << x;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlatPictures,
    ::testing::Values(TFlatCase{"SilenceIsWhite", 50, false, false, false, true, 255},
                      TFlatCase{"SilenceInvertedIsBlack", 50, false, false, true, true, 0},
                      TFlatCase{"SilenceInDecibelsIsWhite", 50, false, true, false, true, 255},
                      TFlatCase{"SilenceLogRowsKeepGaps", 50, true, false, false, true, 255},
                      TFlatCase{"BrightnessZeroIsWhite", 0, false, false, false, false, 255},
                      TFlatCase{"BrightnessZeroInvertedIsBlack", 0, false, false, true, false, 0},
                      TFlatCase{"BrightnessZeroInDecibelsIsWhite", 0, false, true, false, false, 255}),
    [](const auto& test) { return std::string(test.param.Name); });

class SineRow : public ::testing::TestWithParam<int> {};

TEST_P(SineRow, FiftyFiveHundredHertzIsDarkestOnRow383) {
  // 5512.5 Hz is bin 5512.5 × 1024 ÷ 44100 = 128 exactly, whatever the window.
  TSpectrogramSettings s = WithSize(1024);
  s.WindowIndex = GetParam();
  s.BrightnessPosition = 100;
  const TTempFile file(WaveBytes(Sine(44 * 1024, 5512.5, 1000)));
  const auto picture = Analyze(file, s);
  ASSERT_EQ(picture->Width(), 44);
  for (int x = 0; x < picture->Width(); ++x) {
    const std::vector<int> column = ColumnOf(*picture, x);
    const auto darkest = std::min_element(column.begin(), column.end());
    EXPECT_EQ(darkest - column.begin(), 383) << "column " << x;
    EXPECT_EQ(std::count(column.begin(), column.end(), *darkest), 1) << "column " << x;
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, SineRow, ::testing::Range(0, 5));

TEST(SpectrogramRunFailure, MissingFileRaisesTheOpenErrorAndTouchesNoProgress) {
  TRecordingProgress progress;
  const std::string path = (std::filesystem::temp_directory_path() / "ombrisk-preview-no-such.wav").string();
  try {
    (void)AnalyzeWave(path, TSpectrogramSettings{}, progress);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + path + " は開けません。 No such file or directory ");
  }
  EXPECT_TRUE(progress.Maxima.empty());
}

TEST(SpectrogramRunFailure, FileShorterThanItsHeaderIsRefused) {
  Bytes bytes = WaveBytes(RandomSamples(10, 9));
  bytes.resize(43);
  const TTempFile file(bytes);
  EXPECT_THROW(Analyze(file, TSpectrogramSettings{}), EReadError);
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST(SpectrogramRunFailure, AbsurdDataSizeNamesThePictureAndClosesTheFile) {
  const TTempFile file(WaveBytes(0xFFFFFFFFu, RandomSamples(64, 10)));
  const std::size_t before = OpenDescriptors();
  TRecordingProgress progress;
  try {
    (void)AnalyzeWave(file.Path(), WithSize(8192), progress);
    FAIL() << "no error";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "262144 × 4096 ピクセルの画像は大きすぎて扱えません");
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(progress.Maxima.empty());
  EXPECT_THROW(AnalyzeWave(file.Path(), WithSize(128), progress), EOutOfResources);
}

// Delivers its bytes until a cut, then nothing, while still claiming its full size: a device
// failing in the middle of a run.
class TFailingStream : public TMemoryStream {
public:
  TFailingStream(const Bytes& bytes, std::size_t cut) : m_cut(cut) {
    WriteBuffer(bytes.data(), bytes.size());
    SetPosition(0);
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t at = static_cast<std::size_t>(Position());
    if (at >= m_cut) return 0;
    return TMemoryStream::Read(buffer, std::min(count, m_cut - at));
  }

private:
  std::size_t m_cut;
};

TEST(SpectrogramRunFailure, StreamThatStopsDeliveringIsAReadErrorNotAHang) {
  TFailingStream stream(WaveBytes(RandomSamples(4096, 11)), 44 + 1000);
  TRecordingProgress progress;
  EXPECT_THROW(AnalyzeWaveStream(stream, "cut.wav", WithSize(1024), progress), EReadError);
  EXPECT_EQ(progress.Maxima, std::vector<int>{8});
}

TEST(SpectrogramRunFailure, SettingsNoControlCanProduceAreRefusedBeforeTheFileIsOpened) {
  const auto settings = [](auto change) {
    TSpectrogramSettings s;
    change(s);
    return s;
  };
  const std::vector<TSpectrogramSettings> bad = {
      settings([](auto& s) { s.SampleSize = 1000; }),       settings([](auto& s) { s.SampleSize = 64; }),
      settings([](auto& s) { s.SampleSize = 16384; }),      settings([](auto& s) { s.SampleSize = -1024; }),
      settings([](auto& s) { s.WindowIndex = 5; }),         settings([](auto& s) { s.WindowIndex = -1; }),
      settings([](auto& s) { s.BrightnessPosition = 101; }), settings([](auto& s) { s.BrightnessPosition = -1; }),
      settings([](auto& s) { s.BrightnessMax = 0; }),
  };
  TNullProgress progress;
  for (const auto& s : bad) {
    EXPECT_THROW(AnalyzeWave("/no/such/file.wav", s, progress), EInvalidSettings)
        << s.SampleSize << " " << s.WindowIndex << " " << s.BrightnessPosition << "/" << s.BrightnessMax;
  }
}

}  // namespace
}  // namespace ombrisk
