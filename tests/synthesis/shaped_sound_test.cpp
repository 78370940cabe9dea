#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "signal/wave_fft.h"
#include "synthesis/column_reader.h"
#include "synthesis/shaped_sound.h"
#include "synthesis/smooth_columns.h"
#include "tests/support/picture_helpers.h"
#include "tests/support/thread_starters.h"

namespace ombrisk {
namespace {

using test::MakeGreyPicture;
using test::ReadFileBytes;
using test::WaveSamples;

class RecordingProgress : public TProgressSink {
public:
  void SetMax(int maximum) override { Max = maximum; }
  void SetPosition(int position) override {
    Highest = std::max(Highest, position);
    Last = position;
  }
  int Max = -1;
  int Highest = -1;
  int Last = -1;
};

class ShapedSound : public ::testing::Test {
protected:
  std::vector<std::uint8_t> Run(const TBitmap& picture, const TShapedSound& shape, TSynthesisSettings settings = {}) {
    const std::filesystem::path path = m_folder.File("run" + std::to_string(m_runs++) + ".wav");
    RunSmoothSynthesis(picture, settings, shape, path.string(), m_progress);
    return ReadFileBytes(path);
  }
  // One black row (m from the bottom) on white, as wide as asked.
  static TBitmap OneRow(int width, int height, int m) {
    return MakeGreyPicture(width, height, [=](int, int y) { return y == height - 1 - m ? 0 : 255; });
  }

  test::ScratchFolder m_folder{"shaped-sound"};
  RecordingProgress m_progress;
  int m_runs = 0;
};

double Peak(const std::vector<std::int16_t>& samples) {
  int peak = 0;
  for (const std::int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
  return peak;
}

// Frequency of a steady tone from its rising zero crossings over the middle half of the sound,
// where no fade reaches.
double ToneHz(const std::vector<std::int16_t>& samples, double rate) {
  const std::size_t from = samples.size() / 4;
  const std::size_t to = 3 * samples.size() / 4;
  double first = -1, last = -1;
  int crossings = 0;
  for (std::size_t t = from; t + 1 < to; ++t) {
    if (samples[t] < 0 && samples[t + 1] >= 0) {
      const double at = static_cast<double>(t) + samples[t] / static_cast<double>(samples[t] - samples[t + 1]);
      if (first < 0) first = at; else ++crossings;
      last = at;
    }
  }
  return crossings > 0 ? crossings * rate / (last - first) : 0.0;
}

struct TLengthCase {
  std::int32_t Rate;
  double Seconds;
};

class ShapedLength : public ShapedSound, public ::testing::WithParamInterface<TLengthCase> {};

// The data holds exactly round(seconds × rate) samples, the header says the rate, a dense picture
// peaks within 1 dB of full scale without reaching it, and the bar counts every column.
TEST_P(ShapedLength, HoldsItsSamplesAtItsRateJustBelowFullScale) {
  const TLengthCase c = GetParam();
  const TBitmap dense = MakeGreyPicture(37, 50, [](int x, int y) { return (x * 13 + y * 7) % 40; });
  TShapedSound shape;
  shape.Seconds = c.Seconds;
  shape.RateHz = c.Rate;
  const std::vector<std::uint8_t> bytes = Run(dense, shape);
  const auto samples = static_cast<std::uint32_t>(std::llround(c.Seconds * c.Rate));
  ASSERT_EQ(bytes.size(), 44u + 2u * samples);
  EXPECT_EQ(test::ReadLittle32(bytes, 4), 36u + 2u * samples);
  EXPECT_EQ(test::ReadLittle32(bytes, 24), static_cast<std::uint32_t>(c.Rate));
  EXPECT_EQ(test::ReadLittle32(bytes, 28), static_cast<std::uint32_t>(2 * c.Rate));
  EXPECT_EQ(test::ReadLittle32(bytes, 40), 2u * samples);
  const double peak = Peak(WaveSamples(bytes));
  EXPECT_LT(peak, 32767.0);
  EXPECT_GE(peak, 32767.0 * std::pow(10.0, -1.0 / 20.0));
  EXPECT_EQ(m_progress.Max, 36);
  EXPECT_EQ(m_progress.Highest, 36);
  EXPECT_EQ(m_progress.Last, 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, ShapedLength,
                         ::testing::Values(TLengthCase{44100, 0.3}, TLengthCase{48000, 0.123457},
                                           TLengthCase{96000, 0.0503}));

struct TPlacementCase {
  bool Log;
  int Row;
};

class ShapedPlacement : public ShapedSound, public ::testing::WithParamInterface<TPlacementCase> {};

// A steady black row is a steady tone where the band puts it: evenly or geometrically spaced.
TEST_P(ShapedPlacement, RowSoundsAtItsPlaceInTheBand) {
  const TPlacementCase c = GetParam();
  const int height = 50;
  TShapedSound shape;
  shape.Seconds = 1.0;
  shape.LowHz = 300;
  shape.HighHz = 9000;
  shape.RateHz = 48000;
  TSynthesisSettings settings;
  settings.LogFrequency = c.Log;
  const double share = c.Row / static_cast<double>(height - 1);
  const double wanted = c.Log ? 300 * std::pow(30.0, share) : 300 + 8700 * share;
  const std::vector<std::int16_t> samples = WaveSamples(Run(OneRow(20, height, c.Row), shape, settings));
  EXPECT_NEAR(ToneHz(samples, 48000), wanted, 0.01 * wanted);
}

INSTANTIATE_TEST_SUITE_P(Bands, ShapedPlacement,
                         ::testing::Values(TPlacementCase{false, 0}, TPlacementCase{false, 17},
                                           TPlacementCase{false, 49}, TPlacementCase{true, 0},
                                           TPlacementCase{true, 17}, TPlacementCase{true, 49}));

// Without a band the rows span the literal synthesis' band: row m at m × 44100 / N.
TEST_F(ShapedSound, AsDrawnShapeKeepsTheLiteralLengthAndBand) {
  const TBitmap picture = OneRow(40, 100, 60);  // N = 256
  EXPECT_DOUBLE_EQ(AsDrawnSeconds(picture), 40 * 256 / 44100.0);
  const std::vector<std::int16_t> samples = WaveSamples(Run(picture, TShapedSound{}));
  EXPECT_EQ(samples.size(), 40u * 256u);
  EXPECT_NEAR(ToneHz(samples, 44100), 60 * 44100 / 256.0, 1.0);
}

// A row dark in every other column glides on and off: next to nothing lies more than 1 kHz from
// its tone (a step at each column puts about −21 dB there).
TEST_F(ShapedSound, RowSwitchedEveryColumnStaysNearItsTone) {
  const TBitmap picture = MakeGreyPicture(256, 400, [](int x, int y) { return y == 399 - 200 && x % 2 == 0 ? 0 : 255; });
  TShapedSound shape;
  shape.Seconds = 5;
  const std::vector<std::int16_t> samples = WaveSamples(Run(picture, shape));
  const std::int32_t n = 1 << 18;
  ASSERT_LE(samples.size(), static_cast<std::size_t>(n));
  std::vector<double> data(n, 0.0);
  std::copy(samples.begin(), samples.end(), data.begin());
  ForwardRealFFT(n, data);
  std::vector<double> power(n / 2);
  for (std::int32_t k = 1; k < n / 2; ++k) power[k] = data[k] * data[k] + data[n - k] * data[n - k];
  const auto tone = std::max_element(power.begin(), power.end()) - power.begin();
  EXPECT_NEAR(tone * 44100.0 / n, 200 * 44100 / 1024.0, 1.0);
  const double binHz = 44100.0 / n;
  double far = 0, all = 0;
  for (std::int32_t k = 1; k < n / 2; ++k) {
    all += power[k];
    if (std::abs(k - tone) * binHz > 1000) far += power[k];
  }
  EXPECT_LT(10 * std::log10(far / all), -60.0);
}

// The second thread takes the columns from the middle on; the samples must not change.
TEST(SmoothColumns, SecondThreadGivesTheSameSamples) {
  const TBitmap picture = MakeGreyPicture(101, 64, [](int x, int y) { return (x * x + 3 * y) % 256; });
  const TSmoothRows rows(64, {40, 15000}, true, 44100);
  const auto amplitudes = SmoothAmplitudes(TSynthesisSettings{});
  auto synthesize = [&](bool refuse) {
    testing::TStarterLog log;
    log.Refuse = refuse;
    TColumnReader reader(picture, false, false);
    TNullProgress progress;
    std::vector<float> out(300001);
    const float peak = SynthesizeSmooth(reader, amplitudes, rows, 101, out, progress, log.Starter());
    out.push_back(peak);
    return out;
  };
  EXPECT_EQ(synthesize(false), synthesize(true));
}

}  // namespace
}  // namespace ombrisk
