#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/toolkit/bmp_builder.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

using bmptest::BmpSpec;
using bmptest::BuildBmp;

constexpr TColor RgbColour(int r, int g, int b) { return r + 256 * g + 65536 * b; }

TBitmap Load(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream stream;
  bmptest::Fill(stream, bytes);
  TBitmap b;
  b.LoadFromStream(stream);
  return b;
}

std::vector<int> Indices(const TBitmap& b, int y) {
  std::vector<int> out;
  const std::uint8_t* row = b.ScanLine(y);
  for (int x = 0; x < b.Width(); ++x) {
    switch (b.PixelFormat()) {
      case TPixelFormat::pf1bit: out.push_back((row[x / 8] >> (7 - x % 8)) & 1); break;
      case TPixelFormat::pf4bit: out.push_back(x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4); break;
      default: out.push_back(row[x]); break;
    }
  }
  return out;
}

TEST(BitmapReading, CoreHeaderWithThreeByteColourTable) {
  BmpSpec s;
  s.headerBytes = 12;
  s.width = 10;
  s.height = 2;
  s.bits = 1;
  s.table = {{30, 20, 10}, {220, 210, 200}};
  s.pixels = {0xA0, 0x00, 0, 0,   // bottom row: 1 0 1 0 ...
              0x00, 0x40, 0, 0};  // top row: ... 0 1
  const TBitmap b = Load(BuildBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf1bit);
  ASSERT_EQ(b.Width(), 10);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(b.GetPixel(0, 1), RgbColour(200, 210, 220));
  EXPECT_EQ(b.GetPixel(1, 1), RgbColour(10, 20, 30));
  EXPECT_EQ(b.GetPixel(2, 1), RgbColour(200, 210, 220));
  EXPECT_EQ(b.GetPixel(9, 0), RgbColour(200, 210, 220));
  EXPECT_EQ(b.GetPixel(8, 0), RgbColour(10, 20, 30));
}

TEST(BitmapReading, ColourTablesShorterThanTheDepthAllows) {
  // Said by the colour count.
  BmpSpec counted;
  counted.bits = 8;
  counted.width = 3;
  counted.colorsUsed = 3;
  counted.table = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  counted.pixels = {2, 0, 1, 0};
  const TBitmap a = Load(BuildBmp(counted));
  EXPECT_EQ(a.Palette().size(), 3u);
  EXPECT_EQ(a.GetPixel(0, 0), RgbColour(3, 3, 3));
  EXPECT_EQ(a.GetPixel(2, 0), RgbColour(2, 2, 2));

  // Said only by where the pixels start.
  BmpSpec placed;
  placed.bits = 4;
  placed.width = 2;
  placed.table = {{0, 0, 9}, {0, 9, 0}};
  placed.pixels = {0x10, 0, 0, 0};
  const TBitmap b = Load(BuildBmp(placed));
  EXPECT_EQ(b.Palette().size(), 2u);
  EXPECT_EQ(b.GetPixel(0, 0), RgbColour(0, 9, 0));
  EXPECT_EQ(b.GetPixel(1, 0), RgbColour(9, 0, 0));
}

TEST(BitmapReading, NegativeHeightMeansTopDownRows) {
  BmpSpec s;
  s.width = 1;
  s.height = -2;
  s.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
  const TBitmap b = Load(BuildBmp(s));
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(b.GetPixel(0, 0), RgbColour(3, 2, 1));
  EXPECT_EQ(b.GetPixel(0, 1), RgbColour(6, 5, 4));

  s.height = 2;
  const TBitmap up = Load(BuildBmp(s));
  EXPECT_EQ(up.GetPixel(0, 0), RgbColour(6, 5, 4));
}

struct HighColourCase {
  const char* name;
  std::uint32_t headerBytes;
  std::uint16_t bits;
  std::uint32_t compression;
  std::vector<std::uint32_t> masks;
  std::vector<std::uint8_t> pixel;  // one pixel, padded to 4 bytes
  TPixelFormat format;
  TColor color;
  int fourthByte;  // -1 when the format has none
};

void PrintTo(const HighColourCase& c, std::ostream* os) { *os << c.name; }

class HighColourReading : public ::testing::TestWithParam<HighColourCase> {};

TEST_P(HighColourReading, ChannelsComeFromTheirMasks) {
  const HighColourCase& c = GetParam();
  BmpSpec s;
  s.headerBytes = c.headerBytes;
  s.bits = c.bits;
  s.compression = c.compression;
  s.masks = c.masks;
  s.pixels = c.pixel;
  const TBitmap b = Load(BuildBmp(s));
  EXPECT_EQ(b.PixelFormat(), c.format);
  EXPECT_EQ(b.GetPixel(0, 0), c.color);
  if (c.fourthByte >= 0) {
    EXPECT_EQ(b.ScanLine(0)[3], c.fourthByte);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Masks, HighColourReading,
    ::testing::Values(
        HighColourCase{"Rgb16IsX555", 40, 16, 0, {}, {0x00, 0x7C, 0, 0}, TPixelFormat::pf15bit, RgbColour(255, 0, 0), -1},
        HighColourCase{"BitFields565", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0, 0}, TPixelFormat::pf16bit,
                       RgbColour(0, 255, 0), -1},
        HighColourCase{"BitFields555", 40, 16, 3, {0x7C00, 0x03E0, 0x001F}, {0x1F, 0x00, 0, 0}, TPixelFormat::pf15bit,
                       RgbColour(0, 0, 255), -1},
        HighColourCase{"BitFields444", 40, 16, 3, {0x0F00, 0x00F0, 0x000F}, {0x80, 0x0F, 0, 0}, TPixelFormat::pf24bit,
                       RgbColour(255, 136, 0), -1},
        HighColourCase{"BitFieldsRgbaOrder", 40, 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, {10, 20, 30, 40},
                       TPixelFormat::pf32bit, RgbColour(10, 20, 30), 0},
        HighColourCase{"AlphaBitFields", 40, 32, 6, {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF}, {7, 1, 2, 3},
                       TPixelFormat::pf32bit, RgbColour(1, 2, 3), 7},
        HighColourCase{"V5TenBitMasks", 124, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}, {0x00, 0x00, 0xF8, 0x3F},
                       TPixelFormat::pf32bit, RgbColour(255, 128, 0), 0},
        HighColourCase{"V4Rgb32KeepsFourthByte", 108, 32, 0, {0xFF, 0xFF00, 0xFF0000}, {1, 2, 3, 0x55},
                       TPixelFormat::pf32bit, RgbColour(3, 2, 1), 0x55},
        HighColourCase{"CoreHeader24", 12, 24, 0, {}, {9, 8, 7, 0}, TPixelFormat::pf24bit, RgbColour(7, 8, 9), -1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BitmapReading, Rle8RunsLiteralsDeltaAndLineEnds) {
  BmpSpec s;
  s.bits = 8;
  s.compression = 1;
  s.width = 6;
  s.height = 4;
  s.colorsUsed = 10;
  s.table.assign(10, {0, 0, 0});
  s.pixels = {0x03, 0x05,                          // three of 5
              0x00, 0x03, 0x01, 0x02, 0x03, 0x00,  // literal 1 2 3, padded to a word
              0x00, 0x00,                          // end of line
              0x00, 0x02, 0x02, 0x01,              // move right 2 and up 1
              0x02, 0x07,                          // two of 7
              0x09, 0x08,                          // nine of 8, cut at the row's end
              0x00, 0x01};                         // end of bitmap
  const TBitmap b = Load(BuildBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(Indices(b, 3), (std::vector<int>{5, 5, 5, 1, 2, 3}));
  EXPECT_EQ(Indices(b, 2), (std::vector<int>{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Indices(b, 1), (std::vector<int>{0, 0, 7, 7, 8, 8}));
  EXPECT_EQ(Indices(b, 0), (std::vector<int>{0, 0, 0, 0, 0, 0}));
}

TEST(BitmapReading, Rle4AlternatesNibbles) {
  BmpSpec s;
  s.bits = 4;
  s.compression = 2;
  s.width = 5;
  s.height = 3;
  s.pixels = {0x05, 0x12,                          // 1 2 1 2 1
              0x00, 0x00,                          // end of line
              0x00, 0x03, 0x34, 0x50,              // literal 3 4 5
              0x00, 0x00,                          //
              0x00, 0x05, 0x6A, 0xB7, 0xC0, 0x00,  // literal of five nibbles, padded
              0x00, 0x01};
  const TBitmap b = Load(BuildBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_EQ(Indices(b, 2), (std::vector<int>{1, 2, 1, 2, 1}));
  EXPECT_EQ(Indices(b, 1), (std::vector<int>{3, 4, 5, 0, 0}));
  EXPECT_EQ(Indices(b, 0), (std::vector<int>{6, 10, 11, 7, 12}));
}

TEST(BitmapReading, ZeroLengthStreamIsAnEmptyBitmap) {
  TMemoryStream stream;
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf8bit);
  b.SetSize(3, 3);
  b.LoadFromStream(stream);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);

  // A stream read from its end holds nothing either.
  bmptest::Fill(stream, BuildBmp(BmpSpec{}));
  stream.Seek(0, TSeekOrigin::soEnd);
  TBitmap c;
  c.SetSize(2, 2);
  c.LoadFromStream(stream);
  EXPECT_TRUE(c.Empty());
}

TEST(BitmapReading, PicturesWithoutPixelsAreEmpty) {
  for (const auto& [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, -3}}) {
    BmpSpec s;
    s.width = w;
    s.height = h;
    const TBitmap b = Load(BuildBmp(s));
    EXPECT_EQ(b.Width(), 0) << w << " × " << h;
    EXPECT_EQ(b.Height(), 0) << w << " × " << h;
  }
}

TEST(BitmapReading, ReadsFromTheStreamPosition) {
  std::vector<std::uint8_t> bytes = {'x', 'y', 'z'};
  BmpSpec s;
  s.pixels = {1, 2, 3, 0};
  const std::vector<std::uint8_t> file = BuildBmp(s);
  bytes.insert(bytes.end(), file.begin(), file.end());
  TMemoryStream stream;
  bmptest::Fill(stream, bytes);
  stream.SetPosition(3);
  TBitmap b;
  b.LoadFromStream(stream);
  EXPECT_EQ(b.GetPixel(0, 0), RgbColour(3, 2, 1));
}

// Files that must be refused. Each starts from a good 2 × 2 24-bit file and breaks one thing.
struct BadFileCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  bool tooLarge;  // the size-limit error rather than the invalid-bitmap one
};

BmpSpec Good() {
  BmpSpec s;
  s.width = 2;
  s.height = 2;
  s.pixels.assign(16, 0x11);
  return s;
}

template <typename F>
std::vector<std::uint8_t> Broken(F change) {
  BmpSpec s = Good();
  change(s);
  return BuildBmp(s);
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<BadFileCase> BadFiles() {
  return {
      {"WrongSignature", Broken([](BmpSpec& s) { s.signature = "MB"; }), false},
      {"NoPlanes", Broken([](BmpSpec& s) { s.planes = 0; }), false},
      {"TwoPlanes", Broken([](BmpSpec& s) { s.planes = 2; }), false},
      {"CoreHeaderTwoPlanes", Broken([](BmpSpec& s) { s.headerBytes = 12; s.planes = 2; }), false},
      {"TwoBits", Broken([](BmpSpec& s) { s.bits = 2; }), false},
      {"NoBits", Broken([](BmpSpec& s) { s.bits = 0; }), false},
      {"FortyEightBits", Broken([](BmpSpec& s) { s.bits = 48; }), false},
      {"HeaderOfTwentyBytes", Broken([](BmpSpec& s) { s.headerBytes = 20; }), false},
      {"HeaderLongerThanFile", Cut(Broken([](BmpSpec& s) { s.headerBytes = 4000; }), 200), false},
      {"OneByte", {'B'}, false},
      {"FileHeaderOnly", Cut(BuildBmp(Good()), 14), false},
      {"HalfAHeader", Cut(BuildBmp(Good()), 34), false},
      {"ColourTableBeyondFile",
       Broken([](BmpSpec& s) { s.bits = 8; s.table = {{1, 2, 3}}; s.pixels.clear(); s.offBits = 0; }), false},
      {"MasksBeyondFile", Cut(Broken([](BmpSpec& s) { s.bits = 16; s.compression = 3; s.pixels.clear(); }), 58),
       false},
      {"RowsCut", Cut(BuildBmp(Good()), 54 + 8), false},
      {"OffsetBeyondFile", Broken([](BmpSpec& s) { s.offBits = 100000; }), false},
      {"OffsetInsideHeader", Broken([](BmpSpec& s) { s.offBits = 30; }), false},
      {"NegativeWidth", Broken([](BmpSpec& s) { s.width = -2; }), false},
      {"JpegCompression", Broken([](BmpSpec& s) { s.compression = 4; }), false},
      {"Rle8AtFourBits", Broken([](BmpSpec& s) { s.bits = 4; s.compression = 1; }), false},
      {"BitFieldsAt24Bits", Broken([](BmpSpec& s) { s.compression = 3; s.masks = {0xFF0000, 0xFF00, 0xFF}; }), false},
      {"RleWithoutEnd", Broken([](BmpSpec& s) { s.bits = 8; s.compression = 1; s.pixels = {2, 1}; }), false},
      {"RleLiteralCut", Broken([](BmpSpec& s) { s.bits = 8; s.compression = 1; s.pixels = {0, 5, 1, 2}; }), false},
      {"RleDeltaCut", Broken([](BmpSpec& s) { s.bits = 8; s.compression = 1; s.pixels = {0, 2, 1}; }), false},
      // Within the limits, but the file cannot hold the rows it claims: refused before allocating.
      {"RowsTheFileCannotHold", Broken([](BmpSpec& s) { s.width = 10000; s.height = 10000; }), false},
      {"HugeDimensions", Broken([](BmpSpec& s) { s.width = 100000; s.height = 100000; }), true},
      {"HugeTopDown", Broken([](BmpSpec& s) { s.width = 0x7FFFFFFF; s.height = -0x7FFFFFFF - 1; }), true},
      {"HugeRle", Broken([](BmpSpec& s) { s.bits = 8; s.compression = 1; s.width = 60000; s.height = 60000; }), true},
  };
}

void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }

class BadFile : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFile, IsRefusedAndTheBitmapKept) {
  const BadFileCase& c = GetParam();
  TMemoryStream stream;
  bmptest::Fill(stream, c.bytes);
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf4bit);
  b.SetSize(3, 1);
  b.SetPixel(2, 0, 0x01000009);
  try {
    b.LoadFromStream(stream);
    ADD_FAILURE() << "loaded as " << b.Width() << " × " << b.Height();
  } catch (const EInvalidGraphic& e) {
    EXPECT_FALSE(c.tooLarge) << e.Message();
    EXPECT_EQ(e.Message(), "ビットマップイメージが不正です");
  } catch (const EOutOfResources& e) {
    EXPECT_TRUE(c.tooLarge) << e.Message();
    EXPECT_NE(e.Message().find("ピクセルの画像は大きすぎて扱えません"), std::string::npos);
  }
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.ScanLine(0)[1] >> 4, 9);  // pixel 2: the high nibble of byte 1
}

INSTANTIATE_TEST_SUITE_P(Files, BadFile, ::testing::ValuesIn(BadFiles()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(BitmapReading, EveryTruncationIsRefusedUnlessOnlyPaddingIsMissing) {
  BmpSpec s;
  s.width = 3;
  s.height = 2;
  for (int i = 0; i < 24; ++i) s.pixels.push_back(static_cast<std::uint8_t>(i + 1));
  const std::vector<std::uint8_t> file = BuildBmp(s);
  const std::size_t padding = 3;  // 9 bytes of pixels in a 12-byte row
  for (std::size_t size = 1; size < file.size(); ++size) {
    TMemoryStream stream;
    bmptest::Fill(stream, Cut(file, size));
    TBitmap b;
    if (size >= file.size() - padding) {
      b.LoadFromStream(stream);
      EXPECT_EQ(b.GetPixel(2, 0), RgbColour(21, 20, 19)) << "cut to " << size;
    } else {
      EXPECT_THROW(b.LoadFromStream(stream), EInvalidGraphic) << "cut to " << size;
    }
  }
}

}  // namespace
}  // namespace ombrisk
