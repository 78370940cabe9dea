#include "picture/png/png_unfilter.h"

namespace ombrisk {

namespace {

inline std::uint8_t Add(std::uint8_t x, int delta) { return static_cast<std::uint8_t>(x + delta); }

inline int Abs(int v) { return v < 0 ? -v : v; }

void UnfilterSub(std::uint8_t* row, std::size_t rowBytes, std::size_t bpp) {
  for (std::size_t i = bpp; i < rowBytes; ++i) row[i] = Add(row[i], row[i - bpp]);
}

void UnfilterUp(std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes) {
  for (std::size_t i = 0; i < rowBytes; ++i) row[i] = Add(row[i], prior[i]);
}

void UnfilterAverage(std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes, std::size_t bpp) {
  const std::size_t head = bpp < rowBytes ? bpp : rowBytes;
  for (std::size_t i = 0; i < head; ++i) row[i] = Add(row[i], prior[i] >> 1);
  for (std::size_t i = bpp; i < rowBytes; ++i) row[i] = Add(row[i], (row[i - bpp] + prior[i]) >> 1);
}

// p - a = b - c, p - b = a - c and p - c = a + b - 2c: the same choice as the textbook predictor
// without forming p, which keeps the loop free of the extra dependency on it.
template <std::size_t Bpp>
void UnfilterPaethFixed(std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes) {
  const std::size_t head = Bpp < rowBytes ? Bpp : rowBytes;
  // With no left neighbour a = c = 0, and the predictor is b.
  for (std::size_t i = 0; i < head; ++i) row[i] = Add(row[i], prior[i]);
  for (std::size_t i = Bpp; i < rowBytes; i += Bpp) {
    const std::size_t n = rowBytes - i < Bpp ? rowBytes - i : Bpp;
    for (std::size_t k = 0; k < n; ++k) {
      const int a = row[i + k - Bpp];
      const int b = prior[i + k];
      const int c = prior[i + k - Bpp];
      const int pa = Abs(b - c);
      const int pb = Abs(a - c);
      const int pc = Abs(a + b - 2 * c);
      const int predicted = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
      row[i + k] = Add(row[i + k], predicted);
    }
  }
}

void UnfilterPaeth(std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes, std::size_t bpp) {
  switch (bpp) {
    case 1: UnfilterPaethFixed<1>(row, prior, rowBytes); return;
    case 2: UnfilterPaethFixed<2>(row, prior, rowBytes); return;
    case 3: UnfilterPaethFixed<3>(row, prior, rowBytes); return;
    case 4: UnfilterPaethFixed<4>(row, prior, rowBytes); return;
    case 6: UnfilterPaethFixed<6>(row, prior, rowBytes); return;
    case 8: UnfilterPaethFixed<8>(row, prior, rowBytes); return;
    default: break;
  }
  const std::size_t head = bpp < rowBytes ? bpp : rowBytes;
  for (std::size_t i = 0; i < head; ++i) row[i] = Add(row[i], prior[i]);
  for (std::size_t i = bpp; i < rowBytes; ++i) {
    row[i] = Add(row[i], PaethPredictor(row[i - bpp], prior[i], prior[i - bpp]));
  }
}

}  // namespace

bool UnfilterRow(std::uint8_t filterType, std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes,
                 std::size_t bytesPerPixel) {
  switch (filterType) {
    case 0: return true;
    case 1: UnfilterSub(row, rowBytes, bytesPerPixel); return true;
    case 2: UnfilterUp(row, prior, rowBytes); return true;
    case 3: UnfilterAverage(row, prior, rowBytes, bytesPerPixel); return true;
    case 4: UnfilterPaeth(row, prior, rowBytes, bytesPerPixel); return true;
    default: return false;
  }
}

}  // namespace ombrisk
