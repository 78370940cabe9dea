// The grey of a transform bin, from its magnitude (already scaled by the brightness factor).
//
//   SpectrogramGrey(m, logVoltage, invert);     // the defining long-double formula
//   const TDecibelLevels& decibels = SharedDecibelLevels();
//   int level = decibels.FastLevel(mFast);      // the same decibel level from a magnitude worked in
//   if (level < 0) level = ...exact...;         //   double, or -1 when it lies too near a boundary
//
// Linear: level = ClampByte(round(m)); logarithmic: ClampByte(round(20 × log10(m ÷ 4))), a zero
// magnitude counting as the lowest level. The grey is 255 − level, inverted if asked.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ombrisk {

std::uint8_t SpectrogramGrey(double magnitude, bool logVoltage, bool invert);
// The level alone, by the defining formula.
int SpectrogramLevel(double magnitude, bool logVoltage);

// Decides the decibel level without a long-double logarithm per bin. A magnitude worked in double
// differs from the long-double one by a few parts in 10^16; only one lying within a part in 10^9
// of a boundary between levels is left undecided, and the caller then works it out in full.
// (The linear levels have their own vector loop, level_kernels.h.)
class TDecibelLevels {
public:
  TDecibelLevels();
  int FastLevel(double magnitude) const;

private:
  // m_thresholds[L] is the magnitude at which level L begins, 4 × 10^((L − ½) ÷ 20)
  // for L = 1 … 255. A cell is a sixteenth of an octave, narrower than the ratio between two
  // thresholds, so each holds at most one of them: m_cellLevel is the level at the cell's start.
  std::array<double, 257> m_thresholds{};
  std::vector<std::uint8_t> m_cellLevel;
  int m_firstExponent = 0;
};

// One table for every block: it never changes, and making it costs 256 long-double powers.
const TDecibelLevels& SharedDecibelLevels();

}  // namespace ombrisk
