// The encoder: round trips for every colour type it writes, read back by our decoder and by libpng,
// its settings, its chunks and its failures.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "libpng_reference.h"
#include "picture/png/png_graphic.h"
#include "picture/png/png_write_stream.h"
#include "png_decode_support.h"

namespace ombrisk {
namespace {

using namespace ombrisk::testing;

struct Shape {
  TPixelFormat format;
  bool grey;
  bool alpha;
  int expectedColourType;
};

std::vector<TPaletteEntry> GreyRampFor(TPixelFormat format) {
  const int entries = 1 << BitsPerPixel(format);
  std::vector<TPaletteEntry> ramp;
  for (int i = 0; i < entries; ++i) {
    const auto v = static_cast<std::uint8_t>(i * 255 / (entries - 1));
    ramp.push_back({v, v, v, 0});
  }
  return ramp;
}

TBitmap RandomBitmap(TPixelFormat format, int width, int height, bool grey, unsigned seed) {
  std::mt19937 random(seed);
  TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  if (format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit || format == TPixelFormat::pf8bit) {
    std::vector<TPaletteEntry> palette = GreyRampFor(format);
    if (!grey) {
      for (TPaletteEntry& e : palette) {
        e = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
             static_cast<std::uint8_t>(random()), 0};
      }
    }
    bitmap.SetPalette(palette);
  }
  for (int y = 0; y < height; ++y) {
    std::uint8_t* line = bitmap.ScanLine(y);
    for (std::size_t i = 0; i < bitmap.BytesPerScanLine(); ++i) line[i] = static_cast<std::uint8_t>(random());
  }
  return bitmap;
}

TBitmap RandomMask(int width, int height, unsigned seed) {
  TBitmap mask;
  mask.SetPixelFormat(TPixelFormat::pf8bit);
  mask.SetSize(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) mask.ScanLine(y)[x] = static_cast<std::uint8_t>(random());
  }
  return mask;
}

Bytes Encode(const TBitmap& bitmap, const TPngWriteSettings& settings) {
  TMemoryStream stream;
  TPngWriteStream(settings).WriteToStream(bitmap, stream);
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

std::vector<std::string> ChunkTypes(const Bytes& png) {
  std::vector<std::string> types;
  std::size_t at = 8;
  while (at + 8 <= png.size()) {
    const std::uint32_t length = std::uint32_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    types.emplace_back(png.begin() + static_cast<std::ptrdiff_t>(at + 4), png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    at += 12 + length;
  }
  return types;
}

class RoundTrip : public ::testing::TestWithParam<std::tuple<Shape, bool>> {};

TEST_P(RoundTrip, DecodesToTheSamePixelsAndLibpngAgrees) {
  const auto [shape, interlaced] = GetParam();
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 5}, std::pair{17, 9}, std::pair{64, 33}}) {
    const TBitmap bitmap = RandomBitmap(shape.format, width, height, shape.grey, static_cast<unsigned>(width * 7 + height));
    const TBitmap mask = RandomMask(width, height, 99);
    TPngWriteSettings settings;
    settings.Grey = shape.grey;
    settings.HasAlpha = shape.alpha;
    settings.Mask = &mask;
    settings.Interlaced = interlaced;
    settings.FilterMode = 0;
    const Bytes png = Encode(bitmap, settings);
    ASSERT_EQ(png[25], shape.expectedColourType);

    const auto d = Decode(png);
    const Bytes expected = Rgb24(bitmap);
    ASSERT_EQ(Rgb24(d->bitmap), expected) << width << "x" << height;
    EXPECT_EQ(d->reader.InterlaceMethod(), interlaced ? 1 : 0);
    EXPECT_EQ(d->reader.HasAlpha(), shape.alpha);
    if (shape.alpha) {
      EXPECT_EQ(Bytes8(d->mask), Bytes8(mask));
    }

    const TReference ref = Reference(png);
    ASSERT_EQ(ref.width, width);
    for (std::size_t i = 0; i < expected.size() / 3; ++i) {
      ASSERT_EQ(ref.rgba[4 * i], expected[3 * i]);
      ASSERT_EQ(ref.rgba[4 * i + 1], expected[3 * i + 1]);
      ASSERT_EQ(ref.rgba[4 * i + 2], expected[3 * i + 2]);
      const int alpha = shape.alpha ? 255 - mask.ScanLine(static_cast<int>(i) / width)[static_cast<int>(i) % width] : 255;
      ASSERT_EQ(ref.rgba[4 * i + 3], alpha);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    ColourTypes, RoundTrip,
    ::testing::Combine(::testing::Values(Shape{TPixelFormat::pf1bit, false, false, 3},
                                         Shape{TPixelFormat::pf4bit, false, false, 3},
                                         Shape{TPixelFormat::pf8bit, false, false, 3},
                                         Shape{TPixelFormat::pf1bit, true, false, 0},
                                         Shape{TPixelFormat::pf4bit, true, false, 0},
                                         Shape{TPixelFormat::pf8bit, true, false, 0},
                                         Shape{TPixelFormat::pf8bit, true, true, 4},
                                         Shape{TPixelFormat::pf15bit, false, false, 2},
                                         Shape{TPixelFormat::pf16bit, false, false, 2},
                                         Shape{TPixelFormat::pf24bit, false, false, 2},
                                         Shape{TPixelFormat::pf32bit, false, false, 2},
                                         Shape{TPixelFormat::pf24bit, false, true, 6},
                                         Shape{TPixelFormat::pf32bit, false, true, 6}),
                       ::testing::Bool()));

TEST(EncoderColourType, AlphaNeedsAnEightBitMaskOfTheSameSize) {
  const TBitmap bitmap = RandomBitmap(TPixelFormat::pf24bit, 8, 8, false, 1);
  TPngWriteSettings settings;
  settings.HasAlpha = true;
  const TBitmap small = RandomMask(7, 8, 2);
  settings.Mask = &small;
  EXPECT_EQ(Encode(bitmap, settings)[25], 2);
  TBitmap wide = RandomBitmap(TPixelFormat::pf24bit, 8, 8, false, 3);
  settings.Mask = &wide;
  EXPECT_EQ(Encode(bitmap, settings)[25], 2);
  // Paletted pictures and low-depth grey have no alpha form.
  const TBitmap mask = RandomMask(8, 8, 4);
  settings.Mask = &mask;
  EXPECT_EQ(Encode(RandomBitmap(TPixelFormat::pf8bit, 8, 8, false, 5), settings)[25], 3);
  settings.Grey = true;
  EXPECT_EQ(Encode(RandomBitmap(TPixelFormat::pf4bit, 8, 8, true, 6), settings)[25], 0);
}

TEST(EncoderColourType, GreyFlagWithLowDepthPaletteWritesThePalettesGreys) {
  // A 4-bit bitmap with the four greys that a 2-bit grey file decodes to.
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf4bit);
  bitmap.SetSize(4, 1);
  bitmap.SetPalette({{0, 0, 0, 0}, {85, 85, 85, 0}, {170, 170, 170, 0}, {255, 255, 255, 0}});
  bitmap.ScanLine(0)[0] = 0x01;
  bitmap.ScanLine(0)[1] = 0x23;
  TPngWriteSettings settings;
  settings.Grey = true;
  const auto d = Decode(Encode(bitmap, settings));
  EXPECT_EQ(Rgb24(d->bitmap), Rgb24(bitmap));
}

TEST(EncoderFilters, EveryFilterModeDecodesToThePicture) {
  const TBitmap bitmap = RandomBitmap(TPixelFormat::pf24bit, 31, 7, false, 11);
  for (int mode = 0; mode <= 7; ++mode) {
    TPngWriteSettings settings;
    settings.FilterMode = mode;
    const Bytes png = Encode(bitmap, settings);
    EXPECT_EQ(Rgb24(Decode(png)->bitmap), Rgb24(bitmap)) << mode;
  }
}

TEST(EncoderFilters, SuiteFilterFilesSurviveReencodingWithEveryFilter) {
  const auto dir = std::filesystem::path(OMBRISK_TESTDATA_DIR) / "pngsuite";
  for (const char* name : {"f00n0g08.png", "f01n2c08.png", "f02n0g08.png", "f03n2c08.png", "f04n2c08.png", "f99n0g04.png"}) {
    std::ifstream in(dir / name, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto original = Decode(file);
    for (int mode = 1; mode <= 5; ++mode) {
      TPngWriteSettings settings;
      settings.FilterMode = mode;
      settings.Grey = original->reader.Grey();
      EXPECT_EQ(Rgb24(Decode(Encode(original->bitmap, settings))->bitmap), Rgb24(original->bitmap)) << name << mode;
    }
  }
}

TEST(EncoderSettings, ImageDataChunkSizeLimits) {
  const TBitmap bitmap = RandomBitmap(TPixelFormat::pf24bit, 64, 64, false, 21);
  for (const int size : {255, 100001, 0, -1}) {
    TPngWriteSettings settings;
    settings.ChunkSize = size;
    try {
      Encode(bitmap, settings);
      ADD_FAILURE() << size;
    } catch (const EPngError& e) {
      EXPECT_EQ(e.Message(), kSPngChunkSize);
    }
  }
  for (const int size : {256, 100000}) {
    TPngWriteSettings settings;
    settings.ChunkSize = size;
    settings.Level = 0;  // stored: 12 KiB of data, so several chunks at 256
    const Bytes png = Encode(bitmap, settings);
    const auto types = ChunkTypes(png);
    const auto chunks = std::count(types.begin(), types.end(), "IDAT");
    if (size == 256) {
      EXPECT_GT(chunks, 40);
    } else {
      EXPECT_EQ(chunks, 1);
    }
    EXPECT_EQ(Rgb24(Decode(png)->bitmap), Rgb24(bitmap));
  }
}

// Refused before the first byte, so that a stream holds nothing of a file that cannot be made.
TEST(EncoderSettings, ACompressionLevelZlibRefusesIsAWriteError) {
  const struct {
    int level, strategy;
  } refused[] = {{10, 0}, {-2, 0}, {-1, 5}, {6, -1}};
  for (const auto& c : refused) {
    TPngWriteSettings settings;
    settings.Level = c.level;
    settings.Strategy = c.strategy;
    TMemoryStream stream;
    try {
      TPngWriteStream(settings).WriteToStream(RandomBitmap(TPixelFormat::pf24bit, 4, 4, false, 1), stream);
      ADD_FAILURE() << c.level << ", " << c.strategy;
    } catch (const EPngError& e) {
      EXPECT_EQ(e.Message(), kSPngWriteError);
    }
    EXPECT_EQ(stream.Size(), 0) << c.level << ", " << c.strategy;
  }
}

TEST(EncoderSettings, EveryZlibStrategyDecodesToThePictureAndAnUnknownOneIsAWriteError) {
  const TBitmap bitmap = RandomBitmap(TPixelFormat::pf8bit, 40, 9, true, 7);
  for (int strategy = 0; strategy <= 5; ++strategy) {
    TPngWriteSettings settings;
    settings.Grey = true;
    settings.FilterMode = 0;
    settings.Strategy = strategy;
    try {
      EXPECT_EQ(Rgb24(Decode(Encode(bitmap, settings))->bitmap), Rgb24(bitmap)) << strategy;
      EXPECT_LE(strategy, 4);
    } catch (const EPngError& e) {
      EXPECT_EQ(strategy, 5);
      EXPECT_EQ(e.Message(), kSPngWriteError);
    }
  }
}

TEST(EncoderSettings, AFailingStreamReportsItsOwnError) {
  class TFullDisk : public TStream {
  public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void*, std::size_t count) override {
      const std::size_t n = std::min<std::size_t>(count, 40 - std::min<std::size_t>(m_written, 40));
      m_written += n;
      return n;
    }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return static_cast<std::int64_t>(m_written); }

  private:
    std::size_t m_written = 0;
  } disk;
  EXPECT_THROW(TPngWriteStream(TPngWriteSettings{}).WriteToStream(RandomBitmap(TPixelFormat::pf24bit, 4, 4, false, 1), disk),
               EWriteError);
}

TEST(EncoderChunks, DescriptiveValuesSurviveInTheirOrder) {
  TBitmap bitmap = RandomBitmap(TPixelFormat::pf8bit, 5, 4, false, 31);
  TPngWriteSettings settings;
  settings.WriteCurrentTime = false;
  settings.Time = TPngTime{2021, 12, 31, 23, 59, 60};
  settings.Comment = "first\r\nsecond";
  settings.Gamma = 0.45455;
  settings.Chromaticities = {31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
  settings.Gifg = {1, 0, 2, 0};
  settings.SignificantBits = 0x050607;
  settings.BackgroundColor = kPaletteIndexColour + 3;
  settings.TransparentColor = kPaletteIndexColour + 2;
  settings.PhysicalUnit = 1;
  settings.PixelsPerUnitX = 2835;
  settings.PixelsPerUnitY = 2835;
  const Bytes png = Encode(bitmap, settings);
  EXPECT_EQ(ChunkTypes(png), (std::vector<std::string>{"IHDR", "tIME", "tEXt", "tEXt", "tpNG", "gIFg", "gAMA", "cHRM",
                                                        "sBIT", "PLTE", "bKGD", "tRNS", "pHYs", "IDAT", "IEND"}));
  const auto d = Decode(png);
  EXPECT_EQ(d->time.Year, 2021);
  EXPECT_EQ(d->time.Second, 60);
  EXPECT_EQ(d->reader.Comment(), "first\r\nsecond\r\n");
  EXPECT_DOUBLE_EQ(d->reader.Gamma(), 0.45455);
  EXPECT_EQ(d->chromaticities, settings.Chromaticities);
  EXPECT_EQ(d->gifg, settings.Gifg);
  EXPECT_EQ(d->reader.SignificantBits(), 0x050607u);
  EXPECT_EQ(d->reader.BackgroundColor(), kPaletteIndexColour + 3);
  EXPECT_EQ(d->bitmap.TransparentColor(), kPaletteIndexColour + 2);
  EXPECT_EQ(d->reader.PixelsPerUnitX(), 2835);
  EXPECT_EQ(d->reader.PhysicalUnit(), 1);
  EXPECT_EQ(Rgb24(d->bitmap), Rgb24(bitmap));
  const std::string text(png.begin(), png.end());
  EXPECT_NE(text.find(std::string("Software") + '\0' + kPngSoftware), std::string::npos);
  EXPECT_NE(text.find(std::string("tpNG") + kPngPrivateTag), std::string::npos);
}

TEST(EncoderChunks, OptionalChunksAreLeftOutWhenEmptyOrOutOfRange) {
  TPngWriteSettings settings;
  settings.WriteCurrentTime = false;
  settings.Time = TPngTime{2021, 13, 1, 0, 0, 0};  // month 13
  settings.Chromaticities = {0, 32900, 1, 1, 1, 1, 1, 1};
  settings.PixelsPerUnitX = 0;
  settings.PixelsPerUnitY = 100;
  settings.Gamma = 0.000004;  // rounds to 0
  const auto types = ChunkTypes(Encode(RandomBitmap(TPixelFormat::pf24bit, 2, 2, false, 1), settings));
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "tEXt", "tpNG", "IDAT", "IEND"}));

  TPngWriteSettings now;  // the current time is written by default
  const auto withTime = ChunkTypes(Encode(RandomBitmap(TPixelFormat::pf24bit, 2, 2, false, 1), now));
  EXPECT_EQ(withTime[1], "tIME");
}

TEST(EncoderChunks, SixteenBitPicturesGiveTheirSignificantBitsAndColourKeysSurvive) {
  for (const TPixelFormat format : {TPixelFormat::pf15bit, TPixelFormat::pf16bit}) {
    TPngWriteSettings settings;
    settings.TransparentColor = 0x332211;
    const auto d = Decode(Encode(RandomBitmap(format, 3, 3, false, 1), settings));
    EXPECT_EQ(d->reader.SignificantBits(), format == TPixelFormat::pf15bit ? 0x050505u : 0x050605u);
    EXPECT_EQ(d->bitmap.TransparentColor(), 0x332211);
  }
  TPngWriteSettings grey;
  grey.Grey = true;
  grey.TransparentColor = 0x444444;
  grey.BackgroundColor = 0x101010;
  const auto g = Decode(Encode(RandomBitmap(TPixelFormat::pf8bit, 3, 3, true, 1), grey));
  EXPECT_EQ(g->bitmap.TransparentColor(), 0x444444);
  EXPECT_EQ(g->reader.BackgroundColor(), 0x101010);
}

TEST(EncoderProgress, RunsFromStartingToEnding) {
  std::vector<int> percents;
  TPngWriteStream writer{TPngWriteSettings{}};
  writer.OnProgress = [&](TProgressStage, std::uint8_t percent) { percents.push_back(percent); };
  TMemoryStream stream;
  writer.WriteToStream(RandomBitmap(TPixelFormat::pf24bit, 4, 200, false, 1), stream);
  ASSERT_GE(percents.size(), 3u);
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
}

TEST(SavePngEntry, WritesASpectrogramBitmapAsColour) {
  const TBitmap bitmap = RandomBitmap(TPixelFormat::pf32bit, 40, 30, false, 5);
  TMemoryStream stream;
  SavePng(bitmap, stream);
  const Bytes png(stream.Memory(), stream.Memory() + stream.Size());
  EXPECT_EQ(png[25], 2);
  EXPECT_EQ(Rgb24(Decode(png)->bitmap), Rgb24(bitmap));
}

}  // namespace
}  // namespace ombrisk
