#include "synthesis/column_spectrum.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>

namespace ombrisk {

namespace {

constexpr long double kLogAmplitudeScale = 3276.7L;
constexpr long double kLogAmplitudeHalf = 0.5L;
constexpr std::int64_t kLogBinDivisor = 20;

}  // namespace

double LogarithmicAmplitude(double v) {
  const long double power = std::pow(10.0L, static_cast<long double>(v) / 255.0L);
  return static_cast<double>(power * kLogAmplitudeScale * kLogAmplitudeHalf);
}

std::int64_t LogarithmicBin(int m, int height, std::int32_t n) {
  const long double exponent = static_cast<long double>(m) / static_cast<long double>(height);
  const long double position = std::pow(10.0L, exponent) * static_cast<long double>(n);
  return std::llrint(position) / kLogBinDivisor;
}

TColumnSpectrum::TColumnSpectrum(int height, std::int32_t n, const TSynthesisSettings& settings)
    : m_bins(static_cast<std::size_t>(height)) {
  for (int grey = 0; grey < 256; ++grey) {
    double v = static_cast<double>(grey);
    if (settings.Invert) v = 255.0 - v;
    if (settings.LogAmplitude) v = LogarithmicAmplitude(v);
    m_amplitudes[static_cast<std::size_t>(grey)] = v;
  }
  for (int m = 0; m < height; ++m) {
    const std::int64_t bin = settings.LogFrequency ? LogarithmicBin(m, height, n) : m;
    // Both placements stay below n/2: linear m ≤ H − 1 < n/2, logarithmic 10^(m/H) < 10.
    assert(bin >= 0 && bin < n / 2);
    m_bins[static_cast<std::size_t>(m)] = static_cast<std::int32_t>(bin);
  }
}

void TColumnSpectrum::Fill(const std::uint8_t* row, std::span<double> spectrum) const {
  std::fill(spectrum.begin(), spectrum.end(), 0.0);
  const std::size_t height = m_bins.size();
  for (std::size_t m = 0; m < height; ++m, row += 4) {
    const unsigned grey = (static_cast<unsigned>(row[0]) + row[1] + row[2]) / 3;
    spectrum[static_cast<std::size_t>(m_bins[m])] = m_amplitudes[grey];
  }
}

}  // namespace ombrisk
