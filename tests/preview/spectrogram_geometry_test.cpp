#include "preview/spectrogram_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>

#include "preview/spectrogram_block.h"

namespace ombrisk {
namespace {

TEST(SpectrogramGeometry, SampleSizeIndexesAndHeights) {
  const std::int32_t sizes[] = {128, 256, 512, 1024, 2048, 4096, 8192};
  for (int i = 0; i < kSampleSizeCount; ++i) {
    EXPECT_EQ(SampleSizeForIndex(i), sizes[i]);
    EXPECT_EQ(SpectrogramHeight(sizes[i]), sizes[i] / 2);
  }
  EXPECT_THROW(SampleSizeForIndex(7), EInvalidSettings);
  EXPECT_THROW(SampleSizeForIndex(-1), EInvalidSettings);
}

TEST(SpectrogramGeometry, WidthCountsWholeAndPartialRuns) {
  struct {
    std::uint32_t D;
    std::int32_t N;
    std::int64_t W;
  } const cases[] = {{0, 1024, 0},       {1, 1024, 0},    {2, 1024, 1},         {2048, 1024, 1}, {2050, 1024, 2},
                     {6144, 1024, 3},    {2200, 1024, 2}, {0xFFFFFFFFu, 128, 16777216},
                     {0xFFFFFFFFu, 8192, 262144}};
  for (const auto& c : cases) EXPECT_EQ(SpectrogramWidth(c.D, c.N), c.W) << c.D << " " << c.N;
}

TEST(SpectrogramGeometry, BrightnessFactor) {
  TSpectrogramSettings s;
  EXPECT_EQ(BrightnessFactor(s), 0.0005);
  s.BrightnessPosition = 100;
  EXPECT_EQ(BrightnessFactor(s), 0.001);
  s.BrightnessPosition = 0;
  EXPECT_EQ(BrightnessFactor(s), 0.0);
}

int RowFromBottom(const std::vector<int>& rows, int k) { return static_cast<int>(rows.size()) - 1 - rows[static_cast<std::size_t>(k)]; }

TEST(SpectrogramGeometry, LogarithmicRowsOfTheKnownBins) {
  const std::vector<int> rows1024 = SpectrogramRows(1024, true);
  const std::pair<int, int> known1024[] = {{1, 0}, {2, 57}, {3, 90}, {4, 114}, {10, 189}, {100, 377}, {511, 511}};
  for (const auto& [bin, row] : known1024) EXPECT_EQ(RowFromBottom(rows1024, bin), row) << "bin " << bin;
  EXPECT_EQ(rows1024[0], kNoRow);
  EXPECT_EQ(rows1024[2], 454);

  const std::vector<int> rows128 = SpectrogramRows(128, true);
  const std::pair<int, int> known128[] = {{1, 0}, {2, 11}, {3, 17}, {4, 21}, {10, 35}, {63, 63}};
  for (const auto& [bin, row] : known128) EXPECT_EQ(RowFromBottom(rows128, bin), row) << "bin " << bin;
}

TEST(SpectrogramGeometry, LogarithmicRowsReachOnly232Of512) {
  const std::vector<int> rows = SpectrogramRows(1024, true);
  const std::set<int> reached(rows.begin() + 1, rows.end());
  EXPECT_EQ(reached.size(), 232u);
  // Rows 1 to 56 from the bottom lie between bins 1 and 2.
  for (int fromBottom = 1; fromBottom <= 56; ++fromBottom) EXPECT_EQ(reached.count(511 - fromBottom), 0u) << fromBottom;
  // Several bins land on one row near the top; rows never go backwards.
  EXPECT_TRUE(std::is_sorted(rows.begin() + 1, rows.end(), std::greater<>()));
}

TEST(SpectrogramGeometry, LinearRowsPutBinZeroAtTheBottom) {
  for (const std::int32_t n : {128, 8192}) {
    const std::vector<int> rows = SpectrogramRows(n, false);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(n / 2));
    for (int k = 0; k < n / 2; ++k) ASSERT_EQ(rows[static_cast<std::size_t>(k)], n / 2 - 1 - k);
  }
}

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
      EXPECT_DOUBLE_EQ(block.Magnitudes()[0], n / 2 * std::abs(c) * 0.0005) << n << " " << c;
      // A half-filled buffer is a box: the even bins other than 0 cancel.
      EXPECT_NEAR(block.Magnitudes()[2], 0.0, 1e-6 * block.Magnitudes()[0]) << n;
    }
  }
}

TEST(SpectrogramBlock, ShortLoadClearsWhatAnEarlierBlockLeft) {
  TSpectrogramSettings s;
  s.SampleSize = 128;
  TSpectrogramBlock block(s);
  block.Load(std::vector<std::uint8_t>(128, 0x11));
  block.Transform();
  EXPECT_GT(block.Magnitudes()[0], 0.0);
  block.Load({});
  block.Transform();
  for (const double m : block.Magnitudes()) EXPECT_EQ(m, 0.0);
}

}  // namespace
}  // namespace ombrisk
