// The per-row filters of PNG image data, for the encoder, and its choice of filter.
//
//   FilterRow(4, raw, prior, out, rowBytes, bytesPerPixel);          // Paeth into out
//   const int chosen = FilterRowAdaptive(raw, prior, out, scratch, rowBytes, bytesPerPixel);
//
// raw and prior are unfiltered rows of rowBytes bytes (prior zeros for a pass's first row); out gets
// rowBytes filtered bytes, the filter byte not included.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ombrisk {

void FilterRow(int filterType, const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* out,
               std::size_t rowBytes, std::size_t bytesPerPixel);

// The filter whose output has the smallest sum of bytes taken as signed values (the usual heuristic
// for rows that compress well; ties keep the lower type), its output left in out. A filter stops
// being costed once it cannot win. scratch needs rowBytes bytes.
int FilterRowAdaptive(const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* out, std::uint8_t* scratch,
                      std::size_t rowBytes, std::size_t bytesPerPixel);

}  // namespace ombrisk
