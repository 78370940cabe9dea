#include "synthesis/column_reader.h"

#include <algorithm>
#include <cstddef>

#include "toolkit/instruction_sets.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

TColumnReader::TColumnReader(const TColumnReader& other, int blockColumns)
    : m_width(other.m_width),
      m_height(other.m_height),
      m_bytesPerPixel(other.m_bytesPerPixel),
      m_mirrorX(other.m_mirrorX),
      m_mirrorY(other.m_mirrorY),
      m_rows(other.m_rows),
      m_columnStride(other.m_columnStride),
      m_blockColumns(std::clamp(blockColumns, 1, other.m_blockColumns)) {
  m_sums.resize(static_cast<std::size_t>(m_blockColumns) * m_columnStride);
}

std::span<const std::uint16_t> TColumnReader::Sums(int x) {
  if (m_blockStart < 0 || x < m_blockStart || x >= m_blockStart + m_blockCount) {
    LoadColumns(x - x % m_blockColumns, m_blockColumns);
  }
  return {m_sums.data() + static_cast<std::size_t>(x - m_blockStart) * m_columnStride, m_rows.size()};
}

#if defined(__SSE2__)
namespace {

// Eight rows of eight sums (r[i]: row i) become eight columns of eight (r[j]: column j).
void Transpose8(__m128i r[8]) {
  const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4);
  r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5);
  r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6);
  r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7);
  r[7] = _mm_unpackhi_epi64(b3, b7);
}

__m128i ReverseWords(__m128i v) {
  return _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B), 0x4E);
}

#if defined(__x86_64__)
// The channel sums of eight neighbouring pixels in memory order, from the 24 or 32 bytes at
// `pixels`: bytes are gathered into pairs (first, second channel) and a third lane, and the pairs
// added by a multiply with ones. Nothing beyond the eight pixels is read.
__attribute__((target("ssse3"))) __m128i EightSums24(const std::uint8_t* pixels) {
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));       // bytes 0 … 15
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 8));  // bytes 8 … 23
  constexpr char z = -128;  // a zero byte
  const __m128i pairsLow = _mm_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, z, z, z, z, z, z, z, z);
  const __m128i pairsHigh = _mm_setr_epi8(z, z, z, z, z, z, z, z, 4, 5, 7, 8, 10, 11, 13, 14);
  const __m128i thirdLow = _mm_setr_epi8(2, z, 5, z, 8, z, 11, z, z, z, z, z, z, z, z, z);
  const __m128i thirdHigh = _mm_setr_epi8(z, z, z, z, z, z, z, z, 6, z, 9, z, 12, z, 15, z);
  const __m128i pairs = _mm_or_si128(_mm_shuffle_epi8(low, pairsLow), _mm_shuffle_epi8(high, pairsHigh));
  const __m128i third = _mm_or_si128(_mm_shuffle_epi8(low, thirdLow), _mm_shuffle_epi8(high, thirdHigh));
  return _mm_add_epi16(_mm_maddubs_epi16(pairs, _mm_set1_epi8(1)), third);
}

__attribute__((target("ssse3"))) __m128i EightSums32(const std::uint8_t* pixels) {
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 16));
  // (blue + green, red + 0) per pixel, then the two words added.
  const __m128i weights = _mm_setr_epi8(1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0);
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i sumsLow = _mm_madd_epi16(_mm_maddubs_epi16(low, weights), ones);
  const __m128i sumsHigh = _mm_madd_epi16(_mm_maddubs_epi16(high, weights), ones);
  return _mm_packs_epi32(sumsLow, sumsHigh);
}

// Sums of the first `groups` × 8 columns of a block from one row, in column order.
__attribute__((target("ssse3"))) void GroupSums(const std::uint8_t* row, const std::size_t* lowestPixel,
                                                std::size_t groups, std::size_t bytesPerPixel, bool reversed,
                                                std::uint16_t* out) {
  for (std::size_t g = 0; g < groups; ++g) {
    const std::uint8_t* const pixels = row + lowestPixel[g];
    __m128i sums = bytesPerPixel == 3 ? EightSums24(pixels) : EightSums32(pixels);
    if (reversed) sums = ReverseWords(sums);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * g), sums);
  }
}
#endif

}  // namespace
#endif

TKernelPaths& ColumnSumPaths() {
  static TKernelPaths paths("column sums", {
#if defined(__SSE2__)
    TInstructionSet::Sse2,
#endif
#if defined(__SSE2__) && defined(__x86_64__)
    TInstructionSet::Ssse3,
#endif
  });
  return paths;
}

namespace {

// Where a block's pixels lie in every row, and how its sums are made.
struct TBlockPlan {
  std::span<const std::uint8_t* const> rows;  // top row first
  std::size_t bytesPerPixel;
  bool mirrorX;
  bool mirrorY;
  TInstructionSet path;
  int count;                                 // columns in the block
  std::size_t offsets[kMaxBlockColumns];     // byte offset in a row of each column, in block order
  std::size_t firstByte;                     // the part of a row the block reads
  std::size_t lastByte;
  std::size_t groups;                        // whole groups of eight columns, when shuffled
  std::size_t lowestPixel[kMaxBlockColumns / 8];
};

// The block's sums, column after column, each bottom pixel first.
struct TBlockSums {
  std::uint16_t* sums;
  std::size_t columnStride;
};

constexpr std::size_t kRowsAhead = 8;
constexpr std::size_t kCacheLine = 64;

void PlanColumns(TBlockPlan& plan, int width, int first) {
  for (int j = 0; j < plan.count; ++j) {
    const int column = plan.mirrorX ? width - 1 - (first + j) : first + j;
    plan.offsets[j] = static_cast<std::size_t>(column) * plan.bytesPerPixel;
  }
  const int last = plan.count - 1;
  plan.firstByte = std::min(plan.offsets[0], plan.offsets[last]);
  plan.lastByte = std::max(plan.offsets[0], plan.offsets[last]) + plan.bytesPerPixel - 1;
  plan.groups = 0;
#if defined(__SSE2__) && defined(__x86_64__)
  // Whole groups of eight columns are summed eight at a time; a group's pixels lie side by side,
  // in reverse order when flipped left to right.
  if (plan.path == TInstructionSet::Ssse3) plan.groups = static_cast<std::size_t>(plan.count) / 8;
  for (std::size_t g = 0; g < plan.groups; ++g) {
    plan.lowestPixel[g] = std::min(plan.offsets[8 * g], plan.offsets[8 * g + 7]);
  }
#endif
}

// The sums of row y from the top, in block order.
inline void RowSums(const TBlockPlan& plan, std::size_t y, std::uint16_t* out) {
  // The rows lie far apart, too far for the processor to guess the next one: fetch the part of a
  // row a block reads a few rows ahead of its use.
  if (y + kRowsAhead < plan.rows.size()) {
    const std::uint8_t* const ahead = plan.rows[y + kRowsAhead];
    for (std::size_t b = plan.firstByte; b <= plan.lastByte + kCacheLine - 1; b += kCacheLine) {
      __builtin_prefetch(ahead + std::min(b, plan.lastByte));
    }
  }
  const std::uint8_t* const row = plan.rows[y];
  int j = 0;
#if defined(__SSE2__) && defined(__x86_64__)
  if (plan.groups != 0) {
    GroupSums(row, plan.lowestPixel, plan.groups, plan.bytesPerPixel, plan.mirrorX, out);
    j = static_cast<int>(plan.groups * 8);
  }
#endif
  for (; j < plan.count; ++j) {
    const std::uint8_t* const pixel = row + plan.offsets[j];
    out[j] = static_cast<std::uint16_t>(pixel[0] + pixel[1] + pixel[2]);
  }
}

// Stores the rows eight at a time where the path allows; returns the first row left.
std::size_t StoreEightRowsAtATime([[maybe_unused]] const TBlockPlan& plan, [[maybe_unused]] const TBlockSums& out) {
  std::size_t y = 0;
#if defined(__SSE2__)
  // Their sums are made along the rows, where the pixels lie side by side, and turned into eight
  // runs of eight sums, one store per column instead of one per pixel.
  const std::size_t height = plan.rows.size();
  const std::size_t count = static_cast<std::size_t>(plan.count);
  const std::size_t wholeColumns = count - count % 8;
  alignas(16) std::uint16_t rows[8][kMaxBlockColumns];
  for (; plan.path != TInstructionSet::Portable && y + 8 <= height; y += 8) {
    for (std::size_t r = 0; r < 8; ++r) RowSums(plan, y + r, rows[r]);
    // Rows y … y + 7 are sums m … m + 7 when flipped, else m + 7 … m, m counted from the bottom.
    const std::size_t m = plan.mirrorY ? y : height - 8 - y;
    for (std::size_t j0 = 0; j0 < wholeColumns; j0 += 8) {
      __m128i v[8];
      for (std::size_t r = 0; r < 8; ++r) v[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(&rows[r][j0]));
      Transpose8(v);
      for (std::size_t j = 0; j < 8; ++j) {
        const __m128i run = plan.mirrorY ? v[j] : ReverseWords(v[j]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out.sums + (j0 + j) * out.columnStride + m), run);
      }
    }
    for (std::size_t r = 0; r < 8; ++r) {
      const std::size_t mr = plan.mirrorY ? y + r : height - 1 - (y + r);
      for (std::size_t j = wholeColumns; j < count; ++j) out.sums[j * out.columnStride + mr] = rows[r][j];
    }
  }
#endif
  return y;
}

// Row y from the top is pixel m from the bottom, or pixel y itself when flipped top to bottom.
void StoreRowsFrom(std::size_t y, const TBlockPlan& plan, const TBlockSums& out) {
  const std::size_t height = plan.rows.size();
  std::uint16_t rest[kMaxBlockColumns];
  for (; y < height; ++y) {
    RowSums(plan, y, rest);
    const std::size_t m = plan.mirrorY ? y : height - 1 - y;
    for (int j = 0; j < plan.count; ++j) out.sums[static_cast<std::size_t>(j) * out.columnStride + m] = rest[j];
  }
}

}  // namespace

void TColumnReader::LoadColumns(int first, int wanted) {
  const int count = std::min({wanted, m_blockColumns, m_width - first});
  m_blockStart = first;
  m_blockCount = count;
  if (count <= 0) return;
  TBlockPlan plan;
  plan.rows = m_rows;
  plan.bytesPerPixel = m_bytesPerPixel;
  plan.mirrorX = m_mirrorX;
  plan.mirrorY = m_mirrorY;
  plan.path = ColumnSumPaths().Taken();
  plan.count = count;
  PlanColumns(plan, m_width, first);
  const TBlockSums out{m_sums.data(), m_columnStride};
  StoreRowsFrom(StoreEightRowsAtATime(plan, out), plan, out);
}

}  // namespace ombrisk
