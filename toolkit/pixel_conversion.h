// Pixel-level helpers behind TBitmap and the bitmap file reader: reading and writing one pixel of a
// scan line in any pixel format, default palettes, nearest-palette lookup and whole-row conversion.
//
//   const TColor c = ReadPixelColor(row, x, TPixelFormat::pf15bit, palette);   // packed RGB
//   NearestPaletteIndex nearest(palette); WritePixelIndex(row, x, 8, nearest(c));
//
// Colours here are packed RGB (red + 256 × green + 65536 × blue), top byte 0.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "toolkit/bitmap.h"

namespace ombrisk {

bool IsPaletted(TPixelFormat format);

// Black and white for 1 bit, the 16 VGA colours for 4 bits, a 6 × 6 × 6 cube and 40 greys for 8 bits;
// empty for the direct formats.
std::vector<TPaletteEntry> DefaultPalette(TPixelFormat format);

inline TColor PackColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<TColor>(red | (green << 8) | (blue << 16));
}
inline std::uint8_t RedOf(TColor c) { return static_cast<std::uint8_t>(c & 0xFF); }
inline std::uint8_t GreenOf(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
inline std::uint8_t BlueOf(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }
inline TColor PackColor(const TPaletteEntry& e) { return PackColor(e.peRed, e.peGreen, e.peBlue); }

// A channel of `bits` bits (1 … 32) widened to 8 bits by repeating its bit pattern, so that the
// maximum maps to 255 and 5 bits give (v << 3) | (v >> 2), 6 bits (v << 2) | (v >> 4).
std::uint8_t WidenChannel(std::uint32_t value, int bits);

// Palette index of pixel x in a row of 1, 4 or 8 bits per pixel (most significant bits first).
int ReadPixelIndex(const std::uint8_t* row, int x, int bits);
void WritePixelIndex(std::uint8_t* row, int x, int bits, int index);

// The colour of pixel x; paletted pixels take their palette colour (black for an index beyond it).
TColor ReadPixelColor(const std::uint8_t* row, int x, TPixelFormat format, const std::vector<TPaletteEntry>& palette);
// Writes a colour into a pixel of a direct format (15, 16, 24, 32 bits); the fourth byte of a 32-bit
// pixel becomes 0.
void WriteDirectColor(std::uint8_t* row, int x, TPixelFormat format, TColor color);

// The palette entry closest to a colour (least squared distance, the lowest index on ties); 0 for
// an empty palette.
int FindNearestIndex(const std::vector<TPaletteEntry>& palette, TColor color);

// FindNearestIndex for whole pictures: remembers recent answers, as pictures repeat their colours.
class NearestPaletteIndex {
public:
  explicit NearestPaletteIndex(const std::vector<TPaletteEntry>& palette);
  int operator()(TColor color);

private:
  static constexpr std::size_t kCacheSize = 4096;
  const std::vector<TPaletteEntry>& m_palette;
  std::array<std::int32_t, kCacheSize> m_keys{};
  std::array<std::uint8_t, kCacheSize> m_values{};
};

// Converts `width` pixels of a row from one format to another, keeping colours. For a paletted
// target `nearest` maps colours to its palette; when `keepIndices` is set paletted source pixels
// keep their index (the target uses the same palette).
void ConvertRow(const std::uint8_t* source, TPixelFormat from, const std::vector<TPaletteEntry>& fromPalette,
                std::uint8_t* dest, TPixelFormat to, NearestPaletteIndex* nearest, bool keepIndices, int width);

}  // namespace ombrisk
