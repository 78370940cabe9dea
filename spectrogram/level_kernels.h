// The hot loops of drawing a column in linear voltage, written so that they run on whole vectors.
//
//   const bool some = LinearLevels(transform, factor, levels, undecided);
//   ... bins with undecided[k] != 0 are decided from the long-double magnitude ...
//   ReverseFlipped(levels, column, 255);        // column[H − 1 − k] = 255 − level[k]
#pragma once

#include <cstdint>
#include <span>

#include "toolkit/instruction_sets.h"

namespace ombrisk {

// For every bin k of a packed spectrum of n values (levels and undecided hold n/2 entries):
// levels[k] = min(round(sqrt(C(k)² + S(k)²) × factor), 255), worked in single precision, where a
// magnitude below 256 is off by at most a few parts in 10^7. undecided[k] is 1 where the magnitude
// lies within 2.5 × 10^−4 of a half (there the approximation may round otherwise than the exact
// magnitude, or round-half-even decides) and 0 elsewhere. Returns whether any bin is undecided.
// Every path of LinearLevelPaths() gives the same bits.
bool LinearLevels(std::span<const double> transform, double factor, std::span<std::uint8_t> levels,
                  std::span<std::uint8_t> undecided);
TKernelPaths& LinearLevelPaths();

// The levels written last first, each XOR flip (255: 255 − level; 0: the level itself).
void ReverseFlipped(std::span<const std::uint8_t> levels, std::uint8_t* out, std::uint8_t flip);

}  // namespace ombrisk
