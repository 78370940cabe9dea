#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/pixel_bitmap.h"
#include "tests/support/picture_helpers.h"
#include "tests/synthesis/picture_preparation.h"

namespace ombrisk {
namespace {

// Every pixel distinct, so a misplaced pixel cannot pass.
TColor Tag(int x, int y) { return x + 16 * y + 0x10203 * (x + 1); }

TPixelBitmap Tagged(int width, int height) {
  TPixelBitmap bitmap;
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, Tag(x, y) & 0xFFFFFF);
  }
  return bitmap;
}

std::vector<std::vector<TColor>> Pixels(const TBitmap& bitmap) {
  std::vector<std::vector<TColor>> rows(static_cast<std::size_t>(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) rows[static_cast<std::size_t>(y)].push_back(bitmap.GetPixel(x, y));
  }
  return rows;
}

struct Shape {
  int Width;
  int Height;
};

std::string ShapeName(const ::testing::TestParamInfo<Shape>& shape) {
  return std::to_string(shape.param.Width) + "x" + std::to_string(shape.param.Height);
}

class Preparation : public ::testing::TestWithParam<Shape> {};

TEST_P(Preparation, MirrorHorizontalInPlaceReversesEveryRow) {
  const auto [w, h] = GetParam();
  TPixelBitmap bitmap = Tagged(w, h);
  const auto before = Pixels(bitmap);
  MirrorHorizontal(bitmap, bitmap);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) ASSERT_EQ(bitmap.GetPixel(x, y), before[y][w - 1 - x]) << x << "," << y;
  }
  MirrorHorizontal(bitmap, bitmap);
  EXPECT_EQ(Pixels(bitmap), before);
}

TEST_P(Preparation, MirrorVerticalInPlaceReversesEveryColumn) {
  const auto [w, h] = GetParam();
  TPixelBitmap bitmap = Tagged(w, h);
  const auto before = Pixels(bitmap);
  MirrorVertical(bitmap, bitmap);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) ASSERT_EQ(bitmap.GetPixel(x, y), before[h - 1 - y][x]) << x << "," << y;
  }
  MirrorVertical(bitmap, bitmap);
  EXPECT_EQ(Pixels(bitmap), before);
}

TEST_P(Preparation, RotateClockwiseTurnsColumnsIntoRows) {
  const auto [w, h] = GetParam();
  const TPixelBitmap source = Tagged(w, h);
  TPixelBitmap dest;
  RotateClockwise(source, dest);
  ASSERT_EQ(dest.Width(), h);
  ASSERT_EQ(dest.Height(), w);
  EXPECT_EQ(dest.PixelFormat(), TPixelFormat::pf32bit);
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) ASSERT_EQ(dest.GetPixel(h - 1 - y, x), source.GetPixel(x, y)) << x << "," << y;
  }
  // Row x of the result is column x read from the bottom: its first pixel is the bottom one.
  EXPECT_EQ(dest.GetPixel(0, 0), source.GetPixel(0, h - 1));
  EXPECT_EQ(dest.GetPixel(h - 1, 0), source.GetPixel(0, 0));
}

// The same results when the pixels are not held at 32 bits and must go pixel by pixel.
TEST_P(Preparation, OtherDepthsGiveTheSameResult) {
  const auto [w, h] = GetParam();
  const TPixelBitmap wide = Tagged(w, h);
  TBitmap narrow(wide);
  narrow.SetPixelFormat(TPixelFormat::pf24bit);

  TPixelBitmap wideFlipped = wide;
  MirrorHorizontal(wideFlipped, wideFlipped);
  MirrorVertical(wideFlipped, wideFlipped);
  TBitmap narrowFlipped = narrow;
  MirrorHorizontal(narrowFlipped, narrowFlipped);
  MirrorVertical(narrowFlipped, narrowFlipped);
  EXPECT_EQ(Pixels(narrowFlipped), Pixels(wideFlipped));

  TPixelBitmap wideTurned;
  RotateClockwise(wide, wideTurned);
  TBitmap narrowTurned;
  narrowTurned.SetPixelFormat(TPixelFormat::pf24bit);
  RotateClockwise(narrow, narrowTurned);
  EXPECT_EQ(Pixels(narrowTurned), Pixels(wideTurned));
}

INSTANTIATE_TEST_SUITE_P(Shapes, Preparation,
                         ::testing::Values(Shape{1, 1}, Shape{1, 5}, Shape{5, 1}, Shape{3, 2}, Shape{4, 4}, Shape{7, 3},
                                           Shape{2, 9}),
                         ShapeName);

TEST(Preparation, MirrorHorizontalTurnsABCDIntoDCBA) {
  TPixelBitmap row;
  row.SetSize(4, 1);
  for (int x = 0; x < 4; ++x) row.SetPixel(x, 0, 'a' + x);
  MirrorHorizontal(row, row);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(row.GetPixel(x, 0), 'd' - x);
}

TEST(Preparation, OnePixelWideOrTallIsUnchangedByItsFlip) {
  TPixelBitmap narrow = Tagged(1, 6);
  const auto column = Pixels(narrow);
  MirrorHorizontal(narrow, narrow);
  EXPECT_EQ(Pixels(narrow), column);

  TPixelBitmap flat = Tagged(6, 1);
  const auto row = Pixels(flat);
  MirrorVertical(flat, flat);
  EXPECT_EQ(Pixels(flat), row);
}

TEST(Preparation, FlipIntoADistinctBitmapLeavesTheSource) {
  const TPixelBitmap source = Tagged(3, 2);
  const auto before = Pixels(source);
  TPixelBitmap dest;
  dest.SetSize(3, 2);
  MirrorHorizontal(source, dest);
  EXPECT_EQ(Pixels(source), before);
  EXPECT_EQ(dest.GetPixel(0, 1), source.GetPixel(2, 1));
}

TEST(Preparation, RotateThreeByTwo) {
  const TPixelBitmap source = Tagged(3, 2);
  TPixelBitmap dest;
  RotateClockwise(source, dest);
  EXPECT_EQ(dest.Width(), 2);
  EXPECT_EQ(dest.Height(), 3);
  // The source's bottom-right pixel lands at the destination's bottom-left.
  EXPECT_EQ(dest.GetPixel(0, 2), source.GetPixel(2, 1));
}

TEST(Preparation, RotateOntoItselfStillTurnsThePicture) {
  TPixelBitmap bitmap = Tagged(3, 2);
  const TPixelBitmap original = bitmap;
  RotateClockwise(bitmap, bitmap);
  TPixelBitmap expected;
  RotateClockwise(original, expected);
  EXPECT_EQ(Pixels(bitmap), Pixels(expected));
}

TEST(Preparation, EmptyPicturesStayEmpty) {
  TPixelBitmap empty;
  MirrorHorizontal(empty, empty);
  MirrorVertical(empty, empty);
  TPixelBitmap turned;
  RotateClockwise(empty, turned);
  EXPECT_EQ(turned.Width(), 0);
  EXPECT_EQ(turned.Height(), 0);

  TPixelBitmap noRows;
  noRows.SetSize(5, 0);
  RotateClockwise(noRows, turned);
  EXPECT_EQ(turned.Width(), 0);
  EXPECT_EQ(turned.Height(), 5);
}

}  // namespace
}  // namespace ombrisk
