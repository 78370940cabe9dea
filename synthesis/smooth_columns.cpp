#include "synthesis/smooth_columns.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <numbers>

#include "signal/wave_fft.h"
#include "synthesis/column_spectrum.h"

namespace ombrisk {

namespace {

// The bins are fine enough that neighbouring rows get bins of their own and no row is further
// than 1 % of the band from where it belongs, nor (when the band starts above 0 Hz, up to the
// longest transform) 1 % of its own frequency.
constexpr double kPlacementShare = 0.01;
// The raised-cosine weight is turned by a recurrence and set afresh from the cosine this often, so
// that rounding cannot drift over a long column.
constexpr std::int64_t kWeightReseed = 1024;

std::int32_t FrameLengthFor(double neededBins) {
  std::int32_t length = 2;
  while (length < kMaxSmoothFrameLength && static_cast<double>(length) < neededBins) length *= 2;
  return length;
}

}  // namespace

TSmoothRows::TSmoothRows(int height, TFrequencyBand band, bool logFrequency, std::int32_t rateHz)
    : m_band(band), m_log(logFrequency), m_rate(rateHz), m_bins(static_cast<std::size_t>(height)),
      m_cos(m_bins.size()), m_sin(m_bins.size()) {
  const double rate = static_cast<double>(rateHz);
  const double width = band.HighHz - band.LowHz;
  double needed = rate / (2.0 * kPlacementShare * width);
  if (band.LowHz > 0) needed = std::max(needed, rate / (2.0 * kPlacementShare * band.LowHz));
  if (height > 1) {
    const double spacing = WantedHz(1) - WantedHz(0);  // the closest pair: the bottom two rows
    needed = std::max(needed, rate / spacing);
  }
  m_length = FrameLengthFor(needed);
  const std::int64_t half = m_length / 2;
  for (int m = 0; m < height; ++m) {
    const std::size_t i = static_cast<std::size_t>(m);
    const std::int64_t bin = std::llround(WantedHz(m) * static_cast<double>(m_length) / rate);
    m_bins[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(bin, 0, half));
    // Quadratic start phases (pi m^2 / H) keep the partials from lining up into a click and keep
    // the peak of a dense column low; m^2 is reduced first so that the angle stays exact.
    const std::int64_t period = 2 * static_cast<std::int64_t>(height);
    const std::int64_t step = (static_cast<std::int64_t>(m) * m) % period;
    const double phase = std::numbers::pi * static_cast<double>(step) / static_cast<double>(height);
    // A cos(w t + phase) = A cos(phase) cos(w t) - A sin(phase) sin(w t); bins 0 and L/2 carry half.
    const bool edge = m_bins[i] == 0 || m_bins[i] == half;
    m_cos[i] = (edge ? 2.0 : 1.0) * std::cos(phase);
    m_sin[i] = edge ? 0.0 : -std::sin(phase);
  }
}

double TSmoothRows::WantedHz(int m) const {
  const int height = static_cast<int>(m_bins.size());
  if (height <= 1) return m_band.LowHz;
  const double share = static_cast<double>(m) / static_cast<double>(height - 1);
  if (m_log) return m_band.LowHz * std::pow(m_band.HighHz / m_band.LowHz, share);
  return m_band.LowHz + (m_band.HighHz - m_band.LowHz) * share;
}

double TSmoothRows::PlacedHz(int m) const {
  return static_cast<double>(Bin(m)) * static_cast<double>(m_rate) / static_cast<double>(m_length);
}

void TSmoothRows::Fill(std::span<const double> amplitude, std::span<double> spectrum) const {
  std::fill_n(spectrum.begin(), m_length, 0.0);
  const std::size_t count = std::min(amplitude.size(), m_bins.size());
  for (std::size_t m = 0; m < count; ++m) {
    const double a = amplitude[m];
    if (a == 0.0) continue;
    const std::size_t bin = static_cast<std::size_t>(m_bins[m]);
    spectrum[bin] += a * m_cos[m];
    if (m_sin[m] != 0.0) spectrum[static_cast<std::size_t>(m_length) - bin] += a * m_sin[m];
  }
}

std::array<double, 766> SmoothAmplitudes(const TSynthesisSettings& settings) {
  std::array<double, 766> table{};
  for (std::size_t sum = 0; sum < table.size(); ++sum) {
    double v = static_cast<double>(sum / 3);
    if (settings.Invert) v = 255.0 - v;
    if (settings.LogAmplitude) v = LogarithmicAmplitude(v);
    table[sum] = v;
  }
  return table;
}

float SynthesizeSmooth(TColumnReader& reader, const std::array<double, 766>& amplitudes, const TSmoothRows& rows,
                       int width, std::span<float> out, TProgressSink& progress) {
  const std::int32_t length = rows.FrameLength();
  const std::size_t mask = static_cast<std::size_t>(length) - 1;
  const auto total = static_cast<std::int64_t>(out.size());
  const double share = static_cast<double>(total) / static_cast<double>(width);
  auto centre = [&](int x) { return (static_cast<double>(x) + 0.5) * share; };
  auto firstAtOrAfter = [&](double c) { return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::ceil(c)), 0, total); };

  std::vector<double> amplitude(static_cast<std::size_t>(rows.Height()));
  auto waveform = [&](int x, std::span<double> spectrum) {
    const std::span<const std::uint16_t> sums = reader.Sums(x);
    for (std::size_t m = 0; m < amplitude.size(); ++m) amplitude[m] = amplitudes[sums[m]];
    rows.Fill(amplitude, spectrum);
    InverseRealFFT(length, spectrum);
    progress.SetPosition(x);
  };

  float peak = 0.0f;
  // From c to c + span: weight 0.5 − 0.5 cos(pi (t − c) / span) on b, the rest on a.
  auto blend = [&](std::span<const double> a, std::span<const double> b, double c, double span, std::int64_t from,
                   std::int64_t to) {
    const double step = std::numbers::pi / span;
    for (std::int64_t base = from; base < to; base += kWeightReseed) {
      const std::int64_t end = std::min(to, base + kWeightReseed);
      const double angle = step * (static_cast<double>(base) - c);
      double re = std::cos(angle);
      double im = std::sin(angle);
      const double stepRe = std::cos(step);
      const double stepIm = std::sin(step);
      for (std::int64_t t = base; t < end; ++t) {
        const std::size_t i = static_cast<std::size_t>(t) & mask;
        const double w = 0.5 - 0.5 * re;
        const float v = static_cast<float>(a[i] + w * (b[i] - a[i]));
        out[static_cast<std::size_t>(t)] = v;
        peak = std::max(peak, std::fabs(v));
        const double nextRe = re * stepRe - im * stepIm;
        im = re * stepIm + im * stepRe;
        re = nextRe;
      }
    }
  };

  // The sound fades in over the half column before the first centre and out over the half after
  // the last, so that it neither starts nor stops with a step: a blend with silence.
  std::vector<double> silence(static_cast<std::size_t>(length), 0.0);
  const std::span<const double> quiet(silence);
  auto current = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(length));
  auto next = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(length));
  const std::size_t size = static_cast<std::size_t>(length);
  waveform(0, {current.get(), size});
  blend(quiet, {current.get(), size}, 0.0, centre(0), 0, firstAtOrAfter(centre(0)));
  for (int x = 0; x + 1 < width; ++x) {
    waveform(x + 1, {next.get(), size});
    blend({current.get(), size}, {next.get(), size}, centre(x), share, firstAtOrAfter(centre(x)),
          firstAtOrAfter(centre(x + 1)));
    std::swap(current, next);
  }
  blend({current.get(), size}, quiet, centre(width - 1), share / 2, firstAtOrAfter(centre(width - 1)), total);
  return peak;
}

}  // namespace ombrisk
