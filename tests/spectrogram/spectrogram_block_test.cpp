// The grey decision and one block through the chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

#include "spectrogram/grey_levels.h"
#include "spectrogram/level_kernels.h"
#include "spectrogram/spectrogram_block.h"
#include "tests/support/kernel_paths.h"

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

// The fast decisions never contradict the formula: each gives the formula's level or declines.
// Probed where it matters most: a few ulps around every level boundary, and at random.
std::vector<double> AroundBoundaries(bool logVoltage) {
  std::vector<double> probes = {0.0, 1e-300, 1e-100, 1e-20};
  for (int level = 0; level <= 256; ++level) {
    const double b = logVoltage ? static_cast<double>(4.0L * std::pow(10.0L, (level - 0.5L) / 20.0L)) : level - 0.5;
    if (b < 0) continue;
    double below = b;
    double above = b;
    for (int step = 0; step < 8; ++step) {
      probes.push_back(below);
      probes.push_back(above);
      below = std::nextafter(below, 0.0);
      above = std::nextafter(above, HUGE_VAL);
    }
    for (const double offset : {-3e-4, -2e-9, 2e-9, 3e-4}) probes.push_back(b * (1 + offset));
  }
  return probes;
}

TEST(DecibelLevels, AgreeWithTheFormulaOrDecline) {
  const TDecibelLevels decibels;
  for (const double m : AroundBoundaries(true)) {
    const int fast = decibels.FastLevel(m);
    if (fast >= 0) {
      ASSERT_EQ(fast, SpectrogramLevel(m, true)) << m;
    }
  }
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> exponent(-6.0, 15.0);
  int declined = 0;
  constexpr int kProbes = 200000;
  for (int i = 0; i < kProbes; ++i) {
    const double m = std::pow(10.0, exponent(random));
    const int fast = decibels.FastLevel(m);
    if (fast < 0) {
      ++declined;
      continue;
    }
    ASSERT_EQ(fast, SpectrogramLevel(m, true)) << m;
  }
  EXPECT_LT(declined, kProbes / 10000) << "the fallback should be rare";
}

// The linear vector loop over whole packed spectra: magnitudes at and around every half, and at
// random, in every bin position (the first eight go one by one, the rest in vectors).
class LinearLevelsLoop : public test::KernelPathTest {};

TEST_P(LinearLevelsLoop, AgreesWithTheFormulaWhereverItDecides) {
  const TForcedKernelPath forced(ombrisk::LinearLevelPaths(), GetParam());
  for (const std::int32_t n : {128, 1024}) {
    const std::size_t half = static_cast<std::size_t>(n / 2);
    const double factor = 0.0005;
    const std::vector<double> magnitudes = AroundBoundaries(false);
    std::mt19937_64 random(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> angle(0.0, 6.283185307179586);
    std::uniform_real_distribution<double> loud(0.0, 300.0);
    int declinedAtRandom = 0;
    int atRandom = 0;
    int declinedOnHalves = 0;
    for (std::size_t round = 0; round < 40; ++round) {
      std::vector<double> t(static_cast<std::size_t>(n), 0.0);
      std::vector<double> wanted(half);
      std::vector<int> kind(half);  // 0 near a boundary, 1 at random, 2 exactly on a half
      for (std::size_t k = 0; k < half; ++k) {
        // Odd bins at random, even bins through the probes.
        const std::size_t pick = (round * half + k) / 2 % magnitudes.size();
        const bool atRandomHere = k % 2 == 1;
        const double m = atRandomHere ? loud(random) : magnitudes[pick];
        kind[k] = atRandomHere ? 1 : m - std::floor(m) == 0.5 ? 2 : 0;
        // A magnitude on the real axis where only C(k) is set, elsewhere at an angle.
        const double a = k == 0 || k % 3 == 0 ? 0.0 : angle(random);
        t[k] = m / factor * std::cos(a);
        if (k > 0) t[static_cast<std::size_t>(n) - k] = m / factor * std::sin(a);
        const long double c = t[k];
        const long double s = k == 0 ? 0.0L : t[static_cast<std::size_t>(n) - k];
        wanted[k] = static_cast<double>(std::sqrt(c * c + s * s) * static_cast<long double>(factor));
      }
      std::vector<std::uint8_t> levels(half);
      std::vector<std::uint8_t> undecided(half);
      const bool any = LinearLevels(t, factor, levels, undecided);
      EXPECT_EQ(any, std::count(undecided.begin(), undecided.end(), 1) > 0);
      for (std::size_t k = 0; k < half; ++k) {
        ASSERT_LE(undecided[k], 1);
        atRandom += kind[k] == 1;
        if (undecided[k] != 0) {
          declinedAtRandom += kind[k] == 1;
          declinedOnHalves += kind[k] == 2;
          continue;
        }
        ASSERT_EQ(levels[k], SpectrogramLevel(wanted[k], false)) << "n " << n << " bin " << k << " m " << wanted[k];
      }
    }
    EXPECT_GT(declinedOnHalves, 0) << n;
    EXPECT_LT(declinedAtRandom, atRandom / 100) << n << ": the fallback should be rare";
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, LinearLevelsLoop, test::EveryPathOf(ombrisk::LinearLevelPaths()), test::PathName);

TEST(LevelKernels, ReverseFlippedWritesTheTopRowFirst) {
  std::vector<std::uint8_t> levels(21);
  for (std::size_t k = 0; k < levels.size(); ++k) levels[k] = static_cast<std::uint8_t>(10 * k);
  std::vector<std::uint8_t> column(21);
  ReverseFlipped(levels, column.data(), 255);
  for (std::size_t k = 0; k < levels.size(); ++k) EXPECT_EQ(column[20 - k], 255 - 10 * k) << k;
  ReverseFlipped(levels, column.data(), 0);
  for (std::size_t k = 0; k < levels.size(); ++k) EXPECT_EQ(column[20 - k], 10 * k) << k;
}

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

}  // namespace
}  // namespace ombrisk
