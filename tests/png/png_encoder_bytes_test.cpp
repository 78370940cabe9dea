// The encoder's exact output for a spread of settings, pinned by hash: reorganising or speeding up
// the encoder must not change a byte it writes. (The hashes hold for the zlib the build links; a
// different zlib may compress differently and needs them worked out anew.)

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "picture/png/png_write_stream.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

// Rows that are neither flat nor noise, so that per-row filter choice picks different filters.
TBitmap TexturedBitmap(TPixelFormat format, int width, int height) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  if (format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit || format == TPixelFormat::pf8bit) {
    std::vector<TPaletteEntry> palette;
    const int entries = 1 << BitsPerPixel(format);
    for (int i = 0; i < entries; ++i) {
      palette.push_back({static_cast<std::uint8_t>(i * 255 / (entries - 1)), static_cast<std::uint8_t>(i * 37),
                         static_cast<std::uint8_t>(255 - i * 255 / (entries - 1)), 0});
    }
    bitmap.SetPalette(palette);
  }
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* const line = bitmap.ScanLine(y);
    for (std::size_t i = 0; i < bitmap.BytesPerScanLine(); ++i) {
      noise = noise * 1103515245u + 12345u;
      const std::uint32_t smooth = (y % 3 == 0) ? i * 2 : (y % 3 == 1) ? y * 4 : (i * y) / 5;
      line[i] = static_cast<std::uint8_t>(smooth + ((noise >> 16) & (y % 4 == 0 ? 0x3F : 0x03)));
    }
  }
  return bitmap;
}

std::uint64_t Fnv1a(const std::uint8_t* data, std::size_t size) {
  std::uint64_t hash = 14695981039346656037ull;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
  return hash;
}

struct PinnedCase {
  int width;
  TPixelFormat format;
  bool grey;
  bool alpha;
  bool interlaced;
  int filterMode;
  int level;
  int chunkSize;
  std::uint64_t hash;
};

class PinnedOutput : public ::testing::TestWithParam<PinnedCase> {};

TEST_P(PinnedOutput, BytesAreUnchanged) {
  const PinnedCase& c = GetParam();
  const TBitmap bitmap = TexturedBitmap(c.format, c.width, 61);
  const TBitmap mask = TexturedBitmap(TPixelFormat::pf8bit, c.width, 61);
  TPngWriteSettings settings;
  settings.WriteCurrentTime = false;
  settings.Time = TPngTime{2024, 2, 29, 12, 30, 15};
  settings.Grey = c.grey;
  settings.HasAlpha = c.alpha;
  settings.Mask = &mask;
  settings.Interlaced = c.interlaced;
  settings.FilterMode = c.filterMode;
  settings.Level = c.level;
  settings.ChunkSize = c.chunkSize;
  settings.Comment = "pinned";
  settings.Gamma = 0.45455;
  settings.BackgroundColor = 0x102030;
  settings.PixelsPerUnitX = settings.PixelsPerUnitY = 2835;
  TMemoryStream stream;
  TPngWriteStream(settings).WriteToStream(bitmap, stream);
  const std::uint64_t hash = Fnv1a(stream.Memory(), static_cast<std::size_t>(stream.Size()));
  EXPECT_EQ(hash, c.hash) << std::hex << "0x" << hash;
}

constexpr auto k8 = TPixelFormat::pf8bit;
constexpr auto k24 = TPixelFormat::pf24bit;
constexpr auto k32 = TPixelFormat::pf32bit;

INSTANTIATE_TEST_SUITE_P(
    Settings, PinnedOutput,
    ::testing::Values(PinnedCase{203, k8, true, false, false, 0, -1, 32768, 0x86d65cd93cba8189u},
                      PinnedCase{203, k8, true, false, false, 1, -1, 32768, 0x5a2207aa7ac5a892u},
                      PinnedCase{203, k8, true, false, false, 2, 9, 32768, 0x3a0feb64bf5689e1u},
                      PinnedCase{203, k8, true, false, false, 3, 1, 32768, 0x2cca659c2d14a8c4u},
                      PinnedCase{203, k8, true, false, false, 4, 6, 32768, 0x3de564fcf44ce55du},
                      PinnedCase{203, k8, true, false, false, 5, 3, 32768, 0xbe6ffbe440e85c41u},
                      PinnedCase{203, k8, true, false, true, 0, -1, 256, 0x7f2dd336f467a0d3u},
                      PinnedCase{203, k8, true, true, false, 0, -1, 1000, 0x2776d967792aa433u},
                      PinnedCase{203, k8, false, false, false, 0, 0, 32768, 0x4fd4d743eaeb99fcu},
                      PinnedCase{203, TPixelFormat::pf1bit, false, false, true, 0, -1, 32768, 0x6cd57b080b5ba1c1u},
                      PinnedCase{203, TPixelFormat::pf4bit, true, false, false, 0, -1, 32768, 0xc7bb1036cd3d2abbu},
                      PinnedCase{203, TPixelFormat::pf16bit, false, false, false, 0, -1, 32768, 0x865955a14921a44cu},
                      PinnedCase{203, k24, false, false, false, 0, -1, 32768, 0x1b5b2c7a11c2f970u},
                      PinnedCase{203, k24, false, false, true, 4, 9, 512, 0xe462e1b5c0efcd97u},
                      PinnedCase{203, k32, false, false, false, 1, -1, 32768, 0xdbe4e5950bda9ce4u},
                      PinnedCase{203, k32, false, true, false, 0, 1, 32768, 0x33478729afe2a8ceu},
                      PinnedCase{203, k32, false, true, true, 0, -1, 32768, 0x9afa88286644da8fu},
                      PinnedCase{4000, k8, true, false, false, 0, -1, 32768, 0xf16016a111f37e3cu},
                      PinnedCase{4000, k24, false, false, false, 0, 0, 100000, 0xeade3e396b8dd1b4u}));

}  // namespace
}  // namespace ombrisk
