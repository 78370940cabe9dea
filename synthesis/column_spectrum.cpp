#include "synthesis/column_spectrum.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>

#include "synthesis/synthesis_steps.h"

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
    : m_linear(!settings.LogFrequency), m_bins(static_cast<std::size_t>(height)) {
  // ApplyBinPhase on a spectrum holding every amplitude in its lower half scales each exactly as
  // it scales a placed pixel; one call serves the whole table.
  std::array<double, 2 * kChannelSums> phased{};
  for (std::size_t sum = 0; sum < kChannelSums; ++sum) {
    // The grey is the truncated mean of the three channels.
    double v = static_cast<double>(sum / 3);
    if (settings.Invert) v = 255.0 - v;
    if (settings.LogAmplitude) v = LogarithmicAmplitude(v);
    m_plain[sum] = v;
    phased[sum] = v;
  }
  ApplyBinPhase(phased, static_cast<std::int32_t>(phased.size()));
  std::copy_n(phased.begin(), kChannelSums, m_phased.begin());
  for (int m = 0; m < height; ++m) {
    const std::int64_t bin = settings.LogFrequency ? LogarithmicBin(m, height, n) : m;
    // Both placements stay below n/2: linear m ≤ H − 1 < n/2, logarithmic 10^(m/H) < 10.
    assert(bin >= 0 && bin < n / 2);
    m_bins[static_cast<std::size_t>(m)] = static_cast<std::int32_t>(bin);
  }
}

void TColumnSpectrum::Fill(std::span<const std::uint16_t> sums, bool phased, std::span<double> spectrum) const {
  const double* const amplitude = phased ? m_phased.data() : m_plain.data();
  const std::size_t height = std::min(m_bins.size(), sums.size());
  const std::uint16_t* const in = sums.data();
  double* const out = spectrum.data();
  if (m_linear) {
    // Bins 0 … H − 1 are all written below; only the rest needs clearing.
    std::fill(spectrum.begin() + static_cast<std::ptrdiff_t>(std::min(height, spectrum.size())), spectrum.end(), 0.0);
    for (std::size_t m = 0; m < height; ++m) out[m] = amplitude[in[m]];
    return;
  }
  std::fill(spectrum.begin(), spectrum.end(), 0.0);
  const std::int32_t* const bins = m_bins.data();
  for (std::size_t m = 0; m < height; ++m) out[bins[m]] = amplitude[in[m]];
}

}  // namespace ombrisk
