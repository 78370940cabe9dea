#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "toolkit/pixel_bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/stream.h"
#include "tests/support/picture_helpers.h"

namespace ombrisk {
namespace {

TEST(PixelBitmap, StartsEmptyAt32BitsAndFillDoesNothing) {
  TPixelBitmap bitmap;
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_FALSE(bitmap.IsNotEmpty());
  bitmap.Fill(1, 2, 3);
  EXPECT_EQ(bitmap.Width(), 0);
}

TEST(PixelBitmap, AssignFrom24BitsKeepsColoursAt32Bits) {
  const TBitmap source = test::MakePicture(3, 2, [](int x, int y) {
    return test::Rgb{static_cast<std::uint8_t>(10 * x + y), static_cast<std::uint8_t>(100 + x), static_cast<std::uint8_t>(200 + y)};
  });
  TPixelBitmap copy;
  copy.Assign(source);
  EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf32bit);
  ASSERT_EQ(copy.Width(), 3);
  ASSERT_EQ(copy.Height(), 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const TRGB c = copy.GetPixelRGB(x, y);
      EXPECT_EQ(c.Red, 10 * x + y);
      EXPECT_EQ(c.Green, 100 + x);
      EXPECT_EQ(c.Blue, 200 + y);
      EXPECT_EQ(copy.GetPixelColor(x, y), source.GetPixel(x, y));
    }
  }
}

TEST(PixelBitmap, LoadingAnyDepthEndsAt32Bits) {
  TBitmap source = test::MakeGreyPicture(4, 3, [](int x, int y) { return 60 * y + x; });
  source.SetPixelFormat(TPixelFormat::pf8bit);
  TMemoryStream file;
  source.SaveToStream(file);
  file.SetPosition(0);
  TPixelBitmap loaded;
  loaded.LoadFromStream(file);
  EXPECT_EQ(loaded.PixelFormat(), TPixelFormat::pf32bit);
  ASSERT_EQ(loaded.Width(), 4);
  EXPECT_EQ(loaded.GetPixelColor(1, 2), source.GetPixel(1, 2));
}

TEST(PixelBitmap, ResizingKeeps32Bits) {
  TPixelBitmap bitmap;
  bitmap.SetWidth(5);
  bitmap.SetHeight(7);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(bitmap.BytesPerScanLine(), 20u);
}

TEST(PixelBitmap, PackedColourAndByteOrder) {
  TPixelBitmap bitmap;
  bitmap.SetSize(2, 2);
  std::uint8_t* pixel = bitmap.ScanLine(1) + 4;
  pixel[0] = 10;  // blue
  pixel[1] = 20;  // green
  pixel[2] = 30;  // red
  EXPECT_EQ(bitmap.GetPixelColor(1, 1), 660510);
  const TRGB rgb = bitmap.GetPixelRGB(1, 1);
  EXPECT_EQ(std::make_tuple(rgb.Red, rgb.Green, rgb.Blue), std::make_tuple(30, 20, 10));
}

TEST(PixelBitmap, SetPixelRGBKeepsFourthByteAndFillClearsIt) {
  TPixelBitmap bitmap;
  bitmap.SetSize(3, 2);
  bitmap.ScanLine(0)[4 + 3] = 0xAB;
  bitmap.SetPixelRGB(1, 0, 1, 2, 3);
  const std::uint8_t* pixel = bitmap.ScanLine(0) + 4;
  EXPECT_EQ(pixel[0], 3);
  EXPECT_EQ(pixel[1], 2);
  EXPECT_EQ(pixel[2], 1);
  EXPECT_EQ(pixel[3], 0xAB);

  for (int y = 0; y < 2; ++y) bitmap.ScanLine(y)[11] = 0xCD;
  bitmap.Fill(7, 8, 9);
  for (int y = 0; y < 2; ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(row[4 * x], 9);
      EXPECT_EQ(row[4 * x + 1], 8);
      EXPECT_EQ(row[4 * x + 2], 7);
      EXPECT_EQ(row[4 * x + 3], 0);
    }
  }
}

TEST(PixelBitmap, RowsOutsideThePictureRaiseTheScanLineError) {
  TPixelBitmap bitmap;
  bitmap.SetSize(2, 2);
  for (const int y : {-1, 2}) {
    try {
      bitmap.SetPixelRGB(0, y, 1, 1, 1);
      ADD_FAILURE() << "row " << y << " was accepted";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), kSScanLine);
    }
    EXPECT_THROW(bitmap.GetPixelColor(0, y), EInvalidGraphicOperation);
  }
}

TEST(PixelBitmap, FillOnAWideBitmapWithoutRowsFailsAtItsFirstRow) {
  TPixelBitmap bitmap;
  bitmap.SetSize(4, 0);
  ASSERT_TRUE(bitmap.IsNotEmpty());
  EXPECT_THROW(bitmap.Fill(1, 2, 3), EInvalidGraphicOperation);
}

TEST(ClampByte, HoldsValuesToAByte) {
  const std::pair<std::int32_t, int> cases[] = {
      {-5, 0}, {-2147483647 - 1, 0}, {0, 0}, {1, 1}, {128, 128}, {254, 254}, {255, 255}, {256, 255}, {300, 255},
      {2147483647, 255}};
  for (const auto& [in, out] : cases) EXPECT_EQ(ClampByte(in), out) << in;
}

}  // namespace
}  // namespace ombrisk
