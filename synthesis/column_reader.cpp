#include "synthesis/column_reader.h"

#include <algorithm>
#include <cstddef>

namespace ombrisk {

namespace {

// Up to 64 columns a block, fewer for very tall pictures so that a block's sums stay within 2 MiB.
// Each row of the picture is then visited once per 64 columns.
constexpr int kMaxBlockColumns = 64;
constexpr std::size_t kMaxBlockSums = std::size_t{1} << 20;
// Columns of a block lie this many sums apart beyond their height, so that the writes of one row
// to all of them do not fall on the same cache set when the height is a power of two.
constexpr std::size_t kColumnPadding = 32;

}  // namespace

bool TColumnReader::CanRead(const TBitmap& picture) {
  return picture.PixelFormat() == TPixelFormat::pf24bit || picture.PixelFormat() == TPixelFormat::pf32bit;
}

TColumnReader::TColumnReader(const TBitmap& picture, bool mirrorX, bool mirrorY)
    : m_width(picture.Width()),
      m_height(picture.Height()),
      m_bytesPerPixel(picture.PixelFormat() == TPixelFormat::pf32bit ? 4 : 3),
      m_mirrorX(mirrorX),
      m_mirrorY(mirrorY),
      m_rows(static_cast<std::size_t>(std::max(m_height, 0))) {
  for (int y = 0; y < m_height; ++y) m_rows[static_cast<std::size_t>(y)] = picture.ScanLine(y);
  m_columnStride = m_rows.size() + kColumnPadding;
  m_blockColumns = static_cast<int>(std::clamp<std::size_t>(kMaxBlockSums / m_columnStride, 1, kMaxBlockColumns));
  m_sums.resize(static_cast<std::size_t>(m_blockColumns) * m_columnStride);
}

std::span<const std::uint16_t> TColumnReader::Sums(int x) {
  if (m_blockStart < 0 || x < m_blockStart || x >= m_blockStart + m_blockColumns) LoadBlock(x - x % m_blockColumns);
  return {m_sums.data() + static_cast<std::size_t>(x - m_blockStart) * m_columnStride, m_rows.size()};
}

void TColumnReader::LoadBlock(int first) {
  m_blockStart = first;
  const int count = std::min(m_blockColumns, m_width - first);
  const std::size_t height = m_rows.size();
  std::size_t offsets[kMaxBlockColumns];
  for (int j = 0; j < count; ++j) {
    const int column = m_mirrorX ? m_width - 1 - (first + j) : first + j;
    offsets[j] = static_cast<std::size_t>(column) * m_bytesPerPixel;
  }
  // The rows lie far apart, too far for the processor to guess the next one: fetch the part of a
  // row a block reads a few rows ahead of its use.
  const std::size_t firstByte = std::min(offsets[0], offsets[count - 1]);
  const std::size_t lastByte = std::max(offsets[0], offsets[count - 1]) + m_bytesPerPixel - 1;
  constexpr std::size_t kRowsAhead = 8;
  constexpr std::size_t kCacheLine = 64;
  for (std::size_t y = 0; y < height; ++y) {
    if (y + kRowsAhead < height) {
      const std::uint8_t* const ahead = m_rows[y + kRowsAhead];
      for (std::size_t b = firstByte; b <= lastByte + kCacheLine - 1; b += kCacheLine) {
        __builtin_prefetch(ahead + std::min(b, lastByte));
      }
    }
    // Row y from the top is pixel m from the bottom, or pixel y itself when flipped top to bottom.
    const std::size_t m = m_mirrorY ? y : height - 1 - y;
    const std::uint8_t* const row = m_rows[y];
    std::uint16_t* const out = m_sums.data() + m;
    for (int j = 0; j < count; ++j) {
      const std::uint8_t* const pixel = row + offsets[j];
      out[static_cast<std::size_t>(j) * m_columnStride] = static_cast<std::uint16_t>(pixel[0] + pixel[1] + pixel[2]);
    }
  }
}

}  // namespace ombrisk
