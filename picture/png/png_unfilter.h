// Undoing the per-row filter of PNG image data, in place.
//
//   if (!UnfilterRow(filterType, row, prior, rowBytes, bytesPerPixel)) fail();
//
// row and prior hold rowBytes bytes after the filter byte; prior is the previous unfiltered row of
// the same pass (zeros for the first). bytesPerPixel is (source bits per pixel + 7) / 8, at least 1.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ombrisk {

// The Paeth predictor of a (left), b (above) and c (above left), as the format defines it.
constexpr std::uint8_t PaethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p;
  const int pb = p > b ? p - b : b - p;
  const int pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  if (pb <= pc) return static_cast<std::uint8_t>(b);
  return static_cast<std::uint8_t>(c);
}

// Returns false for a filter type above 4 (the row is then left as it was).
bool UnfilterRow(std::uint8_t filterType, std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes,
                 std::size_t bytesPerPixel);

}  // namespace ombrisk
