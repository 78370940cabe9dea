// The grey decision and one block through the chain.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

#include "preview/grey_levels.h"
#include "preview/spectrogram_block.h"

namespace ombrisk {
namespace {

struct TGreyCase {
  double Magnitude;
  bool LogVoltage;
  int Grey;
};

std::ostream& operator<<(std::ostream& out, const TGreyCase& c) {
  return out << "m=" << c.Magnitude << (c.LogVoltage ? " decibels" : " linear");
}

class Greys : public ::testing::TestWithParam<TGreyCase> {};

TEST_P(Greys, LevelRoundsHalfToEvenAndClamps) {
  const TGreyCase c = GetParam();
  EXPECT_EQ(SpectrogramGrey(c.Magnitude, c.LogVoltage, false), c.Grey) << c.Magnitude;
  EXPECT_EQ(SpectrogramGrey(c.Magnitude, c.LogVoltage, true), 255 - c.Grey) << c.Magnitude;
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Greys,
    ::testing::Values(TGreyCase{0.0, false, 255}, TGreyCase{0.5, false, 255}, TGreyCase{1.5, false, 253},
                      TGreyCase{2.5, false, 253}, TGreyCase{100.49, false, 155}, TGreyCase{254.5, false, 1},
                      TGreyCase{255.5, false, 0}, TGreyCase{1e300, false, 0},
                      // Decibels: 20 × log10(m ÷ 4); a zero magnitude is the lowest level.
                      TGreyCase{0.0, true, 255}, TGreyCase{1e-300, true, 255}, TGreyCase{4.0, true, 255},
                      TGreyCase{40.0, true, 235}, TGreyCase{400.0, true, 215}, TGreyCase{4e12, true, 15},
                      TGreyCase{1e300, true, 0}));

// The fast decision never contradicts the formula: it gives the formula's level or declines.
// Probed where it matters most: a few ulps around every level boundary, and at random.
std::vector<double> AroundBoundaries(bool logVoltage) {
  std::vector<double> boundaries;
  for (int level = 0; level <= 256; ++level) {
    boundaries.push_back(logVoltage ? static_cast<double>(4.0L * std::pow(10.0L, (level - 0.5L) / 20.0L)) : level - 0.5);
  }
  std::vector<double> probes = {0.0, 1e-300, 1e-100, 1e-20, std::numeric_limits<double>::infinity()};
  for (const double b : boundaries) {
    double below = b;
    double above = b;
    for (int step = 0; step < 8; ++step) {
      probes.push_back(below);
      probes.push_back(above);
      below = std::nextafter(below, 0.0);
      above = std::nextafter(above, HUGE_VAL);
    }
    probes.push_back(b * (1 - 2e-9));
    probes.push_back(b * (1 + 2e-9));
  }
  return probes;
}

class FastGreyLevels : public ::testing::TestWithParam<bool> {};

TEST_P(FastGreyLevels, AgreeWithTheFormulaOrDecline) {
  const bool logVoltage = GetParam();
  const TGreyLevels levels(logVoltage);
  for (const double m : AroundBoundaries(logVoltage)) {
    if (m < 0) continue;
    const int fast = levels.FastLevel(m);
    if (fast >= 0) {
      ASSERT_EQ(fast, SpectrogramLevel(m, logVoltage)) << m;
    }
  }
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> exponent(-6.0, 15.0);
  int declined = 0;
  constexpr int kProbes = 200000;
  for (int i = 0; i < kProbes; ++i) {
    const double m = std::pow(10.0, exponent(random));
    const int fast = levels.FastLevel(m);
    if (fast < 0) {
      ++declined;
      continue;
    }
    ASSERT_EQ(fast, SpectrogramLevel(m, logVoltage)) << m;
  }
  EXPECT_LT(declined, kProbes / 10000) << "the fallback should be rare";
}

INSTANTIATE_TEST_SUITE_P(Scales, FastGreyLevels, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? std::string("Decibels") : std::string("Linear"); });

TEST(SpectrogramBlock, ConstantBlockWithRectanglerHasOnlyHalfTheBufferInBinZero) {
  for (const std::int32_t n : {128, 1024, 8192}) {
    for (const std::int16_t c : {std::int16_t{1000}, std::int16_t{-32768}}) {
      TSpectrogramSettings s;
      s.SampleSize = n;
      TSpectrogramBlock block(s);
      std::vector<std::uint8_t> bytes;
      for (int i = 0; i < n / 2; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(c) & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(c) >> 8));
      }
      block.Load(bytes);
      block.Transform();
      EXPECT_DOUBLE_EQ(block.Magnitude(0), n / 2 * std::abs(c) * 0.0005) << n << " " << c;
      // A half-filled buffer is a box: the even bins other than 0 cancel.
      EXPECT_NEAR(block.Magnitude(2), 0.0, 1e-6 * block.Magnitude(0)) << n;
    }
  }
}

TEST(SpectrogramBlock, ShortLoadClearsWhatAnEarlierBlockLeft) {
  TSpectrogramSettings s;
  s.SampleSize = 128;
  TSpectrogramBlock block(s);
  block.Load(std::vector<std::uint8_t>(128, 0x11));
  block.Transform();
  EXPECT_GT(block.Magnitude(0), 0.0);
  block.Load({});
  block.Transform();
  for (std::size_t k = 0; k < 64; ++k) EXPECT_EQ(block.Magnitude(k), 0.0) << k;
}

}  // namespace
}  // namespace ombrisk
