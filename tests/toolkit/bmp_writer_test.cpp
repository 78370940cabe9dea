#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/toolkit/bmp_builder.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/little_endian.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

std::uint32_t LongAt(const std::vector<std::uint8_t>& b, std::size_t at) { return ReadLittle32(b.data() + at); }
std::uint32_t WordAt(const std::vector<std::uint8_t>& b, std::size_t at) { return ReadLittle16(b.data() + at); }

std::vector<std::uint8_t> Save(TBitmap& b) {
  TMemoryStream stream;
  b.SaveToStream(stream);
  return bmptest::Bytes(stream);
}

TEST(BitmapWriting, ThirtyTwoBitsByteForByte) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf32bit);
  b.SetSize(2, 2);
  const std::uint8_t top[] = {1, 2, 3, 0xAA, 4, 5, 6, 0xBB};
  const std::uint8_t bottom[] = {7, 8, 9, 0xCC, 10, 11, 12, 0xDD};
  std::copy(std::begin(top), std::end(top), b.ScanLine(0));
  std::copy(std::begin(bottom), std::end(bottom), b.ScanLine(1));
  const std::vector<std::uint8_t> expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0,  // size, width, height, planes, bits
      0, 0, 0, 0, 16, 0, 0, 0,                           // no compression, 16 bytes of pixels
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    // resolutions, colour counts
      7, 8, 9, 0, 10, 11, 12, 0,                         // bottom row first
      1, 2, 3, 0, 4, 5, 6, 0};
  EXPECT_EQ(Save(b), expected);
}

// A bitmap at every depth with every pixel different where the depth allows.
TBitmap Pattern(TPixelFormat format, int width, int height) {
  TBitmap b;
  b.SetPixelFormat(format);
  const int bits = BitsPerPixel(format);
  if (bits <= 8) {
    // A table shorter than the depth allows at 8 bits, a full one below.
    const int entries = bits == 8 ? 37 : 1 << bits;
    std::vector<TPaletteEntry> palette;
    for (int i = 0; i < entries; ++i) {
      palette.push_back({static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                         static_cast<std::uint8_t>(i * 3 + 1), 0});
    }
    b.SetPalette(palette);
  }
  b.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int n = y * width + x;
      if (bits <= 8) {
        b.SetPixel(x, y, 0x01000000 + n % static_cast<int>(b.Palette().size()));
      } else {
        b.SetPixel(x, y, (n * 2654435761u) & 0xFFFFFF);
      }
    }
  }
  return b;
}

struct WriteCase {
  TPixelFormat format;
  std::uint16_t bits;
  std::uint32_t compression;
  std::uint32_t tableBytes;  // colour table and masks
  std::uint32_t colorsUsed;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.bits << " bits, compression " << c.compression; }

std::string CaseName(const ::testing::TestParamInfo<WriteCase>& info) {
  const char* const names[] = {"pf1bit", "pf4bit", "pf8bit", "pf15bit", "pf16bit", "pf24bit", "pf32bit"};
  return names[static_cast<int>(info.param.format)];
}

class SaveLoadRoundTrip : public ::testing::TestWithParam<WriteCase> {};

TEST_P(SaveLoadRoundTrip, HeadersAndPixelsSurvive) {
  const WriteCase& c = GetParam();
  constexpr int kWidth = 7, kHeight = 3;
  TBitmap original = Pattern(c.format, kWidth, kHeight);
  const std::vector<std::uint8_t> file = Save(original);

  const std::uint32_t offBits = 54 + c.tableBytes;
  const std::uint32_t imageBytes = static_cast<std::uint32_t>(original.BytesPerScanLine()) * kHeight;
  ASSERT_EQ(file.size(), offBits + imageBytes);
  EXPECT_EQ(LongAt(file, 2), file.size());
  EXPECT_EQ(LongAt(file, 10), offBits);
  EXPECT_EQ(LongAt(file, 14), 40u);
  EXPECT_EQ(LongAt(file, 18), static_cast<std::uint32_t>(kWidth));
  EXPECT_EQ(LongAt(file, 22), static_cast<std::uint32_t>(kHeight));
  EXPECT_EQ(WordAt(file, 26), 1u);
  EXPECT_EQ(WordAt(file, 28), c.bits);
  EXPECT_EQ(LongAt(file, 30), c.compression);
  EXPECT_EQ(LongAt(file, 34), imageBytes);
  EXPECT_EQ(LongAt(file, 46), c.colorsUsed);
  if (c.compression == 3) {
    EXPECT_EQ((std::vector<std::uint32_t>{LongAt(file, 54), LongAt(file, 58), LongAt(file, 62)}),
              (std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F}));
  }

  TMemoryStream stream;
  bmptest::Fill(stream, file);
  TBitmap loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.PixelFormat(), c.format);
  ASSERT_EQ(loaded.Width(), kWidth);
  ASSERT_EQ(loaded.Height(), kHeight);
  if (c.bits <= 8) {
    EXPECT_EQ(loaded.Palette(), original.Palette());
  }
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      EXPECT_EQ(loaded.GetPixel(x, y), original.GetPixel(x, y)) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, SaveLoadRoundTrip,
                         ::testing::Values(WriteCase{TPixelFormat::pf1bit, 1, 0, 8, 0},
                                           WriteCase{TPixelFormat::pf4bit, 4, 0, 64, 0},
                                           WriteCase{TPixelFormat::pf8bit, 8, 0, 37 * 4, 37},
                                           WriteCase{TPixelFormat::pf15bit, 16, 0, 0, 0},
                                           WriteCase{TPixelFormat::pf16bit, 16, 3, 12, 0},
                                           WriteCase{TPixelFormat::pf24bit, 24, 0, 0, 0},
                                           WriteCase{TPixelFormat::pf32bit, 32, 0, 0, 0}),
                         CaseName);

TEST(BitmapWriting, PaddingAndSpareBitsAreZero) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf1bit);
  b.SetSize(3, 1);
  std::fill_n(b.ScanLine(0), b.BytesPerScanLine(), 0xFF);  // pixels 1 1 1, and stray bits beyond them
  const std::vector<std::uint8_t> file = Save(b);
  ASSERT_EQ(file.size(), 62u + 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 62, file.end()), (std::vector<std::uint8_t>{0xE0, 0, 0, 0}));
}

TEST(BitmapWriting, EmptyBitmapWritesNothing) {
  TBitmap b;
  b.SetSize(5, 0);
  EXPECT_TRUE(Save(b).empty());
}

// A stream that takes only so many bytes, as a full disk does.
class FullStream : public TStream {
public:
  explicit FullStream(std::size_t room) : m_room(room) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void*, std::size_t count) override {
    const std::size_t n = std::min(count, m_room);
    m_room -= n;
    return n;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }

private:
  std::size_t m_room;
};

TEST(BitmapWriting, ShortWritesRaise) {
  TBitmap b = Pattern(TPixelFormat::pf24bit, 4, 4);
  for (const std::size_t room : {0u, 20u, 54u, 60u}) {
    FullStream full(room);
    EXPECT_THROW(b.SaveToStream(full), EWriteError) << "room " << room;
  }
}

}  // namespace
}  // namespace ombrisk
