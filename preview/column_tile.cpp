#include "preview/column_tile.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ombrisk {

namespace {

// One grey times this is a whole pixel in memory order: blue, green, red equal, the fourth byte 0.
constexpr std::uint32_t kGreyPixel = std::endian::native == std::endian::little ? 0x00010101u : 0x01010100u;

}  // namespace

TColumnTile::TColumnTile(int height)
    : m_height(height), m_greys(static_cast<std::size_t>(height) * kTileColumns, 0) {}

std::uint8_t* TColumnTile::Column(int x, TPixelBitmap& picture) {
  const int first = x - x % kTileColumns;
  if (first != m_first) {
    Flush(picture);
    m_first = first;
  }
  m_used = std::max(m_used, x - first + 1);
  return m_greys.data() + static_cast<std::size_t>(x - first) * static_cast<std::size_t>(m_height);
}

void TColumnTile::Flush(TPixelBitmap& picture) {
  if (m_first < 0 || m_used == 0) return;
  const std::size_t count = static_cast<std::size_t>(m_used);
  for (int y = 0; y < m_height; ++y) {
    std::uint8_t* pixel = picture.ScanLine(y) + static_cast<std::size_t>(m_first) * 4;
    const std::uint8_t* grey = m_greys.data() + y;
    for (std::size_t i = 0; i < count; ++i, pixel += 4) {
      const std::uint32_t value = grey[i * static_cast<std::size_t>(m_height)] * kGreyPixel;
#if defined(__SSE2__)
      // Streamed past the cache: the picture is far larger than any cache and is not read back
      // during the run, so fetching its lines before overwriting them is wasted traffic.
      _mm_stream_si32(reinterpret_cast<int*>(pixel), static_cast<int>(value));
#else
      std::memcpy(pixel, &value, 4);
#endif
    }
  }
#if defined(__SSE2__)
  _mm_sfence();
#endif
  std::fill(m_greys.begin(), m_greys.end(), std::uint8_t{0});
  m_first = -1;
  m_used = 0;
}

}  // namespace ombrisk
