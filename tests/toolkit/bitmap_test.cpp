#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/size_limits.h"

namespace ombrisk {
namespace {

constexpr TColor Rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

const char* Name(TPixelFormat f) {
  switch (f) {
    case TPixelFormat::pf1bit: return "pf1bit";
    case TPixelFormat::pf4bit: return "pf4bit";
    case TPixelFormat::pf8bit: return "pf8bit";
    case TPixelFormat::pf15bit: return "pf15bit";
    case TPixelFormat::pf16bit: return "pf16bit";
    case TPixelFormat::pf24bit: return "pf24bit";
    case TPixelFormat::pf32bit: return "pf32bit";
  }
  return "?";
}

// A 24-bit bitmap of `colors.size()` × 1 pixels.
TBitmap Row24(const std::vector<TColor>& colors) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf24bit);
  b.SetSize(static_cast<int>(colors.size()), 1);
  for (std::size_t i = 0; i < colors.size(); ++i) b.SetPixel(static_cast<int>(i), 0, colors[i]);
  return b;
}

// Colours each format holds exactly, so 24 → format → 24 must give them back.
struct RoundTripCase {
  TPixelFormat format;
  std::vector<TColor> colors;
};

class FormatRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(FormatRoundTrip, KeepsRepresentableColours) {
  const RoundTripCase& c = GetParam();
  TBitmap b = Row24(c.colors);
  b.SetPixelFormat(c.format);
  ASSERT_EQ(b.PixelFormat(), c.format);
  ASSERT_EQ(b.Width(), static_cast<int>(c.colors.size()));
  for (std::size_t i = 0; i < c.colors.size(); ++i) {
    EXPECT_EQ(b.GetPixel(static_cast<int>(i), 0), c.colors[i]) << "pixel " << i << " in the new format";
  }
  b.SetPixelFormat(TPixelFormat::pf24bit);
  for (std::size_t i = 0; i < c.colors.size(); ++i) {
    EXPECT_EQ(b.GetPixel(static_cast<int>(i), 0), c.colors[i]) << "pixel " << i << " back at 24 bits";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatRoundTrip,
    ::testing::Values(
        RoundTripCase{TPixelFormat::pf1bit, {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(255, 255, 255), Rgb(0, 0, 0),
                                             Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(255, 255, 255),
                                             Rgb(255, 255, 255)}},
        RoundTripCase{TPixelFormat::pf4bit, {Rgb(0, 0, 0), Rgb(128, 0, 0), Rgb(0, 128, 128), Rgb(192, 192, 192),
                                             Rgb(255, 0, 255), Rgb(255, 255, 255), Rgb(128, 128, 0)}},
        RoundTripCase{TPixelFormat::pf8bit, {Rgb(0, 0, 0), Rgb(51, 102, 153), Rgb(255, 255, 255), Rgb(204, 0, 51),
                                             Rgb(0, 255, 0)}},
        // 5-bit channels widen as (v << 3) | (v >> 2): 1 → 8, 16 → 132, 31 → 255.
        RoundTripCase{TPixelFormat::pf15bit, {Rgb(8, 132, 255), Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(66, 99, 173)}},
        // 6-bit green widens as (v << 2) | (v >> 4): 1 → 4, 33 → 134.
        RoundTripCase{TPixelFormat::pf16bit, {Rgb(8, 4, 255), Rgb(132, 134, 0), Rgb(255, 255, 255), Rgb(0, 0, 0)}},
        RoundTripCase{TPixelFormat::pf24bit, {Rgb(1, 2, 3), Rgb(254, 127, 0)}},
        RoundTripCase{TPixelFormat::pf32bit, {Rgb(1, 2, 3), Rgb(254, 127, 0), Rgb(255, 255, 255)}}),
    [](const auto& param) { return std::string(Name(param.param.format)); });

TEST(BitmapConversion, HighColourChannelsWidenFromTheirBits) {
  struct Case {
    TPixelFormat format;
    std::uint16_t word;
    TColor expected;
  };
  const Case cases[] = {
      {TPixelFormat::pf15bit, 0x7C00, Rgb(255, 0, 0)},     {TPixelFormat::pf15bit, 0x03E0, Rgb(0, 255, 0)},
      {TPixelFormat::pf15bit, 0x001F, Rgb(0, 0, 255)},     {TPixelFormat::pf15bit, 0x0421, Rgb(8, 8, 8)},
      {TPixelFormat::pf15bit, 0x8000, Rgb(0, 0, 0)},       {TPixelFormat::pf16bit, 0xF800, Rgb(255, 0, 0)},
      {TPixelFormat::pf16bit, 0x07E0, Rgb(0, 255, 0)},     {TPixelFormat::pf16bit, 0x0020, Rgb(0, 4, 0)},
      {TPixelFormat::pf16bit, 0x8410, Rgb(132, 130, 132)},
  };
  for (const Case& c : cases) {
    TBitmap b;
    b.SetPixelFormat(c.format);
    b.SetSize(1, 1);
    b.ScanLine(0)[0] = static_cast<std::uint8_t>(c.word & 0xFF);
    b.ScanLine(0)[1] = static_cast<std::uint8_t>(c.word >> 8);
    EXPECT_EQ(b.GetPixel(0, 0), c.expected) << Name(c.format) << " word " << c.word;
    b.SetPixelFormat(TPixelFormat::pf24bit);
    const std::uint8_t* p = b.ScanLine(0);
    EXPECT_EQ(p[0] + 256 * p[1] + 65536 * p[2], (c.expected >> 16) + (c.expected & 0xFF00) + ((c.expected & 0xFF) << 16))
        << Name(c.format) << " word " << c.word << " at 24 bits";
  }
}

TEST(BitmapConversion, PalettedPixelsTakeTheirPaletteColours) {
  for (const TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit}) {
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetPalette({{10, 20, 30, 0}, {200, 100, 50, 0}});
    b.SetSize(3, 2);
    b.SetPixel(1, 0, 0x01000001);
    b.SetPixel(2, 1, 0x01000001);
    for (const TPixelFormat target : {TPixelFormat::pf15bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
      TBitmap c(b);
      c.SetPixelFormat(target);
      const TColor first = Rgb(10, 20, 30), second = Rgb(200, 100, 50);
      if (target == TPixelFormat::pf15bit) {
        EXPECT_EQ(c.GetPixel(1, 0), Rgb(206, 99, 49)) << Name(format) << " → " << Name(target);
        continue;
      }
      EXPECT_EQ(c.GetPixel(0, 0), first) << Name(format) << " → " << Name(target);
      EXPECT_EQ(c.GetPixel(1, 0), second) << Name(format) << " → " << Name(target);
      EXPECT_EQ(c.GetPixel(2, 1), second) << Name(format) << " → " << Name(target);
      EXPECT_EQ(c.GetPixel(0, 1), first) << Name(format) << " → " << Name(target);
    }
  }
}

TEST(BitmapConversion, ToPalettedPicksTheNearestEntry) {
  TBitmap b = Row24({Rgb(20, 30, 10), Rgb(240, 200, 250), Rgb(130, 120, 140), Rgb(100, 0, 0)});
  TBitmap mono(b);
  mono.SetPixelFormat(TPixelFormat::pf1bit);
  EXPECT_EQ(mono.Palette().size(), 2u);
  EXPECT_EQ(mono.GetPixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(mono.GetPixel(1, 0), Rgb(255, 255, 255));
  EXPECT_EQ(mono.GetPixel(2, 0), Rgb(255, 255, 255));
  EXPECT_EQ(mono.GetPixel(3, 0), Rgb(0, 0, 0));

  // A palette the bitmap already carries is used when it fits the depth.
  TBitmap own(b);
  own.SetPalette({{0, 0, 0, 0}, {100, 0, 0, 0}, {250, 250, 250, 0}});
  own.SetPixelFormat(TPixelFormat::pf4bit);
  EXPECT_EQ(own.Palette().size(), 3u);
  EXPECT_EQ(own.GetPixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(own.GetPixel(1, 0), Rgb(250, 250, 250));
  EXPECT_EQ(own.GetPixel(3, 0), Rgb(100, 0, 0));
}

TEST(BitmapConversion, PalettedToPalettedKeepsIndicesOfASharedPalette) {
  // Two equal entries: only keeping the index tells them apart.
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf4bit);
  b.SetPalette({{9, 9, 9, 0}, {9, 9, 9, 0}, {1, 2, 3, 0}});
  b.SetSize(2, 1);
  b.SetPixel(1, 0, 0x01000001);
  b.SetPixelFormat(TPixelFormat::pf8bit);
  EXPECT_EQ(b.ScanLine(0)[0], 0);
  EXPECT_EQ(b.ScanLine(0)[1], 1);
}

TEST(BitmapScanLine, RowsOutsideTheBitmapRaise) {
  TBitmap b;
  b.SetSize(3, 4);
  for (const int y : {-1, 4, 1000, -2147483647 - 1}) {
    try {
      b.ScanLine(y);
      ADD_FAILURE() << "row " << y << " was accepted";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), "スキャンライン のインデックスが範囲を越えました");
    }
  }
  const TBitmap& constant = b;
  EXPECT_THROW(constant.ScanLine(4), EInvalidGraphicOperation);
  EXPECT_EQ(b.ScanLine(3) - b.ScanLine(0), static_cast<std::ptrdiff_t>(3 * b.BytesPerScanLine()));
  TBitmap empty;
  EXPECT_THROW(empty.ScanLine(0), EInvalidGraphicOperation);
}

TEST(BitmapScanLine, RowsArePaddedToFourBytes) {
  struct Case {
    TPixelFormat format;
    int width;
    std::size_t bytes;
  };
  const Case cases[] = {
      {TPixelFormat::pf1bit, 1, 4},   {TPixelFormat::pf1bit, 32, 4},  {TPixelFormat::pf1bit, 33, 8},
      {TPixelFormat::pf4bit, 9, 8},   {TPixelFormat::pf8bit, 5, 8},   {TPixelFormat::pf15bit, 17, 36},
      {TPixelFormat::pf16bit, 3, 8},  {TPixelFormat::pf24bit, 1, 4},  {TPixelFormat::pf24bit, 5, 16},
      {TPixelFormat::pf32bit, 3, 12},
  };
  for (const Case& c : cases) {
    TBitmap b;
    b.SetPixelFormat(c.format);
    b.SetSize(c.width, 2);
    EXPECT_EQ(b.BytesPerScanLine(), c.bytes) << Name(c.format) << " width " << c.width;
  }
}

TEST(BitmapSize, ResizingKeepsInsidePixelsAndClearsNewOnes) {
  for (const TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf24bit}) {
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(9, 3);
    const TColor white = Rgb(255, 255, 255);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 9; ++x) b.SetPixel(x, y, white);
    }
    b.SetSize(5, 2);  // cuts through a byte at 1 and 4 bits
    b.SetSize(9, 3);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 9; ++x) {
        const bool kept = x < 5 && y < 2;
        EXPECT_EQ(b.GetPixel(x, y), kept ? white : Rgb(0, 0, 0)) << Name(format) << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(b.PixelFormat(), format);
  }
}

TEST(BitmapSize, SizesBeyondTheLimitsRaiseAndChangeNothing) {
  TBitmap b;
  b.SetSize(4, 4);
  b.SetPixel(1, 1, Rgb(7, 8, 9));
  const std::pair<int, int> sizes[] = {{-1, 4}, {4, -1}, {static_cast<int>(kMaxBitmapSide) + 1, 1}, {20000, 20000}};
  for (const auto& [w, h] : sizes) {
    EXPECT_THROW(b.SetSize(w, h), EOutOfResources) << w << " × " << h;
  }
  try {
    b.SetSize(20000, 20000);
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "20000 × 20000 ピクセルの画像は大きすぎて扱えません");
  }
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.GetPixel(1, 1), Rgb(7, 8, 9));
}

TEST(BitmapPixels, ColoursOutsideAndPaletteIndices) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf8bit);
  b.SetPalette({{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}});
  b.SetSize(2, 2);
  b.SetPixel(0, 0, 0x01000002);
  EXPECT_EQ(b.ScanLine(0)[0], 2);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(3, 3, 3));
  b.SetPixel(1, 0, Rgb(2, 2, 3));  // nearest entry
  EXPECT_EQ(b.ScanLine(0)[1], 1);
  b.SetPixel(1, 1, 0x01000005);  // an index with no entry still names a pixel value, read as black
  EXPECT_EQ(b.ScanLine(1)[1], 5);
  EXPECT_EQ(b.GetPixel(1, 1), Rgb(0, 0, 0));
  b.SetPixel(0, 1, 0x01000100);  // beyond 8 bits: ignored
  EXPECT_EQ(b.ScanLine(1)[0], 0);

  EXPECT_EQ(b.GetPixel(-1, 0), kClNone);
  EXPECT_EQ(b.GetPixel(2, 0), kClNone);
  EXPECT_EQ(b.GetPixel(0, 2), kClNone);
  b.SetPixel(2, 0, Rgb(3, 3, 3));  // nothing, no crash
  b.SetPixel(0, -1, Rgb(3, 3, 3));

  TBitmap direct;
  direct.SetPixelFormat(TPixelFormat::pf32bit);
  direct.SetPalette({{40, 50, 60, 0}});
  direct.SetSize(1, 1);
  direct.ScanLine(0)[3] = 0x77;
  direct.SetPixel(0, 0, 0x01000000);
  EXPECT_EQ(direct.GetPixel(0, 0), Rgb(40, 50, 60));
  EXPECT_EQ(direct.ScanLine(0)[0], 60);
  EXPECT_EQ(direct.ScanLine(0)[3], 0);
}

TEST(BitmapCopy, AssignCopyAndConstructionAreIndependent) {
  TBitmap source;
  source.SetPixelFormat(TPixelFormat::pf4bit);
  source.SetPalette({{0, 0, 0, 0}, {255, 0, 0, 0}});
  source.SetSize(3, 2);
  source.SetPixel(2, 1, 0x01000001);
  source.SetTransparent(true);
  source.SetTransparentColor(Rgb(255, 0, 0));

  TBitmap assigned;
  int changes = 0;
  assigned.OnChange = [&](TGraphic& sender) {
    EXPECT_EQ(&sender, &assigned);
    ++changes;
  };
  assigned.Assign(source);
  EXPECT_EQ(changes, 1);
  TBitmap constructed(source);
  TBitmap copied;
  copied = source;
  for (TBitmap* b : {&assigned, &constructed, &copied}) {
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Height(), 2);
    EXPECT_EQ(b->Palette(), source.Palette());
    EXPECT_EQ(b->GetPixel(2, 1), Rgb(255, 0, 0));
    EXPECT_TRUE(b->Transparent());
    EXPECT_EQ(b->TransparentColor(), Rgb(255, 0, 0));
  }
  source.SetPixel(2, 1, 0x01000000);
  source.SetSize(1, 1);
  EXPECT_EQ(assigned.GetPixel(2, 1), Rgb(255, 0, 0));
  EXPECT_EQ(constructed.GetPixel(2, 1), Rgb(255, 0, 0));
  EXPECT_EQ(copied.GetPixel(2, 1), Rgb(255, 0, 0));

  assigned.Assign(assigned);  // copying onto itself keeps the pixels
  EXPECT_EQ(assigned.GetPixel(2, 1), Rgb(255, 0, 0));
}

TEST(BitmapState, NewAndClearedBitmapsAreEmpty) {
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.TransparentColor(), kClNone);
  EXPECT_FALSE(b.Transparent());
  b.SetPixelFormat(TPixelFormat::pf8bit);
  EXPECT_EQ(b.Palette().size(), 256u);  // a paletted bitmap always has colours for its indices
  b.SetSize(4, 0);
  EXPECT_TRUE(b.Empty());
  b.SetSize(4, 5);
  b.SetPalette({{1, 2, 3, 0}});
  b.Clear();
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(b.Palette().size(), 256u);
}

TEST(BitmapEvents, EveryChangeSignalsOnChange) {
  struct Case {
    const char* what;
    std::function<void(TBitmap&)> action;
    int changes;
  };
  const Case cases[] = {
      {"size", [](TBitmap& b) { b.SetSize(5, 5); }, 1},
      {"same size", [](TBitmap& b) { b.SetSize(2, 2); }, 0},
      {"width", [](TBitmap& b) { b.SetWidth(3); }, 1},
      {"height", [](TBitmap& b) { b.SetHeight(3); }, 1},
      {"format", [](TBitmap& b) { b.SetPixelFormat(TPixelFormat::pf8bit); }, 1},
      {"same format", [](TBitmap& b) { b.SetPixelFormat(TPixelFormat::pf24bit); }, 0},
      {"pixel", [](TBitmap& b) { b.SetPixel(1, 1, 0); }, 1},
      {"pixel outside", [](TBitmap& b) { b.SetPixel(9, 1, 0); }, 0},
      {"palette", [](TBitmap& b) { b.SetPalette({}); }, 1},
      {"clear", [](TBitmap& b) { b.Clear(); }, 1},
      {"transparent", [](TBitmap& b) { b.SetTransparent(true); }, 1},
      {"transparent colour", [](TBitmap& b) { b.SetTransparentColor(0); }, 1},
      {"failed resize", [](TBitmap& b) { EXPECT_THROW(b.SetSize(-3, 1), EOutOfResources); }, 0},
  };
  for (const Case& c : cases) {
    TBitmap b;
    b.SetSize(2, 2);
    int changes = 0;
    b.OnChange = [&](TGraphic&) { ++changes; };
    c.action(b);
    EXPECT_EQ(changes, c.changes) << c.what;
  }
}

}  // namespace
}  // namespace ombrisk
