#include "spectrogram/spectrogram_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>


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

}  // namespace
}  // namespace ombrisk
