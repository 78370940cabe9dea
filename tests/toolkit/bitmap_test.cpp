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

std::string Name(TPixelFormat f) {
  const char* const names[] = {"pf1bit", "pf4bit", "pf8bit", "pf15bit", "pf16bit", "pf24bit", "pf32bit"};
  return names[static_cast<int>(f)];
}

TBitmap Make(TPixelFormat format, int width, int height, std::vector<TPaletteEntry> palette = {}) {
  TBitmap b;
  b.SetPixelFormat(format);
  if (!palette.empty()) b.SetPalette(std::move(palette));
  b.SetSize(width, height);
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
  const int n = static_cast<int>(c.colors.size());
  TBitmap b = Make(TPixelFormat::pf24bit, n, 1);
  for (int i = 0; i < n; ++i) b.SetPixel(i, 0, c.colors[i]);
  for (const TPixelFormat step : {c.format, TPixelFormat::pf24bit}) {
    b.SetPixelFormat(step);
    ASSERT_EQ(b.PixelFormat(), step);
    for (int i = 0; i < n; ++i) EXPECT_EQ(b.GetPixel(i, 0), c.colors[i]) << "pixel " << i << " at " << Name(step);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatRoundTrip,
    ::testing::Values(
        RoundTripCase{TPixelFormat::pf1bit, {0, 0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0xFFFFFF}},
        RoundTripCase{TPixelFormat::pf4bit, {Rgb(0, 0, 0), Rgb(128, 0, 0), Rgb(0, 128, 128), Rgb(192, 192, 192),
                                             Rgb(255, 0, 255), Rgb(255, 255, 255), Rgb(128, 128, 0)}},
        RoundTripCase{TPixelFormat::pf8bit, {Rgb(0, 0, 0), Rgb(51, 102, 153), Rgb(255, 255, 255), Rgb(0, 255, 0)}},
        // 5-bit channels widen as (v << 3) | (v >> 2): 1 → 8, 16 → 132, 31 → 255.
        RoundTripCase{TPixelFormat::pf15bit, {Rgb(8, 132, 255), Rgb(0, 0, 0), Rgb(66, 99, 173)}},
        // 6-bit green widens as (v << 2) | (v >> 4): 1 → 4, 33 → 134.
        RoundTripCase{TPixelFormat::pf16bit, {Rgb(8, 4, 255), Rgb(132, 134, 0), Rgb(255, 255, 255)}},
        RoundTripCase{TPixelFormat::pf24bit, {Rgb(1, 2, 3), Rgb(254, 127, 0)}},
        RoundTripCase{TPixelFormat::pf32bit, {Rgb(1, 2, 3), Rgb(254, 127, 0), Rgb(255, 255, 255)}}),
    [](const auto& param) { return Name(param.param.format); });

TEST(BitmapConversion, PalettedPixelsTakeTheirPaletteColours) {
  for (const TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit}) {
    const TBitmap b = [&] {
      TBitmap m = Make(format, 3, 2, {{10, 20, 30, 0}, {200, 100, 50, 0}});
      m.SetPixel(1, 0, 0x01000001);
      m.SetPixel(2, 1, 0x01000001);
      return m;
    }();
    for (const TPixelFormat target : {TPixelFormat::pf15bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
      TBitmap c(b);
      c.SetPixelFormat(target);
      const bool quantised = target == TPixelFormat::pf15bit;
      const TColor first = quantised ? Rgb(8, 16, 24) : Rgb(10, 20, 30);
      const TColor second = quantised ? Rgb(206, 99, 49) : Rgb(200, 100, 50);
      EXPECT_EQ((std::vector<TColor>{c.GetPixel(0, 0), c.GetPixel(1, 0), c.GetPixel(2, 1), c.GetPixel(0, 1)}),
                (std::vector<TColor>{first, second, second, first}))
          << Name(format) << " → " << Name(target);
    }
  }
}

TEST(BitmapConversion, ToPalettedPicksTheNearestEntry) {
  TBitmap b = Make(TPixelFormat::pf24bit, 4, 1);
  const TColor colors[] = {Rgb(20, 30, 10), Rgb(240, 200, 250), Rgb(130, 120, 140), Rgb(100, 0, 0)};
  for (int x = 0; x < 4; ++x) b.SetPixel(x, 0, colors[x]);

  TBitmap mono(b);
  mono.SetPixelFormat(TPixelFormat::pf1bit);  // no palette yet: black and white
  EXPECT_EQ(mono.Palette().size(), 2u);
  const TColor white = Rgb(255, 255, 255);
  EXPECT_EQ((std::vector<TColor>{mono.GetPixel(0, 0), mono.GetPixel(1, 0), mono.GetPixel(2, 0), mono.GetPixel(3, 0)}),
            (std::vector<TColor>{0, white, white, 0}));

  b.SetPalette({{0, 0, 0, 0}, {100, 0, 0, 0}, {250, 250, 250, 0}});  // kept, as it fits 4 bits
  b.SetPixelFormat(TPixelFormat::pf4bit);
  EXPECT_EQ(b.Palette().size(), 3u);
  EXPECT_EQ((std::vector<TColor>{b.GetPixel(0, 0), b.GetPixel(1, 0), b.GetPixel(3, 0)}),
            (std::vector<TColor>{0, Rgb(250, 250, 250), Rgb(100, 0, 0)}));
}

TEST(BitmapConversion, PalettedToPalettedKeepsIndicesOfASharedPalette) {
  // Two equal entries: only keeping the index tells them apart.
  TBitmap b = Make(TPixelFormat::pf4bit, 2, 1, {{9, 9, 9, 0}, {9, 9, 9, 0}, {1, 2, 3, 0}});
  b.SetPixel(1, 0, 0x01000001);
  b.SetPixelFormat(TPixelFormat::pf8bit);
  EXPECT_EQ(b.ScanLine(0)[0], 0);
  EXPECT_EQ(b.ScanLine(0)[1], 1);
}

TEST(BitmapScanLine, RowsOutsideTheBitmapRaise) {
  const TBitmap b = Make(TPixelFormat::pf24bit, 3, 4);
  for (const int y : {-1, 4, -2147483647 - 1}) {
    try {
      b.ScanLine(y);
      ADD_FAILURE() << "row " << y << " was accepted";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), "スキャンライン のインデックスが範囲を越えました");
    }
  }
  EXPECT_EQ(b.ScanLine(3) - b.ScanLine(0), static_cast<std::ptrdiff_t>(3 * b.BytesPerScanLine()));
  EXPECT_THROW(TBitmap().ScanLine(0), EInvalidGraphicOperation);
}

TEST(BitmapScanLine, RowsArePaddedToFourBytes) {
  const std::tuple<TPixelFormat, int, std::size_t> cases[] = {
      {TPixelFormat::pf1bit, 32, 4},  {TPixelFormat::pf1bit, 33, 8},  {TPixelFormat::pf4bit, 9, 8},
      {TPixelFormat::pf8bit, 5, 8},   {TPixelFormat::pf15bit, 17, 36}, {TPixelFormat::pf16bit, 3, 8},
      {TPixelFormat::pf24bit, 5, 16}, {TPixelFormat::pf32bit, 3, 12},
  };
  for (const auto& [format, width, bytes] : cases) {
    EXPECT_EQ(Make(format, width, 2).BytesPerScanLine(), bytes) << Name(format) << " width " << width;
  }
}

TEST(BitmapSize, ResizingKeepsInsidePixelsAndClearsNewOnes) {
  for (const TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf24bit}) {
    TBitmap b = Make(format, 9, 3);
    const TColor white = Rgb(255, 255, 255);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 9; ++x) b.SetPixel(x, y, white);
    }
    b.SetSize(5, 2);  // cuts through a byte at 1 and 4 bits
    b.SetSize(9, 3);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(b.GetPixel(x, y), x < 5 && y < 2 ? white : 0) << Name(format) << " at " << x << "," << y;
      }
    }
  }
}

TEST(BitmapSize, SizesBeyondTheLimitsRaiseAndChangeNothing) {
  TBitmap b = Make(TPixelFormat::pf24bit, 4, 4);
  b.SetPixel(1, 1, Rgb(7, 8, 9));
  const std::pair<int, int> sizes[] = {{-1, 4}, {4, -1}, {static_cast<int>(kMaxBitmapSide) + 1, 1}, {20000, 20000}};
  for (const auto& [w, h] : sizes) {
    try {
      b.SetSize(w, h);
      ADD_FAILURE() << w << " × " << h << " was accepted";
    } catch (const EOutOfResources& e) {
      EXPECT_EQ(e.Message(), std::to_string(w) + " × " + std::to_string(h) + " ピクセルの画像は大きすぎて扱えません");
    }
  }
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.GetPixel(1, 1), Rgb(7, 8, 9));

  // Within the limits at 1 bit, beyond them at 32: the conversion refuses before allocating.
  TBitmap mono = Make(TPixelFormat::pf1bit, 16384, 16385);
  EXPECT_THROW(mono.SetPixelFormat(TPixelFormat::pf32bit), EOutOfResources);
  EXPECT_EQ(mono.PixelFormat(), TPixelFormat::pf1bit);
}

TEST(BitmapPixels, PaletteIndicesNearestColoursAndPixelsOutside) {
  TBitmap b = Make(TPixelFormat::pf8bit, 2, 2, {{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}});
  b.SetPixel(0, 0, 0x01000002);
  b.SetPixel(1, 0, Rgb(2, 2, 3));  // nearest entry: 1
  b.SetPixel(1, 1, 0x01000005);    // an index without an entry is stored and reads as black
  b.SetPixel(0, 1, 0x01000100);    // beyond 8 bits: ignored
  EXPECT_EQ((std::vector<int>{b.ScanLine(0)[0], b.ScanLine(0)[1], b.ScanLine(1)[0], b.ScanLine(1)[1]}),
            (std::vector<int>{2, 1, 0, 5}));
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(3, 3, 3));
  EXPECT_EQ(b.GetPixel(1, 1), 0);
  for (const auto& [x, y] : {std::pair{-1, 0}, std::pair{2, 0}, std::pair{0, 2}}) {
    EXPECT_EQ(b.GetPixel(x, y), kClNone);
    b.SetPixel(x, y, 0);  // nothing happens
  }

  // A direct format takes an index's colour from the palette it carries.
  TBitmap direct = Make(TPixelFormat::pf32bit, 1, 1, {{40, 50, 60, 0}});
  direct.ScanLine(0)[3] = 0x77;
  direct.SetPixel(0, 0, 0x01000000);
  EXPECT_EQ(direct.GetPixel(0, 0), Rgb(40, 50, 60));
  EXPECT_EQ(direct.ScanLine(0)[3], 0);
}

TEST(BitmapCopy, AssignCopyAndConstructionAreIndependent) {
  TBitmap source = Make(TPixelFormat::pf4bit, 3, 2, {{0, 0, 0, 0}, {255, 0, 0, 0}});
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
  int sourceChanges = 0;
  source.OnChange = [&](TGraphic&) { ++sourceChanges; };
  TBitmap constructed(source);
  TBitmap copied;
  copied = source;
  constructed.SetPixel(0, 0, 0);  // the copies do not carry the source's handlers
  copied.SetPixel(0, 0, 0);
  EXPECT_EQ(sourceChanges, 0);
  source.SetPixel(2, 1, 0x01000000);
  source.SetSize(1, 1);
  for (TBitmap* b : {&assigned, &constructed, &copied}) {
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Palette().size(), 2u);
    EXPECT_EQ(b->GetPixel(2, 1), Rgb(255, 0, 0));
    EXPECT_TRUE(b->Transparent());
    EXPECT_EQ(b->TransparentColor(), Rgb(255, 0, 0));
  }
  assigned.Assign(assigned);  // onto itself: kept
  EXPECT_EQ(assigned.GetPixel(2, 1), Rgb(255, 0, 0));
}

TEST(BitmapState, ClearedBitmapsAreEmptyAndKeepTheirFormat) {
  TBitmap b = Make(TPixelFormat::pf8bit, 4, 5, {{1, 2, 3, 0}});
  b.Clear();
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(b.Palette().size(), 256u);  // a paletted bitmap always has colours for its indices
  EXPECT_TRUE(Make(TPixelFormat::pf24bit, 4, 0).Empty());
}

TEST(BitmapEvents, EveryChangeSignalsOnChange) {
  const std::tuple<const char*, std::function<void(TBitmap&)>, int> cases[] = {
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
  for (const auto& [what, action, expected] : cases) {
    TBitmap b = Make(TPixelFormat::pf24bit, 2, 2);
    int changes = 0;
    b.OnChange = [&](TGraphic&) { ++changes; };
    action(b);
    EXPECT_EQ(changes, expected) << what;
  }
}

}  // namespace
}  // namespace ombrisk
