#include "picture/png/png_filter.h"

#include <limits>

#include "picture/png/png_unfilter.h"

namespace ombrisk {

void FilterRow(int filterType, const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* out,
               std::size_t rowBytes, std::size_t bytesPerPixel) {
  const std::size_t bpp = bytesPerPixel;
  for (std::size_t i = 0; i < rowBytes; ++i) {
    const int a = i >= bpp ? raw[i - bpp] : 0;
    const int b = prior[i];
    const int c = i >= bpp ? prior[i - bpp] : 0;
    int predicted = 0;
    switch (filterType) {
      case 1: predicted = a; break;
      case 2: predicted = b; break;
      case 3: predicted = (a + b) >> 1; break;
      case 4: predicted = PaethPredictor(a, b, c); break;
      default: break;
    }
    out[i] = static_cast<std::uint8_t>(raw[i] - predicted);
  }
}

int ChooseFilter(const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* scratch, std::size_t rowBytes,
                 std::size_t bytesPerPixel) {
  int best = 0;
  std::uint64_t bestCost = std::numeric_limits<std::uint64_t>::max();
  for (int type = 0; type <= 4; ++type) {
    FilterRow(type, raw, prior, scratch, rowBytes, bytesPerPixel);
    std::uint64_t cost = 0;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int v = scratch[i];
      cost += static_cast<std::uint64_t>(v < 128 ? v : 256 - v);
    }
    if (cost < bestCost) {
      bestCost = cost;
      best = type;
    }
  }
  return best;
}

}  // namespace ombrisk
