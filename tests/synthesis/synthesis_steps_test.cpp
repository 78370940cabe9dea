#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "synthesis/column_spectrum.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/exception.h"

namespace ombrisk {
namespace {

constexpr double kCos0707 = 0.7603139617444397;
constexpr double kSin0707 = 0.6495557555564224;

TEST(SamplesPerColumn, TwiceThePowerOfTwoAtOrAboveTheHeight) {
  const std::pair<int, std::int32_t> cases[] = {{0, 0},     {1, 2},      {2, 4},       {3, 8},         {4, 8},
                                                {5, 16},    {255, 512},  {256, 512},   {257, 1024},    {1024, 2048},
                                                {1025, 4096}, {2048, 4096}, {1 << 20, 1 << 21}, {(1 << 20) + 1, 1 << 22}};
  for (const auto& [height, n] : cases) EXPECT_EQ(SamplesPerColumn(height), n) << "height " << height;
}

TEST(WaveDataBytes, ColumnsTimesSamplesTimesTwoUpToTheHeadersLimit) {
  EXPECT_EQ(WaveDataBytes(0, 5, 16), 0u);
  EXPECT_EQ(WaveDataBytes(3, 512, 1024), 6144u);
  // 36 + D must still fit in 32 bits: the largest D is 4294967259.
  EXPECT_EQ(WaveDataBytes(1, 1, 2147483629), 4294967258u);
  try {
    WaveDataBytes(1 << 20, 2049, 8192);
    FAIL() << "a wave of 16 GiB was accepted";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(),
              "1048576 × 2049 ピクセルの画像の音声は 17179869184 バイトになり、WAVE ファイルの上限 4294967259 バイトを超えます");
  }
  EXPECT_THROW(WaveDataBytes(65536, 16384, 32768), EOutOfResources);  // exactly 4 GiB
  EXPECT_THROW(WaveDataBytes(1, 1, 2147483630), EOutOfResources);     // 36 + D would wrap
}

TEST(ApplyBinPhase, ScalesTheLowerHalfAndScalesAndReversesTheUpperHalf) {
  std::vector<double> spectrum = {1, 2, 3, 4, 10, 20, 30, 40};
  ApplyBinPhase(spectrum, 8);
  const double expected[] = {1 * kCos0707,  2 * kCos0707,  3 * kCos0707,  4 * kCos0707,
                             40 * kSin0707, 30 * kSin0707, 20 * kSin0707, 10 * kSin0707};
  for (std::size_t i = 0; i < spectrum.size(); ++i) EXPECT_NEAR(spectrum[i], expected[i], 1e-12) << i;
}

TEST(ApplyBinPhase, TwoPointsAndValuesPastNAreLeftAlone) {
  std::vector<double> spectrum = {100, 50, 7};
  ApplyBinPhase(std::span<double>(spectrum).first(2), 2);
  EXPECT_NEAR(spectrum[0], 100 * kCos0707, 1e-10);
  EXPECT_NEAR(spectrum[1], 50 * kSin0707, 1e-10);
  EXPECT_EQ(spectrum[2], 7);
}

TEST(ClampSample, SaturatesAtTheSixteenBitRange) {
  const std::pair<double, int> cases[] = {{0, 0},           {1, 1},          {-1, -1},         {32767, 32767},
                                          {32768, 32767},   {1e12, 32767},   {-32768, -32768}, {-32769, -32768},
                                          {-1e12, -32768},  {12345, 12345},  {std::numeric_limits<double>::quiet_NaN(), -32768}};
  for (const auto& [in, out] : cases) EXPECT_EQ(ClampSample(in), out) << in;
}

TEST(ScaleSamples, FiveTimesRoundedHalfToEvenInExtendedPrecision) {
  // 0.3 is stored just below 0.3 and 0.1 just above 0.1: five times them is just off a half and
  // must round away from it, which a product first rounded to double (exactly 1.5 and 0.5, then to
  // even) gets wrong. Exact halves go to the even neighbour.
  const std::vector<double> output = {0.1, 0.3, 0.5, 0.7, -0.1, -0.3, 1.5, 2.5, 0.0, 6553.5, 6553.7, -6553.7, -6553.6};
  const std::vector<std::int16_t> expected = {1, 1, 2, 3, -1, -1, 8, 12, 0, 32767, 32767, -32768, -32768};
  std::vector<std::int16_t> samples(output.size());
  ScaleSamples(output, samples);
  EXPECT_EQ(samples, expected);
}

TEST(ScaleSamples, AgreesWithTheExtendedPrecisionFormulaNearEveryHalf) {
  // Values whose fivefold lies on, just above and just below each half, and random ones.
  std::vector<double> output;
  for (int k = -33000; k <= 33000; k += 7) {
    const double half = (k + 0.5) / 5.0;
    output.insert(output.end(), {half, std::nextafter(half, 1e9), std::nextafter(half, -1e9), k / 5.0});
  }
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> spread(-8000.0, 8000.0);
  for (int i = 0; i < 20000; ++i) output.push_back(spread(random));
  output.insert(output.end(), {0.0, -0.0, 1e12, -1e12, 6553.4, 6553.5, -6553.6, -6553.7});
  std::vector<std::int16_t> samples(output.size());
  ScaleSamples(output, samples);
  for (std::size_t i = 0; i < output.size(); ++i) {
    const long double exact = static_cast<long double>(output[i]) * 5.0L;
    ASSERT_EQ(samples[i], ClampSample(static_cast<double>(std::llrint(exact)))) << std::hexfloat << output[i];
  }
}

TEST(ScaleSamples, SaturatesAndMapsNotANumberInEveryLaneOfAWideGroup) {
  // Plain values with one extreme among them, moved through every position of a 16-value group.
  const double extremes[] = {1e12, -1e12, 6553.5, -6553.7, std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
  const std::int16_t expected[] = {32767, -32768, 32767, -32768, 32767, -32768, -32768};
  for (std::size_t e = 0; e < std::size(extremes); ++e) {
    for (std::size_t position = 0; position < 48; ++position) {
      std::vector<double> output(48);
      for (std::size_t i = 0; i < output.size(); ++i) output[i] = 100.3 * static_cast<double>(i) - 2000.0;
      output[position] = extremes[e];
      std::vector<std::int16_t> samples(output.size());
      ScaleSamples(output, samples);
      ASSERT_EQ(samples[position], expected[e]) << e << " at " << position;
      const std::size_t next = (position + 1) % 48;
      const long double exact = static_cast<long double>(output[next]) * 5.0L;
      ASSERT_EQ(samples[next], ClampSample(static_cast<double>(std::llrint(exact)))) << next;
    }
  }
}

TEST(LogarithmicAmplitude, SpansOneDecadeFrom1638Point35) {
  EXPECT_DOUBLE_EQ(LogarithmicAmplitude(0), 1638.35);
  EXPECT_DOUBLE_EQ(LogarithmicAmplitude(255), 16383.5);
  EXPECT_NEAR(LogarithmicAmplitude(127.5), 1638.35 * std::sqrt(10.0), 1e-9);
}

TEST(LogarithmicBin, OneDecadeStartingAtATwentiethOfN) {
  struct Case {
    int M, Height;
    std::int32_t N;
    std::int64_t Bin;
  };
  const Case cases[] = {
      {0, 1, 2, 0},       {0, 2, 4, 0},        {1, 2, 4, 0},       {0, 4, 8, 0},     {1, 4, 8, 0},
      {2, 4, 8, 1},       {3, 4, 8, 2},        {0, 256, 512, 25},  {255, 256, 512, 253}, {128, 256, 512, 80},
      {0, 257, 1024, 51}, {256, 257, 1024, 507}};
  for (const Case& c : cases) {
    EXPECT_EQ(LogarithmicBin(c.M, c.Height, c.N), c.Bin) << c.M << " of " << c.Height << ", n " << c.N;
    const long double direct = std::pow(10.0L, static_cast<long double>(c.M) / c.Height) * c.N;
    EXPECT_EQ(LogarithmicBin(c.M, c.Height, c.N), std::llrint(direct) / 20);
  }
}

TEST(LogarithmicBin, StaysBelowHalfOfNForEveryRow) {
  for (const int height : {1, 2, 3, 7, 64, 100, 1000, 4097}) {
    const std::int32_t n = SamplesPerColumn(height);
    std::int64_t previous = 0;
    for (int m = 0; m < height; ++m) {
      const std::int64_t bin = LogarithmicBin(m, height, n);
      ASSERT_LT(bin, n / 2) << m << " of " << height;
      ASSERT_GE(bin, previous);
      previous = bin;
    }
  }
}

// Channel sums of grey pixels, the bottom pixel first.
std::vector<std::uint16_t> ColumnOfGreys(const std::vector<int>& greys) {
  std::vector<std::uint16_t> sums;
  for (const int g : greys) sums.push_back(static_cast<std::uint16_t>(3 * g));
  return sums;
}

TEST(ColumnSpectrum, LinearPlacementInvertsAndZeroesTheRest) {
  TSynthesisSettings settings;
  const TColumnSpectrum column(3, 8, settings);
  std::vector<double> spectrum(8, 99.0);
  const auto row = ColumnOfGreys({0, 255, 100});
  column.Fill(row, false, spectrum);
  EXPECT_EQ(spectrum, (std::vector<double>{255, 0, 155, 0, 0, 0, 0, 0}));

  settings.Invert = false;
  const TColumnSpectrum plain(3, 8, settings);
  plain.Fill(row, false, spectrum);
  EXPECT_EQ(spectrum, (std::vector<double>{0, 255, 100, 0, 0, 0, 0, 0}));
}

TEST(ColumnSpectrum, PhasedFillIsApplyBinPhaseAfterAPlainFill) {
  for (const int flags : {0, 1, 2, 3, 4, 5, 6, 7}) {
    TSynthesisSettings settings;
    settings.Invert = (flags & 1) != 0;
    settings.LogAmplitude = (flags & 2) != 0;
    settings.LogFrequency = (flags & 4) != 0;
    // 766 pixels: every channel sum once, in a column tall enough to give each its own bin.
    const int height = 766;
    const std::int32_t n = SamplesPerColumn(height);
    const TColumnSpectrum column(height, n, settings);
    std::vector<std::uint16_t> row(static_cast<std::size_t>(height));
    for (int sum = 0; sum < height; ++sum) row[static_cast<std::size_t>(sum)] = static_cast<std::uint16_t>(sum);
    std::vector<double> expected(static_cast<std::size_t>(n));
    column.Fill(row, false, expected);
    ApplyBinPhase(expected, n);
    std::vector<double> phased(static_cast<std::size_t>(n), 1.0);
    column.Fill(row, true, phased);
    for (std::size_t k = 0; k < phased.size(); ++k) {
      ASSERT_EQ(std::signbit(phased[k]), std::signbit(expected[k])) << k;
      ASSERT_EQ(phased[k], expected[k]) << "flags " << flags << ", bin " << k;
    }
  }
}

TEST(ColumnSpectrum, GreyIsTheTruncatedMeanOfTheChannels) {
  TSynthesisSettings settings;
  settings.Invert = false;
  const TColumnSpectrum column(2, 4, settings);
  const std::vector<std::uint16_t> row = {2, 764};  // greys 0 and 254
  std::vector<double> spectrum(4);
  column.Fill(row, false, spectrum);
  EXPECT_EQ(spectrum[0], 0);
  EXPECT_EQ(spectrum[1], 254);
}

TEST(ColumnSpectrum, LogarithmicAmplitudeLeavesNoPixelSilent) {
  TSynthesisSettings settings;
  settings.LogAmplitude = true;
  const TColumnSpectrum column(4, 8, settings);
  std::vector<double> spectrum(8);
  const auto white = ColumnOfGreys({255, 255, 255, 255});
  column.Fill(white, false, spectrum);
  for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(spectrum[static_cast<std::size_t>(k)], 1638.35) << k;
  EXPECT_DOUBLE_EQ(column.Amplitude(0), 16383.5);
}

TEST(ColumnSpectrum, LogarithmicPlacementSharesLowBinsAndTheHigherPixelWins) {
  TSynthesisSettings settings;
  settings.Invert = false;
  settings.LogFrequency = true;
  const TColumnSpectrum column(4, 8, settings);  // bins 0, 0, 1, 2
  std::vector<double> spectrum(8, 5.0);
  const auto row = ColumnOfGreys({10, 20, 30, 40});
  column.Fill(row, false, spectrum);
  EXPECT_EQ(spectrum, (std::vector<double>{20, 30, 40, 0, 0, 0, 0, 0}));

  // With many rows the top of the range leaves unplaced bins between placed ones.
  const TColumnSpectrum tall(64, 128, settings);
  int gaps = 0;
  for (int m = 1; m < 64; ++m) gaps += tall.Bin(m) - tall.Bin(m - 1) > 1 ? 1 : 0;
  EXPECT_GT(gaps, 0);
  EXPECT_EQ(tall.Bin(0), 6);
  EXPECT_EQ(tall.Bin(1), 6);
}

}  // namespace
}  // namespace ombrisk
