#include "picture/png/png_filter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "picture/png/png_unfilter.h"

namespace ombrisk {

namespace {

// Paeth written with selects only, so that the loop below vectorises; the same choice as
// PaethPredictor.
inline int PaethSelect(int a, int b, int c) {
  const int pa = b > c ? b - c : c - b;
  const int pb = a > c ? a - c : c - a;
  const int pc = a + b > 2 * c ? a + b - 2 * c : 2 * c - a - b;
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Bytes from … to − 1 of the filtered row. The encoder reads only unfiltered bytes, so no byte
// depends on the one before it and each loop has a single form.
void FilterSpan(int type, const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* out, std::size_t from,
                std::size_t to, std::size_t bpp) {
  std::size_t i = from;
  if (type < 1 || type > 4) {
    std::memcpy(out + from, raw + from, to - from);
    return;
  }
  // The first pixel has no left neighbour: a and c are 0.
  for (const std::size_t lead = std::min(to, bpp); i < lead; ++i) {
    const int b = prior[i];
    const int predicted = type == 1 ? 0 : type == 3 ? b >> 1 : b;
    out[i] = static_cast<std::uint8_t>(raw[i] - predicted);
  }
  switch (type) {
    case 1:
      for (; i < to; ++i) out[i] = static_cast<std::uint8_t>(raw[i] - raw[i - bpp]);
      break;
    case 2:
      for (; i < to; ++i) out[i] = static_cast<std::uint8_t>(raw[i] - prior[i]);
      break;
    case 3:
      for (; i < to; ++i) out[i] = static_cast<std::uint8_t>(raw[i] - ((raw[i - bpp] + prior[i]) >> 1));
      break;
    default:
      for (; i < to; ++i) {
        out[i] = static_cast<std::uint8_t>(raw[i] - PaethSelect(raw[i - bpp], prior[i], prior[i - bpp]));
      }
      break;
  }
}

// Filters are costed span by span, so that a filter already worse than the best stops early and
// a span's sum fits 32 bits.
constexpr std::size_t kSpan = 4096;

// The heuristic's cost of bytes from … to − 1 (at most kSpan): the bytes taken as signed values,
// summed as magnitudes.
std::uint32_t SpanCost(const std::uint8_t* bytes, std::size_t from, std::size_t to) {
  std::uint32_t sum = 0;
  for (std::size_t i = from; i < to; ++i) {
    const int v = static_cast<std::int8_t>(bytes[i]);
    sum += static_cast<std::uint32_t>(v < 0 ? -v : v);
  }
  return sum;
}

std::uint64_t RowCost(const std::uint8_t* bytes, std::size_t rowBytes) {
  std::uint64_t cost = 0;
  for (std::size_t from = 0; from < rowBytes; from += kSpan) {
    cost += SpanCost(bytes, from, std::min(rowBytes, from + kSpan));
  }
  return cost;
}

}  // namespace

void FilterRow(int filterType, const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* out,
               std::size_t rowBytes, std::size_t bytesPerPixel) {
  FilterSpan(filterType, raw, prior, out, 0, rowBytes, bytesPerPixel);
}

int FilterRowAdaptive(const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* out, std::uint8_t* scratch,
                      std::size_t rowBytes, std::size_t bytesPerPixel) {
  int best = 0;
  std::uint64_t bestCost = RowCost(raw, rowBytes);
  const std::uint8_t* bestRow = raw;
  std::uint8_t* work = out;
  for (int type = 1; type <= 4; ++type) {
    std::uint64_t cost = 0;
    // A partial sum at or above the best can only end there, and ties keep the earlier filter.
    for (std::size_t from = 0; from < rowBytes && cost < bestCost; from += kSpan) {
      const std::size_t to = std::min(rowBytes, from + kSpan);
      FilterSpan(type, raw, prior, work, from, to, bytesPerPixel);
      cost += SpanCost(work, from, to);
    }
    if (cost < bestCost) {
      bestCost = cost;
      best = type;
      bestRow = work;
      work = work == out ? scratch : out;
    }
  }
  if (bestRow != out) std::memcpy(out, bestRow, rowBytes);
  return best;
}

}  // namespace ombrisk
