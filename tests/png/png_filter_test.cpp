// Row filters: the fast Paeth against the textbook one over every input, and the decoder's
// unfiltering against a literal reference and against the encoder's filters.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "picture/png/png_filter.h"
#include "picture/png/png_unfilter.h"

namespace ombrisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

int TextbookPaeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  if (pb <= pc) return b;
  return c;
}

// The format's definition, one byte at a time.
void ReferenceUnfilter(int type, Bytes& row, const Bytes& prior, std::size_t bpp) {
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0;
    const int b = prior[i];
    const int c = i >= bpp ? prior[i - bpp] : 0;
    int add = 0;
    if (type == 1) add = a;
    if (type == 2) add = b;
    if (type == 3) add = (a + b) / 2;
    if (type == 4) add = TextbookPaeth(a, b, c);
    row[i] = static_cast<std::uint8_t>(row[i] + add);
  }
}

// The heuristic written plainly: every filter over the whole row, the smallest sum of the bytes'
// magnitudes as signed values, the lower type on a tie.
int ReferenceChooseFilter(const Bytes& raw, const Bytes& prior, std::size_t bpp) {
  int best = 0;
  std::uint64_t bestCost = UINT64_MAX;
  Bytes filtered(raw.size());
  for (int type = 0; type <= 4; ++type) {
    FilterRow(type, raw.data(), prior.data(), filtered.data(), raw.size(), bpp);
    std::uint64_t cost = 0;
    for (const std::uint8_t byte : filtered) cost += static_cast<std::uint64_t>(std::abs(static_cast<std::int8_t>(byte)));
    if (cost < bestCost) {
      bestCost = cost;
      best = type;
    }
  }
  return best;
}

TEST(Paeth, FastPredictorInTheUnfilterMatchesTheTextbookForEveryInput) {
  // Row [a - c, 0] over prior [c, b] with one byte per pixel: the second byte becomes Paeth(a, b, c).
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      for (int c = 0; c < 256; ++c) {
        std::uint8_t row[2] = {static_cast<std::uint8_t>(a - c), 0};
        const std::uint8_t prior[2] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(b)};
        ASSERT_TRUE(UnfilterRow(4, row, prior, 2, 1));
        ASSERT_EQ(row[1], TextbookPaeth(a, b, c)) << a << " " << b << " " << c;
        ASSERT_EQ(PaethPredictor(a, b, c), TextbookPaeth(a, b, c));
      }
    }
  }
}

class FilterByPixelSize : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FilterByPixelSize, UnfilterMatchesTheReferenceAndUndoesTheEncoder) {
  const std::size_t bpp = GetParam();
  std::mt19937 random(static_cast<unsigned>(bpp));
  for (const std::size_t length : {std::size_t{1}, bpp - 1, bpp, bpp + 1, std::size_t{97}, std::size_t{4096}}) {
    if (length == 0) continue;
    Bytes raw(length);
    Bytes prior(length);
    for (auto& v : raw) v = static_cast<std::uint8_t>(random());
    for (auto& v : prior) v = static_cast<std::uint8_t>(random());
    for (int type = 0; type <= 4; ++type) {
      Bytes fast = raw;
      Bytes slow = raw;
      ASSERT_TRUE(UnfilterRow(static_cast<std::uint8_t>(type), fast.data(), prior.data(), length, bpp));
      ReferenceUnfilter(type, slow, prior, bpp);
      ASSERT_EQ(fast, slow) << "type " << type << " length " << length;

      Bytes filtered(length);
      FilterRow(type, raw.data(), prior.data(), filtered.data(), length, bpp);
      ASSERT_TRUE(UnfilterRow(static_cast<std::uint8_t>(type), filtered.data(), prior.data(), length, bpp));
      ASSERT_EQ(filtered, raw) << "type " << type << " length " << length;
    }
  }
}

TEST_P(FilterByPixelSize, AdaptiveFilteringChoosesAsTheHeuristicAndWritesThatFilter) {
  const std::size_t bpp = GetParam();
  std::mt19937 random(static_cast<unsigned>(bpp) + 100);
  // Rows that favour each filter in turn, long enough to be costed in several spans.
  for (const std::size_t length : {std::size_t{1}, bpp + 3, std::size_t{9000}}) {
    for (int kind = 0; kind < 6; ++kind) {
      Bytes raw(length);
      Bytes prior(length);
      for (std::size_t i = 0; i < length; ++i) {
        prior[i] = static_cast<std::uint8_t>(random() % 8 + i / 3);
        const auto noise = static_cast<std::uint8_t>(random() % (kind == 5 ? 256 : 3));
        const std::uint8_t left = i >= bpp ? raw[i - bpp] : 0;
        const std::uint8_t byKind[6] = {0, left, prior[i], static_cast<std::uint8_t>((left + prior[i]) / 2),
                                        PaethPredictor(left, prior[i], i >= bpp ? prior[i - bpp] : 0), 0};
        raw[i] = static_cast<std::uint8_t>(byKind[kind] + noise + (kind == 0 ? 40 : 0));
      }
      Bytes scratch(length);
      Bytes out(length);
      Bytes expected(length);
      const int chosen = FilterRowAdaptive(raw.data(), prior.data(), out.data(), scratch.data(), length, bpp);
      ASSERT_EQ(chosen, ReferenceChooseFilter(raw, prior, bpp)) << kind << " " << length;
      FilterRow(chosen, raw.data(), prior.data(), expected.data(), length, bpp);
      ASSERT_EQ(out, expected) << kind << " " << length;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PixelSizes, FilterByPixelSize, ::testing::Values(1, 2, 3, 4, 5, 6, 8));

TEST(Unfilter, FilterTypesAbove4AreRefusedAndLeaveTheRow) {
  Bytes row{1, 2, 3};
  const Bytes prior{4, 5, 6};
  for (const int type : {5, 6, 255}) {
    EXPECT_FALSE(UnfilterRow(static_cast<std::uint8_t>(type), row.data(), prior.data(), 3, 1));
    EXPECT_EQ(row, (Bytes{1, 2, 3}));
  }
}

}  // namespace
}  // namespace ombrisk
