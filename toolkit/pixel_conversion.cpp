#include "toolkit/pixel_conversion.h"

#include <cstring>

#include "toolkit/little_endian.h"

namespace ombrisk {

bool IsPaletted(TPixelFormat format) {
  return format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit || format == TPixelFormat::pf8bit;
}

std::vector<TPaletteEntry> DefaultPalette(TPixelFormat format) {
  const auto entry = [](int r, int g, int b) {
    return TPaletteEntry{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b), 0};
  };
  std::vector<TPaletteEntry> palette;
  switch (format) {
    case TPixelFormat::pf1bit:
      palette = {entry(0, 0, 0), entry(255, 255, 255)};
      break;
    case TPixelFormat::pf4bit:
      palette = {entry(0, 0, 0),       entry(128, 0, 0),   entry(0, 128, 0),   entry(128, 128, 0),
                 entry(0, 0, 128),     entry(128, 0, 128), entry(0, 128, 128), entry(128, 128, 128),
                 entry(192, 192, 192), entry(255, 0, 0),   entry(0, 255, 0),   entry(255, 255, 0),
                 entry(0, 0, 255),     entry(255, 0, 255), entry(0, 255, 255), entry(255, 255, 255)};
      break;
    case TPixelFormat::pf8bit:
      for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
          for (int b = 0; b < 6; ++b) palette.push_back(entry(r * 51, g * 51, b * 51));
        }
      }
      // Greys between the cube's own six, so that grey pictures keep most of their levels.
      for (int i = 1; i <= 40; ++i) {
        const int level = (i * 255 + 20) / 41;
        palette.push_back(entry(level, level, level));
      }
      break;
    default:
      break;
  }
  return palette;
}

std::uint8_t WidenChannel(std::uint32_t value, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
  std::uint32_t result = value << (8 - bits);
  for (int shift = bits; shift < 8; shift += bits) result |= result >> bits;
  return static_cast<std::uint8_t>(result);
}

int ReadPixelIndex(const std::uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

void WritePixelIndex(std::uint8_t* row, int x, int bits, int index) {
  switch (bits) {
    case 1: {
      const int mask = 1 << (7 - (x & 7));
      row[x >> 3] = static_cast<std::uint8_t>((index & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
      break;
    }
    case 4: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                  : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    default:
      row[x] = static_cast<std::uint8_t>(index);
      break;
  }
}

TColor ReadPixelColor(const std::uint8_t* row, int x, TPixelFormat format, const std::vector<TPaletteEntry>& palette) {
  switch (format) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit: {
      const auto index = static_cast<std::size_t>(ReadPixelIndex(row, x, BitsPerPixel(format)));
      return index < palette.size() ? PackColor(palette[index]) : 0;
    }
    case TPixelFormat::pf15bit: {
      const unsigned w = ReadLittle16(row + 2 * x);
      return PackColor(WidenChannel((w >> 10) & 0x1F, 5), WidenChannel((w >> 5) & 0x1F, 5), WidenChannel(w & 0x1F, 5));
    }
    case TPixelFormat::pf16bit: {
      const unsigned w = ReadLittle16(row + 2 * x);
      return PackColor(WidenChannel((w >> 11) & 0x1F, 5), WidenChannel((w >> 5) & 0x3F, 6), WidenChannel(w & 0x1F, 5));
    }
    case TPixelFormat::pf24bit: {
      const std::uint8_t* p = row + 3 * x;
      return PackColor(p[2], p[1], p[0]);
    }
    case TPixelFormat::pf32bit: {
      const std::uint8_t* p = row + 4 * x;
      return PackColor(p[2], p[1], p[0]);
    }
  }
  return 0;
}

void WriteDirectColor(std::uint8_t* row, int x, TPixelFormat format, TColor color) {
  const unsigned r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  switch (format) {
    case TPixelFormat::pf15bit: {
      const unsigned w = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      row[2 * x] = static_cast<std::uint8_t>(w);
      row[2 * x + 1] = static_cast<std::uint8_t>(w >> 8);
      break;
    }
    case TPixelFormat::pf16bit: {
      const unsigned w = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
      row[2 * x] = static_cast<std::uint8_t>(w);
      row[2 * x + 1] = static_cast<std::uint8_t>(w >> 8);
      break;
    }
    case TPixelFormat::pf24bit: {
      std::uint8_t* p = row + 3 * x;
      p[0] = static_cast<std::uint8_t>(b);
      p[1] = static_cast<std::uint8_t>(g);
      p[2] = static_cast<std::uint8_t>(r);
      break;
    }
    case TPixelFormat::pf32bit: {
      std::uint8_t* p = row + 4 * x;
      p[0] = static_cast<std::uint8_t>(b);
      p[1] = static_cast<std::uint8_t>(g);
      p[2] = static_cast<std::uint8_t>(r);
      p[3] = 0;
      break;
    }
    default:
      break;
  }
}

NearestPaletteIndex::NearestPaletteIndex(const std::vector<TPaletteEntry>& palette) : m_palette(palette) {
  m_keys.fill(-1);
}

int FindNearestIndex(const std::vector<TPaletteEntry>& palette, TColor color) {
  const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  int best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
    const long dr = palette[i].peRed - r, dg = palette[i].peGreen - g, db = palette[i].peBlue - b;
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  return best;
}

int NearestPaletteIndex::operator()(TColor color) {
  const std::size_t slot = (static_cast<std::uint32_t>(color) * 2654435761u >> 20) % kCacheSize;
  if (m_keys[slot] == color) return m_values[slot];
  const int best = FindNearestIndex(m_palette, color);
  m_keys[slot] = color;
  m_values[slot] = static_cast<std::uint8_t>(best);
  return best;
}

void ConvertRow(const std::uint8_t* source, TPixelFormat from, const std::vector<TPaletteEntry>& fromPalette,
                std::uint8_t* dest, TPixelFormat to, NearestPaletteIndex* nearest, bool keepIndices, int width) {
  const int fromBits = BitsPerPixel(from), toBits = BitsPerPixel(to);
  if (from == TPixelFormat::pf24bit && to == TPixelFormat::pf32bit) {
    for (int x = 0; x < width; ++x) {
      std::memcpy(dest + 4 * x, source + 3 * x, 3);
      dest[4 * x + 3] = 0;
    }
    return;
  }
  if (from == TPixelFormat::pf32bit && to == TPixelFormat::pf24bit) {
    for (int x = 0; x < width; ++x) std::memcpy(dest + 3 * x, source + 4 * x, 3);
    return;
  }
  if (IsPaletted(to)) {
    for (int x = 0; x < width; ++x) {
      int index = -1;
      if (keepIndices && IsPaletted(from)) {
        index = ReadPixelIndex(source, x, fromBits);
        if (static_cast<std::size_t>(index) >= fromPalette.size()) index = -1;
      }
      if (index < 0) index = (*nearest)(ReadPixelColor(source, x, from, fromPalette));
      WritePixelIndex(dest, x, toBits, index);
    }
    return;
  }
  for (int x = 0; x < width; ++x) WriteDirectColor(dest, x, to, ReadPixelColor(source, x, from, fromPalette));
}

}  // namespace ombrisk
