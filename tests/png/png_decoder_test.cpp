// The decoder on hand-made files: every message, the transparency rules, the descriptive chunks,
// interlacing against the plain layout, and the mends for legal or hostile input.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "picture/png/png_adam7.h"
#include "png_decode_support.h"
#include "toolkit/size_limits.h"

namespace ombrisk {
namespace {

using namespace ombrisk::testing;

Bytes Grey2x2Rows() { return Rows({{0, 10, 20}, {0, 30, 40}}); }

TPngBuilder Grey2x2() {
  TPngBuilder png;
  png.Header(2, 2, 8, 0);
  return png;
}

Bytes ThreeColourPalette() { return {255, 0, 0, 0, 255, 0, 0, 0, 255}; }

// ---- Messages ---------------------------------------------------------------------------------

struct ErrorCase {
  const char* name;
  std::function<Bytes()> build;
  const char* message;
};

std::vector<ErrorCase> ErrorCases() {
  const auto withHeader = [](int depth, int colourType, const Bytes& rows) {
    return [=] {
      TPngBuilder png;
      png.Header(2, 2, depth, colourType).Idat(rows).End();
      return png.Data();
    };
  };
  const Bytes greyRows = Grey2x2Rows();
  return {
      {"EmptyFile", [] { return Bytes{}; }, kSPngNotPng},
      {"ShortSignature", [] { return Bytes{137, 80, 78, 71, 13}; }, kSPngNotPng},
      {"SignatureByteChanged",
       [=] {
         Bytes b = Grey2x2().Idat(greyRows).End().Data();
         b[7] = 0x0B;
         return b;
       },
       kSPngNotPng},
      {"SecondHeader",
       [=] {
         TPngBuilder png = Grey2x2();
         png.Header(2, 2, 8, 0).Idat(greyRows).End();
         return png.Data();
       },
       kSPngTwoHeaders},
      {"ColourType1", withHeader(8, 1, greyRows), kSPngColorType},
      {"ColourType5", withHeader(8, 5, greyRows), kSPngColorType},
      {"ColourType7", withHeader(8, 7, greyRows), kSPngColorType},
      {"ColourType9", withHeader(8, 9, greyRows), kSPngColorType},
      {"Compression2", [=] { return TPngBuilder().Header(2, 2, 8, 0, 0, 2).Idat(greyRows).End().Data(); },
       kSPngCompression},
      {"FilterMethod2", [=] { return TPngBuilder().Header(2, 2, 8, 0, 0, 0, 2).Idat(greyRows).End().Data(); },
       kSPngFilterMethod},
      {"Interlace2", [=] { return TPngBuilder().Header(2, 2, 8, 0, 2).Idat(greyRows).End().Data(); },
       kSPngInterlace},
      {"GreyDepth3", withHeader(3, 0, greyRows), kSPngGreyBitDepth},
      {"GreyDepth32", withHeader(32, 0, greyRows), kSPngGreyBitDepth},
      {"GreyAlphaDepth4", withHeader(4, 4, greyRows), kSPngGreyAlpha},
      {"GreyAlphaDepth3", withHeader(3, 4, greyRows), kSPngGreyBitDepth},
      {"ColourDepth4", withHeader(4, 2, greyRows), kSPngBitDepth},
      {"ColourDepth0", withHeader(0, 2, greyRows), kSPngBitDepth},
      {"PaletteDepth16", withHeader(16, 3, greyRows), kSPngBitDepth},
      {"FilterByte5", withHeader(8, 0, Rows({{0, 10, 20}, {5, 30, 40}})), kSPngReadError},
      {"CompressedStreamEndsEarly", withHeader(8, 0, Rows({{0, 10, 20}})), kSPngReadError},
      {"ImageDataRunsIntoAnotherChunk",
       [=] {
         const Bytes z = Deflate(greyRows);
         return Grey2x2().Chunk("IDAT", Bytes(z.begin(), z.begin() + 4)).End().Data();
       },
       kSPngReadError},
      {"FileEndsInsideImageData",
       [=] {
         Bytes b = Grey2x2().Idat(greyRows).Data();
         b.resize(b.size() - 10);
         return b;
       },
       kSPngReadError},
      // A stream that asks for a preset dictionary can never deliver a row; it must not spin.
      {"PresetDictionaryStream",
       [] { return Grey2x2().Chunk("IDAT", {0x78, 0x20, 0, 0, 0, 1, 0x63, 0, 0}).End().Data(); }, kSPngReadError},
  };
}

class DecoderMessages : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DecoderMessages, RaiseEPngErrorWithTheExactText) {
  const Bytes data = GetParam().build();
  EXPECT_TRUE(IsPngError(data));
  EXPECT_EQ(DecodeError(data), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(All, DecoderMessages, ::testing::ValuesIn(ErrorCases()),
                         [](const ::testing::TestParamInfo<ErrorCase>& p) { return p.param.name; });

TEST(DecoderHeader, BitDepthIsJudgedOnlyWhenImageDataArrive) {
  // Grey with alpha at 4 bits passes the header; without image data nothing fails.
  EXPECT_EQ(DecodeError(TPngBuilder().Header(2, 2, 4, 4).End().Data()), "");
  EXPECT_EQ(DecodeError(TPngBuilder().Header(2, 2, 3, 2).End().Data()), "");
}

TEST(DecoderHeader, CompressionAndFilterMethodOnePassAndColourType8IsGrey) {
  for (const auto& png : {TPngBuilder().Header(2, 2, 8, 0, 0, 1, 1), TPngBuilder().Header(2, 2, 8, 8)}) {
    TPngBuilder copy = png;
    const auto d = Decode(copy.Idat(Grey2x2Rows()).End().Data());
    EXPECT_TRUE(d->reader.Grey());
    EXPECT_EQ(d->bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(Rgb24(d->bitmap), (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40}));
  }
}

TEST(DecoderHeader, ColourType12IsGreyWithAlpha) {
  const auto d = Decode(TPngBuilder().Header(1, 1, 8, 12).Idat(Rows({{0, 90, 200}})).End().Data());
  EXPECT_TRUE(d->reader.HasAlpha());
  EXPECT_EQ(Bytes8(d->mask), Bytes{55});
}

// ---- Transparency -----------------------------------------------------------------------------

std::unique_ptr<TDecoded> PaletteWithTransparency(const Bytes& trns, bool withEnd = true) {
  TPngBuilder png;
  png.Header(3, 1, 8, 3).Chunk("PLTE", ThreeColourPalette()).Chunk("tRNS", trns).Idat(Rows({{0, 0, 1, 2}}));
  if (withEnd) png.End();
  return Decode(png.Data());
}

TEST(PaletteTransparency, OneFullyTransparentEntryBecomesTheTransparentColour) {
  const auto d = PaletteWithTransparency({255, 0, 255});
  EXPECT_TRUE(d->bitmap.Transparent());
  EXPECT_EQ(d->bitmap.TransparentColor(), 0x01000001);
  EXPECT_EQ(d->reader.TransparentColor(), 0x01000001);
  EXPECT_EQ(d->reader.MaskInUse(), nullptr);
  EXPECT_FALSE(d->reader.HasAlpha());
}

TEST(PaletteTransparency, ShortChunkLeavesTheOtherEntriesOpaque) {
  const auto d = PaletteWithTransparency({0});
  EXPECT_EQ(d->bitmap.TransparentColor(), 0x01000000);
  EXPECT_EQ(d->reader.MaskInUse(), nullptr);
}

TEST(PaletteTransparency, PartialOrSeveralZeroEntriesBuildAMask) {
  struct Case {
    Bytes trns;
    Bytes mask;
  };
  for (const Case& c : {Case{{255, 128}, {0, 127, 0}}, Case{{0, 0}, {255, 255, 0}}, Case{{10, 20, 30}, {245, 235, 225}}}) {
    const auto d = PaletteWithTransparency(c.trns);
    EXPECT_TRUE(d->reader.HasAlpha());
    ASSERT_EQ(d->reader.MaskInUse(), &d->mask);
    EXPECT_EQ(Bytes8(d->mask), c.mask);
    EXPECT_FALSE(d->bitmap.Transparent());
    EXPECT_EQ(d->reader.TransparentColor(), kClNone);
  }
}

TEST(PaletteTransparency, EmptyChunkDoesNotStopTheRun) {
  // A zero-length read would raise the reader's Stop flag and end the file before its image.
  const auto d = PaletteWithTransparency({});
  EXPECT_EQ(d->bitmap.Width(), 3);
  EXPECT_EQ(Rgb24(d->bitmap), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255}));
}

TEST(PaletteTransparency, FileWithoutEndChunkLoadsButAppliesNoTransparentColour) {
  const auto d = PaletteWithTransparency({255, 0}, false);
  EXPECT_EQ(Rgb24(d->bitmap), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255}));
  EXPECT_FALSE(d->bitmap.Transparent());
  EXPECT_TRUE(d->reader.Eof());
}

class PaletteMaskByDepth : public ::testing::TestWithParam<int> {};

TEST_P(PaletteMaskByDepth, MaskFollowsEveryPixelsIndex) {
  const int depth = GetParam();
  const int entries = 1 << depth;
  Bytes palette;
  Bytes trns;
  for (int i = 0; i < entries; ++i) {
    palette.insert(palette.end(), {static_cast<std::uint8_t>(i), 0, 0});
    trns.push_back(static_cast<std::uint8_t>(255 - 3 * i));
  }
  const int width = 11;
  std::vector<int> indices;
  for (int x = 0; x < width; ++x) indices.push_back((x * 5 + 1) % entries);
  Bytes row{0};
  int acc = 0;
  int bits = 0;
  for (const int index : indices) {
    acc = acc << depth | index;
    bits += depth;
    if (bits == 8) {
      row.push_back(static_cast<std::uint8_t>(acc));
      acc = bits = 0;
    }
  }
  if (bits > 0) row.push_back(static_cast<std::uint8_t>(acc << (8 - bits)));
  TPngBuilder png;
  png.Header(width, 1, depth, 3).Chunk("PLTE", palette).Chunk("tRNS", trns).Idat(row).End();
  const auto d = Decode(png.Data());
  Bytes expectedMask;
  Bytes expectedRgb;
  for (const int index : indices) {
    expectedMask.push_back(static_cast<std::uint8_t>(3 * index));
    expectedRgb.insert(expectedRgb.end(), {static_cast<std::uint8_t>(index), 0, 0});
  }
  EXPECT_EQ(Bytes8(d->mask), expectedMask);
  EXPECT_EQ(Rgb24(d->bitmap), expectedRgb);
}

INSTANTIATE_TEST_SUITE_P(Depths, PaletteMaskByDepth, ::testing::Values(1, 2, 4, 8));

TEST(ColourKey, GreyAndColourSamplesGiveTheTransparentColour) {
  struct Case {
    const char* name;
    int depth;
    int colourType;
    Bytes trns;
    Bytes rows;
    TColor expected;
  };
  const Case cases[] = {
      {"grey8", 8, 0, {0, 40}, Rows({{0, 40}}), 0x282828},
      {"grey16 takes the high byte", 16, 0, {0x12, 0x34}, Rows({{0, 1, 2}}), 0x121212},
      {"rgb8 takes the low bytes", 8, 2, {0, 0x11, 0, 0x22, 0, 0x33}, Rows({{0, 1, 2, 3}}), 0x332211},
      {"rgb16 takes the high bytes", 16, 2, {0xAB, 1, 0xCD, 2, 0xEF, 3}, Rows({{0, 1, 2, 3, 4, 5, 6}}), 0xEFCDAB},
  };
  for (const Case& c : cases) {
    const auto d = Decode(TPngBuilder().Header(1, 1, c.depth, c.colourType).Chunk("tRNS", c.trns).Idat(c.rows).End().Data());
    EXPECT_TRUE(d->bitmap.Transparent()) << c.name;
    EXPECT_EQ(d->bitmap.TransparentColor(), c.expected) << c.name;
    EXPECT_EQ(d->reader.MaskInUse(), nullptr) << c.name;
  }
}

TEST(ColourKey, IgnoredWhenTheImageHasAnAlphaChannel) {
  const auto d = Decode(TPngBuilder().Header(1, 1, 8, 6).Chunk("tRNS", {0, 1, 0, 2, 0, 3}).Idat(Rows({{0, 1, 2, 3, 4}})).End().Data());
  EXPECT_EQ(d->reader.TransparentColor(), kClNone);
  EXPECT_FALSE(d->bitmap.Transparent());
}

TEST(SixteenBitColour, PixelsAndBackgroundComeFromTheHighBytes) {
  const auto d = Decode(TPngBuilder()
                            .Header(1, 1, 16, 2)
                            .Chunk("bKGD", {0x44, 0x01, 0x55, 0x02, 0x66, 0x03})
                            .Idat(Rows({{0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}))
                            .End()
                            .Data());
  EXPECT_EQ(d->bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(Rgb24(d->bitmap), (Bytes{0x12, 0x56, 0x9A}));
  EXPECT_EQ(d->reader.BackgroundColor(), 0x665544);
  EXPECT_EQ(d->reader.BitDepth(), 48);
}

// ---- Descriptive chunks -----------------------------------------------------------------------

TEST(DescriptiveChunks, ReadIntoTheirTargets) {
  Bytes chrm;
  for (std::uint32_t v = 1; v <= 8; ++v) PutLong(chrm, v * 1000);
  Bytes phys;
  PutLong(phys, 2835);
  PutLong(phys, 3780);
  phys.push_back(1);
  Bytes gama;
  PutLong(gama, 45455);
  const auto d = Decode(TPngBuilder()
                            .Header(3, 1, 8, 3)
                            .Chunk("tIME", {0x07, 0xE4, 5, 17, 10, 20, 30})
                            .Chunk("gAMA", gama)
                            .Chunk("cHRM", chrm)
                            .Chunk("gIFg", {1, 2, 3, 4})
                            .Chunk("sBIT", {5, 6, 7})
                            .Chunk("pHYs", phys)
                            .Chunk("PLTE", ThreeColourPalette())
                            .Chunk("bKGD", {2})
                            .Idat(Rows({{0, 0, 1, 2}}))
                            .End()
                            .Data());
  EXPECT_EQ(d->time.Year, 2020);
  EXPECT_EQ(d->time.Month, 5);
  EXPECT_EQ(d->time.Day, 17);
  EXPECT_EQ(d->time.Hour, 10);
  EXPECT_EQ(d->time.Minute, 20);
  EXPECT_EQ(d->time.Second, 30);
  EXPECT_DOUBLE_EQ(d->reader.Gamma(), 0.45455);
  EXPECT_EQ(d->chromaticities, (TPngChromaticities{1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000}));
  EXPECT_EQ(d->gifg, (TPngGifg{1, 2, 3, 4}));
  EXPECT_EQ(d->reader.SignificantBits(), 0x070605u);
  EXPECT_EQ(d->reader.PixelsPerUnitX(), 2835);
  EXPECT_EQ(d->reader.PixelsPerUnitY(), 3780);
  EXPECT_EQ(d->reader.PhysicalUnit(), 1);
  EXPECT_EQ(d->reader.BackgroundColor(), 0x01000002);
  EXPECT_EQ(d->reader.PaletteCount(), 3);
}

TEST(DescriptiveChunks, LayoutChecksAndThePaletteCutOff) {
  Bytes gama;
  PutLong(gama, 100000);
  const auto d = Decode(TPngBuilder()
                            .Header(3, 1, 8, 3)
                            .Chunk("cHRM", Bytes(31, 1))          // not exactly 32 bytes: not read
                            .Chunk("tIME", {0x07, 0xE4, 5, 17})   // not exactly 7 bytes
                            .Chunk("PLTE", ThreeColourPalette())
                            .Chunk("gAMA", gama)                  // after the palette: ignored
                            .Chunk("sBIT", {1, 1, 1})
                            .Chunk("PLTE", {9, 9, 9})             // a second palette is not read
                            .Idat(Rows({{0, 0, 1, 2}}))
                            .End()
                            .Data());
  EXPECT_EQ(d->chromaticities, TPngChromaticities{});
  EXPECT_EQ(d->time.Year, 0);
  EXPECT_EQ(d->reader.Gamma(), 0.0);
  EXPECT_EQ(d->reader.SignificantBits(), 0u);
  EXPECT_EQ(Rgb24(d->bitmap), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255}));
}

TEST(DescriptiveChunks, CommentsAreJoinedAndOtherKeywordsIgnored) {
  const auto d = Decode(Grey2x2()
                            .Chunk("tEXt", Text("Comment", "A"))
                            .Chunk("tEXt", Text("comment", "lower case"))
                            .Chunk("tEXt", Text("Author", "someone"))
                            .Chunk("tEXt", Text("Comment", ""))
                            .Chunk("tEXt", Bytes{'C', 'o', 'm', 'm', 'e', 'n', 't'})  // no zero byte
                            .Idat(Grey2x2Rows())
                            .Chunk("tEXt", Text("Comment", "B"))
                            .End()
                            .Data());
  EXPECT_EQ(d->reader.Comment(), "A\r\n\r\nB\r\n");
}

TEST(DescriptiveChunks, BackgroundAfterTheImageIsStillRead) {
  const auto d = Decode(Grey2x2().Idat(Grey2x2Rows()).Chunk("bKGD", {0, 77}).End().Data());
  EXPECT_EQ(d->reader.BackgroundColor(), 0x4D4D4D);
}

TEST(DescriptiveChunks, ChunksWithoutHandlerAreSkippedCriticalOrNot) {
  const auto d = Decode(Grey2x2()
                            .Chunk("ABCD", {1, 2, 3, 4, 5})
                            .Chunk("zzZZ", Bytes(70000, 7))
                            .Chunk("tpNG", {'x', 'y', 'z', 'w', 0, 0, 0, 0})
                            .Idat(Grey2x2Rows())
                            .End()
                            .Data());
  EXPECT_EQ(Rgb24(d->bitmap), (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40}));
}

TEST(DescriptiveChunks, CrcsAreNotChecked) {
  Bytes b = Grey2x2().Idat(Grey2x2Rows()).End().Data();
  b[8 + 8 + 13] ^= 0xFF;  // the header's CRC
  b[b.size() - 1] ^= 0xFF;  // the end chunk's CRC
  EXPECT_EQ(DecodeError(b), "");
}

// ---- Interlacing --------------------------------------------------------------------------------

struct Layout {
  int colourType;
  int depth;
};

int Channels(int colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// One row of pixels (samples given per pixel, low depths as values) packed the way the format does.
Bytes PackRow(const std::vector<std::vector<int>>& pixels, int depth) {
  Bytes row{0};
  if (depth >= 8) {
    for (const auto& p : pixels) {
      for (const int s : p) {
        if (depth == 16) row.push_back(static_cast<std::uint8_t>(s >> 8));
        row.push_back(static_cast<std::uint8_t>(s));
      }
    }
    return row;
  }
  int acc = 0;
  int bits = 0;
  for (const auto& p : pixels) {
    acc = acc << depth | p[0];
    bits += depth;
    if (bits == 8) {
      row.push_back(static_cast<std::uint8_t>(acc));
      acc = bits = 0;
    }
  }
  if (bits > 0) row.push_back(static_cast<std::uint8_t>(acc << (8 - bits)));
  return row;
}

class InterlacedMatchesPlain : public ::testing::TestWithParam<Layout> {};

TEST_P(InterlacedMatchesPlain, EverySizeUpToTenByTen) {
  const Layout layout = GetParam();
  std::mt19937 random(static_cast<unsigned>(layout.colourType * 100 + layout.depth));
  const int maxSample = layout.colourType == 3 ? (1 << layout.depth) - 1 : (1 << layout.depth) - 1;
  Bytes palette;
  for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7});
  for (int width = 1; width <= 10; ++width) {
    for (int height = 1; height <= 10; ++height) {
      std::vector<std::vector<std::vector<int>>> image(static_cast<std::size_t>(height));
      for (auto& row : image) {
        row.resize(static_cast<std::size_t>(width));
        for (auto& pixel : row) {
          for (int c = 0; c < Channels(layout.colourType); ++c) pixel.push_back(static_cast<int>(random() % (maxSample + 1)));
        }
      }
      Bytes plain;
      for (const auto& row : image) {
        const Bytes packed = PackRow(row, layout.depth);
        plain.insert(plain.end(), packed.begin(), packed.end());
      }
      // Adam7 from its definition: the pixels of each pass are those on its grid.
      Bytes interlaced;
      for (const TAdam7Pass& pass : kAdam7) {
        for (int y = pass.RowStart; y < height; y += pass.RowStep) {
          std::vector<std::vector<int>> passRow;
          for (int x = pass.ColumnStart; x < width; x += pass.ColumnStep) {
            passRow.push_back(image[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
          }
          if (passRow.empty()) continue;
          const Bytes packed = PackRow(passRow, layout.depth);
          interlaced.insert(interlaced.end(), packed.begin(), packed.end());
        }
      }
      const auto build = [&](int interlace, const Bytes& rows) {
        TPngBuilder png;
        png.Header(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), layout.depth,
                   layout.colourType, interlace);
        if (layout.colourType == 3) png.Chunk("PLTE", palette).Chunk("tRNS", {200, 0, 100});
        return png.Idat(rows).End().Data();
      };
      const auto a = Decode(build(0, plain));
      const auto b = Decode(build(1, interlaced));
      ASSERT_EQ(Rgb24(a->bitmap), Rgb24(b->bitmap)) << width << "x" << height;
      ASSERT_EQ(a->reader.MaskInUse() != nullptr, b->reader.MaskInUse() != nullptr);
      if (a->reader.MaskInUse() != nullptr) {
        ASSERT_EQ(Bytes8(a->mask), Bytes8(b->mask)) << width << "x" << height;
      }
      EXPECT_EQ(b->reader.InterlaceMethod(), 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, InterlacedMatchesPlain,
                         ::testing::Values(Layout{0, 1}, Layout{0, 2}, Layout{0, 4}, Layout{0, 8}, Layout{0, 16},
                                           Layout{2, 8}, Layout{2, 16}, Layout{3, 1}, Layout{3, 2}, Layout{3, 4},
                                           Layout{3, 8}, Layout{4, 8}, Layout{4, 16}, Layout{6, 8}, Layout{6, 16}),
                         [](const ::testing::TestParamInfo<Layout>& p) {
                           return "type" + std::to_string(p.param.colourType) + "depth" +
                                  std::to_string(p.param.depth);
                         });

TEST(Interlacing, RowCountsOfThePasses) {
  // 3 × 3: passes 1, 4, 5, 6 and 7 hold rows; 2 and 3 are skipped.
  std::vector<int> rows;
  for (int pass = 0; pass < 7; ++pass) rows.push_back(Adam7Skipped(pass, 3, 3) ? 0 : static_cast<int>(Adam7Rows(pass, 3)));
  EXPECT_EQ(rows, (std::vector<int>{1, 0, 0, 1, 1, 2, 1}));
  // The progress total counts the second pass's rows whatever the width: 6 rows, a total of 7.
  EXPECT_EQ(Adam7RowTotal(3), 7);
  EXPECT_EQ(Adam7RowTotal(1), 4);
  // 1 × 1 decodes from pass 1 alone.
  for (int pass = 1; pass < 7; ++pass) EXPECT_TRUE(Adam7Skipped(pass, 1, 1)) << pass;
}

// ---- Mends and hostile sizes ------------------------------------------------------------------

TEST(ImageDataChunks, ZeroLengthChunksBetweenAndBeforeArePassedOver) {
  const Bytes z = Deflate(Grey2x2Rows());
  const Bytes first(z.begin(), z.begin() + 5);
  const Bytes second(z.begin() + 5, z.end());
  for (const auto& png : {Grey2x2().Chunk("IDAT", first).Chunk("IDAT", {}).Chunk("IDAT", {}).Chunk("IDAT", second),
                          Grey2x2().Chunk("IDAT", {}).Chunk("IDAT", z)}) {
    TPngBuilder copy = png;
    const auto d = Decode(copy.End().Data());
    EXPECT_EQ(Rgb24(d->bitmap), (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40}));
  }
}

TEST(ImageDataChunks, OneChunkPerByteAndChunksAfterTheImage) {
  const Bytes z = Deflate(Grey2x2Rows());
  TPngBuilder png = Grey2x2();
  for (const std::uint8_t b : z) png.Chunk("IDAT", {b});
  png.Chunk("IDAT", {1, 2, 3}).End();
  const auto d = Decode(png.Data());
  EXPECT_EQ(Rgb24(d->bitmap), (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40}));
  EXPECT_TRUE(d->bitmap.Width() == 2 && !d->reader.Eof());
}

TEST(HostileSizes, PicturesThatCannotBeHeldFailWithAClearMessage) {
  struct Case {
    std::uint32_t width;
    std::uint32_t height;
    int depth;
    int colourType;
  };
  for (const Case& c : {Case{0xFFFFFFFFu, 1, 16, 6}, Case{0x80000000u, 1, 8, 0}, Case{1, 0xFFFFFFFFu, 8, 2},
                        Case{static_cast<std::uint32_t>(kMaxBitmapSide + 1), 1, 1, 0}, Case{65536, 65536, 8, 3}, Case{0x40000001u, 4, 16, 2}}) {
    const Bytes data = TPngBuilder().Header(c.width, c.height, c.depth, c.colourType).Idat({0, 0}).End().Data();
    const std::string message = DecodeError(data);
    EXPECT_NE(message.find("大きすぎて扱えません"), std::string::npos) << c.width << "x" << c.height;
  }
}

TEST(HostileSizes, NegativeChunkLengthEndsWithoutHangOrCrash) {
  const Bytes data = Grey2x2().RawChunk(0x80000000u, "ABCD", {1, 2, 3}).Idat(Grey2x2Rows()).End().Data();
  EXPECT_NO_FATAL_FAILURE(DecodeError(data));
  // Handlers take their layout off a negative count; that must not overflow (the sanitizer build
  // fails on it) nor turn into a skip of gigabytes.
  for (const char* type : {"gAMA", "pHYs", "sBIT", "bKGD", "tRNS", "PLTE", "tEXt", "tIME", "tpNG"}) {
    const Bytes chunk = Grey2x2().RawChunk(0x80000000u, type, {0, 1, 0, 1, 0, 1, 0, 1, 0}).Idat(Grey2x2Rows()).End().Data();
    EXPECT_NO_FATAL_FAILURE(DecodeError(chunk)) << type;
  }
  const Bytes header = TPngBuilder().RawChunk(0x80000005u, "IHDR", {0, 0, 0, 2, 0, 0, 0, 2, 8, 0, 0, 0, 0}).End().Data();
  EXPECT_NO_FATAL_FAILURE(DecodeError(header));
}

TEST(HostileSizes, EmptyPictureHasNoRows) {
  const auto d = Decode(TPngBuilder().Header(0, 0, 8, 2).Idat({}).End().Data());
  EXPECT_EQ(d->bitmap.Width(), 0);
  EXPECT_EQ(d->bitmap.Height(), 0);
}

// ---- The run around the decoder ---------------------------------------------------------------

TEST(DecodingRun, SourceIsLeftAfterTheConsumedBytes) {
  Bytes data = Grey2x2().Idat(Grey2x2Rows()).End().Data();
  const auto pngSize = static_cast<std::int64_t>(data.size());
  data.insert(data.end(), {1, 2, 3, 4});
  EXPECT_EQ(Decode(data)->streamPositionAfter, pngSize);

  // On a failure too: the second header's length and type were consumed.
  const Bytes twice = Grey2x2().Header(2, 2, 8, 0).Data();
  auto stream = ToStream(twice);
  TBitmap bitmap;
  TPngReadStream reader;
  EXPECT_THROW(reader.ReadFromStream(bitmap, *stream, 0), EPngError);
  EXPECT_EQ(stream->Position(), 8 + 25 + 8);
}

TEST(DecodingRun, ChangeEventsAreSilencedAndRestoredOnEveryWayOut) {
  for (const Bytes& data : {Grey2x2().Idat(Grey2x2Rows()).End().Data(), Grey2x2().Idat(Rows({{9, 1, 1}})).Data()}) {
    TBitmap bitmap;
    int changes = 0;
    bitmap.OnChange = [&](TGraphic&) { ++changes; };
    auto stream = ToStream(data);
    TPngReadStream reader;
    try {
      reader.ReadFromStream(bitmap, *stream, 0);
    } catch (const EPngError&) {
    }
    EXPECT_EQ(changes, 0);
    bitmap.SetSize(5, 5);
    EXPECT_EQ(changes, 1);
  }
}

TEST(DecodingRun, ProgressRunsFromStartingToEndingThroughTheRows) {
  TPngBuilder png;
  png.Header(4, 40, 8, 0);
  Bytes rows;
  for (int y = 0; y < 40; ++y) rows.insert(rows.end(), {0, 1, 2, 3, 4});
  png.Idat(rows).End();
  TBitmap bitmap;
  std::vector<std::pair<TProgressStage, int>> reports;
  bitmap.OnProgress = [&](TGraphic& sender, TProgressStage stage, std::uint8_t percent, bool redraw, const TRect&,
                          const std::string& message) {
    EXPECT_EQ(&sender, &bitmap);
    EXPECT_FALSE(redraw);
    EXPECT_TRUE(message.empty());
    reports.emplace_back(stage, percent);
  };
  auto stream = png.Stream();
  TPngReadStream reader;
  reader.ReadFromStream(bitmap, *stream, 0);
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports.front(), std::make_pair(TProgressStage::psStarting, 0));
  EXPECT_EQ(reports.back(), std::make_pair(TProgressStage::psEnding, 100));
  int last = -1;
  bool sawRows = false;
  for (const auto& [stage, percent] : reports) {
    EXPECT_GT(percent, last);
    last = percent;
    if (stage == TProgressStage::psRunning && percent > 29 && percent <= 97) sawRows = true;
  }
  EXPECT_TRUE(sawRows);
}

}  // namespace
}  // namespace ombrisk
