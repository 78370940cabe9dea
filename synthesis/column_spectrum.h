// The spectrum of one picture column: every pixel's grey becomes an amplitude stored in its bin.
//
//   const TColumnSpectrum column(height, n, settings);
//   column.Fill(reader.Sums(x), x > 0, spectrum);   // zeroes spectrum, places the column's H pixels
//
// A pixel's amplitude depends only on the sum of its three channels (its grey is their truncated
// mean) and a row's bin only on its
// index, so both mappings are worked out once per run into tables and the per-pixel work is two
// look-ups. The inter-column phase step scales every placed amplitude by the same factor and leaves
// the unplaced (zero) bins and the zero upper half as they are, so for every column after the
// first the amplitudes are taken from a second table already scaled by it: the same bits as
// ApplyBinPhase after a plain fill, without a pass over the whole spectrum.
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
  double Amplitude(int grey) const { return m_plain[static_cast<std::size_t>(3 * grey)]; }
  // Bin of the pixel m places from the bottom of the column.
  std::int32_t Bin(int m) const { return m_bins[static_cast<std::size_t>(m)]; }

  // sums holds the channel sums (0 … 765) of the column's H pixels, the bottom pixel first. Every
  // spectrum entry is zeroed, then each pixel is stored in its bin in order, so of pixels that
  // share a bin the higher one wins. With phased, the values are those ApplyBinPhase makes.
  void Fill(std::span<const std::uint16_t> sums, bool phased, std::span<double> spectrum) const;

private:
  static constexpr std::size_t kChannelSums = 3 * 255 + 1;

  bool m_linear;
  std::array<double, kChannelSums> m_plain{};
  std::array<double, kChannelSums> m_phased{};
  std::vector<std::int32_t> m_bins;
};

}  // namespace ombrisk
