#include "spectrogram/column_tile.h"

#include <algorithm>
#include <bit>
#include <cstring>


#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ombrisk {

namespace {

// One grey times this is a whole pixel in memory order: blue, green, red equal, the fourth byte 0.
constexpr std::size_t kColumnPadding = 64;
constexpr std::uint32_t kGreyPixel = std::endian::native == std::endian::little ? 0x00010101u : 0x01010100u;

}  // namespace

TColumnTile::TColumnTile(int height)
    : m_height(height),
      // Columns whose length is a power of two would all fall on the same cache sets; a line of
      // padding between them spreads the reads of one row over the whole cache.
      m_columnStride(static_cast<std::size_t>(height) + kColumnPadding),
      m_greys(m_columnStride * kTileColumns, 0) {}

std::uint8_t* TColumnTile::Column(int x, TPixelBitmap& picture) {
  const int first = x - x % kTileColumns;
  if (first != m_first) {
    Flush(picture);
    m_first = first;
  }
  m_used = std::max(m_used, x - first + 1);
  return m_greys.data() + static_cast<std::size_t>(x - first) * m_columnStride;
}

#if defined(__SSE2__)
namespace {

// Sixteen columns of sixteen greys each (x[j]: column j, rows in order) become sixteen rows of
// sixteen greys (x[r]: row r, columns in order), by interleaving ever wider pieces.
void Transpose16(__m128i x[16]) {
  __m128i a[16];
  for (int p = 0; p < 8; ++p) {
    a[p] = _mm_unpacklo_epi8(x[2 * p], x[2 * p + 1]);
    a[p + 8] = _mm_unpackhi_epi8(x[2 * p], x[2 * p + 1]);
  }
  __m128i b[16];  // b[q + 4g]: rows 4g … 4g + 3 of columns 4q … 4q + 3
  for (int h = 0; h < 2; ++h) {
    for (int q = 0; q < 4; ++q) {
      b[q + 4 * (2 * h)] = _mm_unpacklo_epi16(a[2 * q + 8 * h], a[2 * q + 1 + 8 * h]);
      b[q + 4 * (2 * h + 1)] = _mm_unpackhi_epi16(a[2 * q + 8 * h], a[2 * q + 1 + 8 * h]);
    }
  }
  __m128i c[16];  // c[o + 2e]: rows 2e and 2e + 1 of columns 8o … 8o + 7
  for (int g = 0; g < 4; ++g) {
    for (int o = 0; o < 2; ++o) {
      c[o + 2 * (2 * g)] = _mm_unpacklo_epi32(b[2 * o + 4 * g], b[2 * o + 1 + 4 * g]);
      c[o + 2 * (2 * g + 1)] = _mm_unpackhi_epi32(b[2 * o + 4 * g], b[2 * o + 1 + 4 * g]);
    }
  }
  for (int e = 0; e < 8; ++e) {
    x[2 * e] = _mm_unpacklo_epi64(c[2 * e], c[2 * e + 1]);
    x[2 * e + 1] = _mm_unpackhi_epi64(c[2 * e], c[2 * e + 1]);
  }
}

// Sixteen greys as sixteen pixels (grey, grey, grey, 0) at `pixel`, past the cache when aligned.
void StoreGreyPixels(__m128i greys, std::uint8_t* pixel, bool aligned) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i pairsLow = _mm_unpacklo_epi8(greys, greys);   // grey | grey << 8
  const __m128i pairsHigh = _mm_unpackhi_epi8(greys, greys);
  const __m128i singlesLow = _mm_unpacklo_epi8(greys, zero);  // grey | 0 << 8
  const __m128i singlesHigh = _mm_unpackhi_epi8(greys, zero);
  const __m128i pixels[4] = {_mm_unpacklo_epi16(pairsLow, singlesLow), _mm_unpackhi_epi16(pairsLow, singlesLow),
                             _mm_unpacklo_epi16(pairsHigh, singlesHigh), _mm_unpackhi_epi16(pairsHigh, singlesHigh)};
  auto* const out = reinterpret_cast<__m128i*>(pixel);
  for (int i = 0; i < 4; ++i) {
    if (aligned) {
      _mm_stream_si128(out + i, pixels[i]);
    } else {
      _mm_storeu_si128(out + i, pixels[i]);
    }
  }
}

}  // namespace
#endif

TKernelPaths& ColumnTilePaths() {
  static TKernelPaths paths("column tile", {
#if defined(__SSE2__)
    TInstructionSet::Sse2,
#endif
  });
  return paths;
}

void TColumnTile::Flush(TPixelBitmap& picture) {
  if (m_first < 0 || m_used == 0) return;
  const std::size_t count = static_cast<std::size_t>(m_used);
  const std::size_t height = static_cast<std::size_t>(m_height);
  std::size_t y = 0;
  [[maybe_unused]] const bool vectors = ColumnTilePaths().Taken() == TInstructionSet::Sse2;
#if defined(__SSE2__)
  // Sixteen rows by sixteen columns at a time, turned in registers; what is left over below.
  constexpr std::size_t kSide = 16;
  const std::size_t wholeColumns = count - count % kSide;
  if (vectors && wholeColumns != 0) {
    for (; y + kSide <= height; y += kSide) {
      for (std::size_t j0 = 0; j0 < wholeColumns; j0 += kSide) {
        __m128i greys[kSide];
        for (std::size_t j = 0; j < kSide; ++j) {
          greys[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_greys.data() + (j0 + j) * m_columnStride + y));
        }
        Transpose16(greys);
        for (std::size_t r = 0; r < kSide; ++r) {
          std::uint8_t* const pixel = picture.ScanLine(static_cast<int>(y + r)) + (static_cast<std::size_t>(m_first) + j0) * 4;
          StoreGreyPixels(greys[r], pixel, reinterpret_cast<std::uintptr_t>(pixel) % 16 == 0);
        }
      }
      FlushPart(picture, y, y + kSide, wholeColumns, count, true);
    }
  }
#endif
  FlushPart(picture, y, height, 0, count, vectors);
#if defined(__SSE2__)
  if (vectors) _mm_sfence();
#endif
  std::fill(m_greys.begin(), m_greys.end(), std::uint8_t{0});
  m_first = -1;
  m_used = 0;
}

void TColumnTile::FlushPart(TPixelBitmap& picture, std::size_t fromRow, std::size_t toRow, std::size_t fromColumn,
                            std::size_t toColumn, [[maybe_unused]] bool stream) const {
  for (std::size_t y = fromRow; y < toRow; ++y) {
    std::uint8_t* pixel = picture.ScanLine(static_cast<int>(y)) + (static_cast<std::size_t>(m_first) + fromColumn) * 4;
    const std::uint8_t* grey = m_greys.data() + y;
    for (std::size_t i = fromColumn; i < toColumn; ++i, pixel += 4) {
      const std::uint32_t value = grey[i * m_columnStride] * kGreyPixel;
#if defined(__SSE2__)
      // Streamed past the cache: the picture is far larger than any cache and is not read back
      // during the run, so fetching its lines before overwriting them is wasted traffic.
      if (stream) {
        _mm_stream_si32(reinterpret_cast<int*>(pixel), static_cast<int>(value));
        continue;
      }
#endif
      std::memcpy(pixel, &value, 4);
    }
  }
}

}  // namespace ombrisk
