#include "spectrogram/view_spectrum.h"

#include <algorithm>
#include <cmath>

#include "signal/wave_fft.h"
#include "spectrogram/window_functions.h"

namespace ombrisk {

namespace {

// Decoded floats beyond this many full scales come from a damaged file; held, so sums stay finite.
constexpr float kSampleLimit = 1024.0f;

}  // namespace

float PowerDb(double power) {
  if (!(power > 0)) return kSilenceDb;
  return std::max(kSilenceDb, static_cast<float>(10.0 * std::log10(power)));
}

TFramePower::TFramePower(std::int32_t frameSamples, int windowIndex)
    : m_n(frameSamples),
      m_weights(static_cast<std::size_t>(frameSamples)),
      m_transform(static_cast<std::size_t>(frameSamples)),
      m_sum(static_cast<std::size_t>(frameSamples / 2 + 1)),
      m_mean(static_cast<std::size_t>(frameSamples / 2 + 1)) {
  const TWindowFunction window = WindowFunctionByIndex(windowIndex);
  double sum = 0;
  for (std::int32_t j = 0; j < m_n; ++j) {
    m_weights[static_cast<std::size_t>(j)] = window(m_n, j);
    sum += m_weights[static_cast<std::size_t>(j)];
  }
  m_fullScale = sum / 2;
}

void TFramePower::Add(std::span<const float> samples) {
  const std::size_t count = std::min(samples.size(), m_transform.size());
  // Without branches, so that the loop vectorises: infinities clamp, a NaN passes through the
  // clamp and is only noted, and the rare frame that holds one is mended after.
  int unordered = 0;
  for (std::size_t j = 0; j < count; ++j) {
    const float s = samples[j];
    unordered |= static_cast<int>(s != s);
    m_transform[j] = static_cast<double>(std::min(std::max(s, -kSampleLimit), kSampleLimit)) * m_weights[j];
  }
  if (unordered != 0) {
    for (std::size_t j = 0; j < count; ++j) {
      if (samples[j] != samples[j]) m_transform[j] = 0.0;
    }
  }
  std::fill(m_transform.begin() + static_cast<std::ptrdiff_t>(count), m_transform.end(), 0.0);
  ForwardRealFFT(m_n, m_transform);
  const std::size_t half = static_cast<std::size_t>(m_n / 2);
  const double scale = 1.0 / (m_fullScale * m_fullScale);
  m_sum[0] += m_transform[0] * m_transform[0] * scale;
  for (std::size_t k = 1; k < half; ++k) {
    const double c = m_transform[k];
    const double s = m_transform[static_cast<std::size_t>(m_n) - k];
    m_sum[k] += (c * c + s * s) * scale;
  }
  m_sum[half] += m_transform[half] * m_transform[half] * scale;
  ++m_frames;
}

std::span<const double> TFramePower::Mean() {
  const double share = m_frames > 0 ? 1.0 / m_frames : 0.0;
  for (std::size_t k = 0; k < m_sum.size(); ++k) m_mean[k] = m_sum[k] * share;
  return m_mean;
}

void TFramePower::Clear() {
  std::fill(m_sum.begin(), m_sum.end(), 0.0);
  m_frames = 0;
}

TRowMap::TRowMap(const TSoundView& view, std::int32_t frameSamples, std::int32_t sampleRateHz)
    : m_rows(static_cast<std::size_t>(view.Height)) {
  const double binsPerHz = static_cast<double>(frameSamples) / sampleRateHz;
  const std::int32_t lastBin = frameSamples / 2;
  for (int y = 0; y < view.Height; ++y) {
    TRow& row = m_rows[static_cast<std::size_t>(y)];
    // The row's band is HzAtRow(y + 1) … HzAtRow(y); a bin on its lower edge belongs to it.
    const double lo = HzAtRow(view, y + 1.0) * binsPerHz;
    const double hi = HzAtRow(view, y) * binsPerHz;
    const auto first = static_cast<std::int32_t>(std::ceil(lo - 1e-9));
    auto last = static_cast<std::int32_t>(std::ceil(hi - 1e-9)) - 1;
    if (y == 0) last = static_cast<std::int32_t>(std::floor(hi + 1e-9));  // the top row keeps its top edge
    row.FirstBin = std::clamp(first, 0, lastBin);
    row.LastBin = std::min(last, lastBin);
    if (row.FirstBin <= row.LastBin) continue;
    const double middle = std::clamp(HzAtRow(view, y + 0.5) * binsPerHz, 0.0, static_cast<double>(lastBin));
    row.FirstBin = std::min(static_cast<std::int32_t>(std::floor(middle)), lastBin - 1);
    row.LastBin = -1;
    row.Between = middle - row.FirstBin;
  }
}

void TRowMap::Draw(std::span<const double> power, TViewLevels& levels, int x) const {
  for (std::size_t y = 0; y < m_rows.size(); ++y) {
    const TRow& row = m_rows[y];
    float db = kSilenceDb;
    if (row.FirstBin <= row.LastBin) {
      double strongest = 0;
      for (std::int32_t k = row.FirstBin; k <= row.LastBin; ++k) {
        strongest = std::max(strongest, power[static_cast<std::size_t>(k)]);
      }
      db = PowerDb(strongest);
    } else {
      const float below = PowerDb(power[static_cast<std::size_t>(row.FirstBin)]);
      const float above = PowerDb(power[static_cast<std::size_t>(row.FirstBin) + 1]);
      db = below + static_cast<float>(row.Between) * (above - below);
    }
    levels.At(x, static_cast<int>(y)) = db;
  }
}

}  // namespace ombrisk
