#include "synthesis/noise_rows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace ombrisk {

namespace {

// A well-mixed 64-bit value for each (seed, bin): the same phases on every host and library.
std::uint64_t Mix(std::uint64_t value) {
  value += 0x9E3779B97F4A7C15ull;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
  return value ^ (value >> 31);
}

double Phase(std::uint64_t seed, std::int32_t bin) {
  const std::uint64_t bits = Mix(Mix(seed) ^ static_cast<std::uint64_t>(bin));
  return 2.0 * std::numbers::pi * static_cast<double>(bits >> 11) * 0x1.0p-53;
}

}  // namespace

TNoiseRows::TNoiseRows(int height, TFrequencyBand band, bool logFrequency, std::int32_t rateHz, std::uint64_t seed)
    : m_height(height), m_rowBins(static_cast<std::size_t>(height)) {
  const double rate = static_cast<double>(rateHz);
  // A row's edges lie halfway to its neighbours (geometrically so with logarithmic rows).
  auto lowEdge = [&](int m) { return height > 1 ? RowHz(band, logFrequency, height, m - 0.5) : band.LowHz; };
  auto highEdge = [&](int m) { return height > 1 ? RowHz(band, logFrequency, height, m + 0.5) : band.HighHz; };
  // The tones' length keeps every row's centre where it belongs; the bottom row is the narrowest.
  std::int32_t length = TSmoothRows(height, band, logFrequency, rateHz).FrameLength();
  const double narrowest = highEdge(0) - lowEdge(0);
  if (narrowest > 0) {
    while (length < kMaxSmoothFrameLength && length * narrowest < kNoiseBinsPerRow * rate) length *= 2;
  }
  m_length = length;

  // Bins 0 and L/2 carry no phase; the bands keep to the bins between them.
  const std::int32_t top = m_length / 2 - 1;
  const double perHz = static_cast<double>(m_length) / rate;
  for (int m = 0; m < height; ++m) {
    std::int64_t first = static_cast<std::int64_t>(std::ceil(lowEdge(m) * perHz));
    std::int64_t last = static_cast<std::int64_t>(std::ceil(highEdge(m) * perHz)) - 1;
    if (last < first) first = last = std::llround(RowHz(band, logFrequency, height, m) * perHz);  // narrower than a bin
    first = std::clamp<std::int64_t>(first, 1, top);
    last = std::clamp<std::int64_t>(last, 1, top);
    if (last < first) last = first;
    m_rowBins[static_cast<std::size_t>(m)] = {static_cast<std::int32_t>(first), static_cast<std::int32_t>(last - first + 1)};
  }
  for (int m = 0; m < height; ++m) {
    const TRowBins row = m_rowBins[static_cast<std::size_t>(m)];
    const double gain = 1.0 / std::sqrt(static_cast<double>(row.Count));
    for (std::int32_t k = row.First; k < row.First + row.Count; ++k) {
      const double phase = Phase(seed, k);
      m_bins.push_back({m, k, gain * std::cos(phase), -gain * std::sin(phase)});
    }
  }
}

void TNoiseRows::Fill(std::span<const double> amplitude, std::span<double> spectrum) const {
  std::fill_n(spectrum.begin(), m_length + 1, 0.0);
  double* const out = spectrum.data();
  const std::size_t rows = amplitude.size();
  for (const TBin& bin : m_bins) {
    if (static_cast<std::size_t>(bin.Row) >= rows) break;
    const double a = amplitude[static_cast<std::size_t>(bin.Row)];
    out[bin.Bin] += a * bin.Cos;
    out[m_length - bin.Bin] += a * bin.Sin;
  }
}

}  // namespace ombrisk
