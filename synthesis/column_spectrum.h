// The spectrum of one picture column: every pixel's grey becomes an amplitude stored in its bin.
//
//   const TColumnSpectrum column(height, n, settings);
//   column.Fill(columnBitmap.ScanLine(x), spectrum);   // zeroes spectrum, then places H pixels
//
// A grey can only be 0 … 255 and a row's bin depends only on its index, so both mappings are
// worked out once per run into tables; the per-pixel work is two look-ups.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "synthesis/synthesis_run.h"

namespace ombrisk {

// 10^(v/255) × 3276.7 × 0.5 in extended precision: 1638.35 for 0, 16383.5 for 255.
double LogarithmicAmplitude(double v);
// Round(10^(m/height) × n) integer-divided by 20, worked in extended precision.
std::int64_t LogarithmicBin(int m, int height, std::int32_t n);

class TColumnSpectrum {
public:
  // n is the column length for this height (SamplesPerColumn); height is at least 1.
  TColumnSpectrum(int height, std::int32_t n, const TSynthesisSettings& settings);

  // Amplitude for a grey level 0 … 255, after inversion and the amplitude scale.
  double Amplitude(int grey) const { return m_amplitudes[static_cast<std::size_t>(grey)]; }
  // Bin of the pixel m places from the bottom of the column.
  std::int32_t Bin(int m) const { return m_bins[static_cast<std::size_t>(m)]; }

  // row holds the column's H pixels of 4 bytes (blue, green, red, unused), the bottom pixel first.
  // Every spectrum entry is zeroed, then each pixel is stored in its bin in order, so of pixels
  // that share a bin the higher one wins.
  void Fill(const std::uint8_t* row, std::span<double> spectrum) const;

private:
  std::array<double, 256> m_amplitudes{};
  std::vector<std::int32_t> m_bins;
};

}  // namespace ombrisk
