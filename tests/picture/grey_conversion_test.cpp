#include "picture/grey_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "picture/grey_kernels.h"
#include "tests/support/kernel_paths.h"
#include "toolkit/bitmap.h"

namespace ombrisk {
namespace {

// The definition, written out literally: products and sums in long double, red first.
int ReferenceGrey(int red, int green, int blue) {
  return static_cast<int>(std::nearbyint(static_cast<long double>(red) * 0.298912L +
                                         static_cast<long double>(green) * 0.586611L +
                                         static_cast<long double>(blue) * 0.114478L));
}

struct Primary {
  std::uint8_t red, green, blue;
  int grey;
};

TEST(GreyLevel, WhiteAndPrimaries) {
  const Primary cases[] = {
      {255, 255, 255, 255}, {255, 0, 0, 76}, {0, 255, 0, 150}, {0, 0, 255, 29}, {0, 0, 0, 0},
  };
  for (const Primary& c : cases) {
    EXPECT_EQ(GreyLevel(c.red, c.green, c.blue), c.grey) << int{c.red} << "," << int{c.green} << "," << int{c.blue};
  }
}

// Every one of the 16.7 million colours through each row kernel, against the literal formula:
// this is what proves the fixed-point shortcut, its margin around the halves and the vector code.
class GreyRowKernel : public test::KernelPathTest {};

TEST_P(GreyRowKernel, EveryColourMatchesTheLongDoubleFormula) {
  const TForcedKernelPath forced(grey::GreyRowPaths(), GetParam());
  std::vector<std::uint8_t> row(256 * 3);
  int mismatches = 0;
  for (int red = 0; red < 256; ++red) {
    for (int green = 0; green < 256; ++green) {
      for (int blue = 0; blue < 256; ++blue) {
        row[3 * blue] = static_cast<std::uint8_t>(blue);
        row[3 * blue + 1] = static_cast<std::uint8_t>(green);
        row[3 * blue + 2] = static_cast<std::uint8_t>(red);
      }
      ConvertRowToGrey(row.data(), 256);
      for (int blue = 0; blue < 256; ++blue) {
        const int expected = ReferenceGrey(red, green, blue);
        const bool same = row[3 * blue] == expected && row[3 * blue + 1] == expected && row[3 * blue + 2] == expected;
        if (!same && ++mismatches <= 5) {
          ADD_FAILURE() << "colour " << red << "," << green << "," << blue << " gave " << int{row[3 * blue]}
                        << ", expected " << expected;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Kernels, GreyRowKernel, test::EveryPathOf(grey::GreyRowPaths()), test::PathName);

TEST(ConvertRowToGrey, OddWidthsLeaveBytesBeyondTheRowAlone) {
  for (const std::size_t width : std::initializer_list<std::size_t>{0, 1, 15, 16, 17, 31, 63, 64, 65, 200}) {
    std::vector<std::uint8_t> row(width * 3 + 3, 0xAB);
    for (std::size_t i = 0; i < width * 3; ++i) row[i] = static_cast<std::uint8_t>(i * 37);
    std::vector<std::uint8_t> expected = row;
    for (std::size_t x = 0; x < width; ++x) {
      const auto g = static_cast<std::uint8_t>(ReferenceGrey(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
      expected[3 * x] = expected[3 * x + 1] = expected[3 * x + 2] = g;
    }
    ConvertRowToGrey(row.data(), width);
    EXPECT_EQ(row, expected) << "width " << width;
  }
}

TEST(ConvertToGrey, PalettedPixelsTakeTheirPaletteColours) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf8bit);
  bitmap.SetPalette({{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {10, 200, 30, 0}});
  bitmap.SetSize(4, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>((x + y) % 4);
  }
  ConvertToGrey(bitmap);
  ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  const int greys[] = {76, 150, 29, ReferenceGrey(10, 200, 30)};
  for (int y = 0; y < 2; ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < 4; ++x) {
      const int g = greys[(x + y) % 4];
      EXPECT_EQ(row[3 * x], g);
      EXPECT_EQ(row[3 * x + 1], g);
      EXPECT_EQ(row[3 * x + 2], g);
    }
  }
}

TEST(ConvertToGrey, ThirtyTwoBitAndEmptyBitmaps) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(3, 1);
  bitmap.SetPixel(0, 0, 0x0000FF);  // red
  bitmap.SetPixel(1, 0, 0x00FF00);  // green
  bitmap.SetPixel(2, 0, 0xFF0000);  // blue
  ConvertToGrey(bitmap);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.GetPixel(0, 0), 76 * 0x010101);
  EXPECT_EQ(bitmap.GetPixel(1, 0), 150 * 0x010101);
  EXPECT_EQ(bitmap.GetPixel(2, 0), 29 * 0x010101);

  TBitmap empty;
  ConvertToGrey(empty);
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.PixelFormat(), TPixelFormat::pf24bit);
}

}  // namespace
}  // namespace ombrisk

namespace ombrisk {
namespace {

// The one-pass grey into another bitmap must give what a copy followed by ConvertToGrey gives,
// whatever the destination held before.
TEST(WriteGreyInto, MatchesCopyThenConvertForAnyEarlierDestination) {
  TBitmap source;
  source.SetPixelFormat(TPixelFormat::pf32bit);
  source.SetSize(67, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 67; ++x) source.SetPixel(x, y, (x * 0x030507 + y * 0x110D0B) & 0xFFFFFF);
  }
  TBitmap expected;
  expected.Assign(source);
  ConvertToGrey(expected);

  TBitmap sameSize;
  sameSize.SetSize(67, 5);
  TBitmap larger;
  larger.SetSize(200, 9);
  TBitmap otherDepth;
  otherDepth.SetPixelFormat(TPixelFormat::pf8bit);
  otherDepth.SetSize(3, 3);
  for (TBitmap* dest : {&sameSize, &larger, &otherDepth}) {
    int changes = 0;
    dest->OnChange = [&](TGraphic&) { ++changes; };
    TBitmap colours;
    colours.Assign(source);
    WriteGreyInto(colours, *dest);
    ASSERT_EQ(dest->PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(dest->Width(), 67);
    ASSERT_EQ(dest->Height(), 5);
    for (int y = 0; y < 5; ++y) {
      EXPECT_EQ(std::memcmp(dest->ScanLine(y), expected.ScanLine(y), 67 * 3), 0) << "row " << y;
    }
    EXPECT_GT(changes, 0) << "the destination signals its change";
  }
}

}  // namespace
}  // namespace ombrisk
