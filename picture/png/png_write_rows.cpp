#include "picture/png/png_write_rows.h"

#include <algorithm>
#include <cstring>

namespace ombrisk {

namespace {

int PaletteIndex(const std::uint8_t* line, int bits, int x) {
  switch (bits) {
    case 1: return (line[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) == 0 ? line[x >> 1] >> 4 : line[x >> 1] & 0x0F;
    default: return line[x];
  }
}

// 5- and 6-bit channels spread over the full 8 bits, so that white stays white.
std::uint8_t Expand5(int v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); }
std::uint8_t Expand6(int v) { return static_cast<std::uint8_t>((v << 2) | (v >> 4)); }

}  // namespace

TPngRowSource::TPngRowSource(const TBitmap& bitmap, const TBitmap* mask, int colourType, int bitDepth)
    : m_bitmap(bitmap),
      m_mask(mask),
      m_colourType(colourType),
      m_bitDepth(bitDepth),
      m_bitmapBits(bitmap.PixelFormat() == TPixelFormat::pf15bit ? 15 : BitsPerPixel(bitmap.PixelFormat())) {
  switch (colourType) {
    case 2: m_channels = 3; break;
    case 4: m_channels = 2; break;
    case 6: m_channels = 4; break;
    default: m_channels = 1; break;
  }
  const std::vector<TPaletteEntry>& palette = bitmap.Palette();
  const int maxSample = (1 << bitDepth) - 1;
  for (int i = 0; i < 256; ++i) {
    if (static_cast<std::size_t>(i) < palette.size()) {
      const TPaletteEntry& e = palette[static_cast<std::size_t>(i)];
      m_greySample[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(GreySampleOf(e.peRed, e.peGreen, e.peBlue, bitDepth));
    } else {
      // Without a palette entry the index is taken as the sample itself.
      m_greySample[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::min(i, maxSample));
    }
  }
}

void TPngRowSource::Unpack(int y, std::uint8_t* samples) const {
  const std::uint8_t* const line = m_bitmap.ScanLine(y);
  const std::uint8_t* const maskLine = m_mask != nullptr && (m_colourType == 4 || m_colourType == 6)
                                           ? m_mask->ScanLine(y)
                                           : nullptr;
  if (maskLine == nullptr && UnpackPlain(line, samples)) return;
  const int width = m_bitmap.Width();
  std::uint8_t* s = samples;
  for (int x = 0; x < width; ++x) {
    if (m_bitmapBits <= 8) {
      const int index = PaletteIndex(line, m_bitmapBits, x);
      *s++ = m_colourType == 3 ? static_cast<std::uint8_t>(index) : GreySample(index);
    } else if (m_bitmapBits == 15 || m_bitmapBits == 16) {
      const int w = line[2 * x] | line[2 * x + 1] << 8;
      if (m_bitmapBits == 15) {
        *s++ = Expand5((w >> 10) & 31);
        *s++ = Expand5((w >> 5) & 31);
      } else {
        *s++ = Expand5((w >> 11) & 31);
        *s++ = Expand6((w >> 5) & 63);
      }
      *s++ = Expand5(w & 31);
    } else {
      const std::uint8_t* p = line + x * (m_bitmapBits / 8);
      *s++ = p[2];
      *s++ = p[1];
      *s++ = p[0];
    }
    if (maskLine != nullptr) *s++ = static_cast<std::uint8_t>(255 - maskLine[x]);
  }
}

// The common rows without alpha, each in a loop of its own form; false for the rest.
bool TPngRowSource::UnpackPlain(const std::uint8_t* line, std::uint8_t* samples) const {
  const int width = m_bitmap.Width();
  if (m_bitmapBits == 8 && m_colourType == 3) {
    std::memcpy(samples, line, static_cast<std::size_t>(width));
  } else if (m_bitmapBits == 8) {
    for (int x = 0; x < width; ++x) samples[x] = m_greySample[line[x]];
  } else if (m_bitmapBits == 24 || m_bitmapBits == 32) {
    const int step = m_bitmapBits / 8;
    for (int x = 0; x < width; ++x) {
      samples[3 * x] = line[step * x + 2];
      samples[3 * x + 1] = line[step * x + 1];
      samples[3 * x + 2] = line[step * x];
    }
  } else {
    return false;
  }
  return true;
}

void TPngRowSource::Pack(const std::uint8_t* samples, std::int64_t pixels, std::int64_t start, std::int64_t step,
                         std::uint8_t* out) const {
  if (m_bitDepth == 8) {
    const auto channels = static_cast<std::size_t>(m_channels);
    if (step == 1) {
      std::memcpy(out, samples + start * m_channels, static_cast<std::size_t>(pixels) * channels);
      return;
    }
    for (std::int64_t i = 0; i < pixels; ++i) {
      std::memcpy(out + i * m_channels, samples + (start + i * step) * m_channels, channels);
    }
    return;
  }
  const int perByte = 8 / m_bitDepth;
  std::memset(out, 0, static_cast<std::size_t>((pixels * m_bitDepth + 7) / 8));
  for (std::int64_t i = 0; i < pixels; ++i) {
    const int value = samples[start + i * step];
    const int shift = (perByte - 1 - static_cast<int>(i % perByte)) * m_bitDepth;
    out[i / perByte] = static_cast<std::uint8_t>(out[i / perByte] | (value << shift));
  }
}

int HighestPaletteIndex(const TBitmap& bitmap) {
  const int bits = BitsPerPixel(bitmap.PixelFormat());
  int highest = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* const line = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) highest = std::max(highest, PaletteIndex(line, bits, x));
  }
  return highest;
}

}  // namespace ombrisk
