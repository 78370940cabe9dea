#include "spectrogram/spectrogram_block.h"

#include <algorithm>
#include <cmath>

#include "spectrogram/level_kernels.h"
#include "spectrogram/spectrogram_geometry.h"
#include "spectrogram/window_functions.h"
#include "signal/wave_fft.h"
#include "toolkit/little_endian.h"

namespace ombrisk {

TSpectrogramBlock::TSpectrogramBlock(const TSpectrogramSettings& settings)
    : m_sampleSize(settings.SampleSize),
      m_factor(BrightnessFactor(settings)),
      m_logVoltage(settings.LogVoltage),
      m_invert(settings.InvertBrightness),
      m_unitWeights(false),
      m_linearRows(!settings.LogFrequency),
      m_weights(static_cast<std::size_t>(settings.SampleSize)),
      m_rows(SpectrogramRows(settings.SampleSize, settings.LogFrequency)),
      m_samples(static_cast<std::size_t>(settings.SampleSize), 0),
      m_transform(static_cast<std::size_t>(settings.SampleSize), 0.0),
      m_magnitudes(static_cast<std::size_t>(SpectrogramHeight(settings.SampleSize)), 0.0),
      m_levelBytes(m_magnitudes.size(), 0),
      m_undecided(m_magnitudes.size(), 0) {
  if (m_logVoltage) m_decibels = &SharedDecibelLevels();
  const TWindowFunction window = WindowFunctionByIndex(settings.WindowIndex);
  for (std::int32_t j = 0; j < m_sampleSize; ++j) m_weights[static_cast<std::size_t>(j)] = window(m_sampleSize, j);
  m_unitWeights = std::all_of(m_weights.begin(), m_weights.end(), [](double w) { return w == 1.0; });
}

void TSpectrogramBlock::Load(std::span<const std::uint8_t> bytes) {
  const std::size_t half = m_samples.size() / 2;
  const std::size_t count = std::min(bytes.size(), half * 2);
  const std::size_t whole = count / 2;
  for (std::size_t i = 0; i < whole; ++i) {
    m_samples[i] = static_cast<std::int16_t>(ReadLittle16(bytes.data() + 2 * i));
  }
  std::size_t next = whole;
  if (count % 2 != 0) m_samples[next++] = static_cast<std::int16_t>(bytes[count - 1]);
  std::fill(m_samples.begin() + static_cast<std::ptrdiff_t>(next), m_samples.begin() + static_cast<std::ptrdiff_t>(half),
            std::int16_t{0});
  m_fromRecorded = false;
}

void TSpectrogramBlock::LoadRecorded(std::span<const float> samples) {
  const std::size_t half = m_samples.size() / 2;
  m_recorded.resize(half);
  const std::size_t count = std::min(samples.size(), half);
  for (std::size_t i = 0; i < count; ++i) {
    const double value = samples[i];
    m_recorded[i] = std::isfinite(value) ? std::clamp(value, -kRecordedLimit, kRecordedLimit) * 32768.0 : 0.0;
  }
  std::fill(m_recorded.begin() + static_cast<std::ptrdiff_t>(count), m_recorded.end(), 0.0);
  m_fromRecorded = true;
}

void TSpectrogramBlock::Transform() {
  const std::size_t n = m_samples.size();
  const std::size_t half = n / 2;
  if (m_unitWeights) {
    // 1 × s is s in any precision, and the silent half is +0.
    if (m_fromRecorded) {
      std::copy(m_recorded.begin(), m_recorded.end(), m_transform.begin());
    } else {
      for (std::size_t j = 0; j < half; ++j) m_transform[j] = m_samples[j];
    }
    std::fill(m_transform.begin() + static_cast<std::ptrdiff_t>(half), m_transform.end(), 0.0);
  } else {
    if (m_fromRecorded) {
      for (std::size_t j = 0; j < half; ++j) {
        m_transform[j] = static_cast<double>(static_cast<long double>(m_weights[j]) * m_recorded[j]);
      }
    } else {
      for (std::size_t j = 0; j < half; ++j) {
        m_transform[j] = static_cast<double>(static_cast<long double>(m_weights[j]) * m_samples[j]);
      }
    }
    // The silent half: w × 0 is ±0 in any precision.
    for (std::size_t j = half; j < n; ++j) m_transform[j] = m_weights[j] * 0.0;
  }
  ForwardRealFFT(m_sampleSize, m_transform);
}

double TSpectrogramBlock::Magnitude(std::size_t k) const {
  const long double c = m_transform[k];
  const long double s = k == 0 ? 0.0L : m_transform[m_transform.size() - k];
  return static_cast<double>(std::sqrt(c * c + s * s) * static_cast<long double>(m_factor));
}

void TSpectrogramBlock::DrawColumn(std::uint8_t* column) {
  const std::size_t half = m_levelBytes.size();
  std::uint8_t* levels = m_levelBytes.data();
  // The levels come from magnitudes worked in lower precision, in loops that run on whole
  // vectors; wherever such a magnitude could round otherwise than the long-double one, the
  // long-double one decides.
  if (!m_logVoltage) {
    if (LinearLevels(m_transform, m_factor, m_levelBytes, m_undecided)) {
      for (std::size_t k = 0; k < half; ++k) {
        if (m_undecided[k] != 0) levels[k] = static_cast<std::uint8_t>(SpectrogramLevel(Magnitude(k), false));
      }
    }
  } else {
    const std::size_t n = m_transform.size();
    const double* t = m_transform.data();
    double* magnitudes = m_magnitudes.data();
    magnitudes[0] = std::abs(t[0]) * m_factor;
    for (std::size_t k = 1; k < half; ++k) magnitudes[k] = std::sqrt(t[k] * t[k] + t[n - k] * t[n - k]) * m_factor;
    for (std::size_t k = 0; k < half; ++k) {
      int level = m_decibels->FastLevel(magnitudes[k]);
      if (level < 0) level = SpectrogramLevel(Magnitude(k), true);
      levels[k] = static_cast<std::uint8_t>(level);
    }
  }
  // 255 − level is the level with its bits flipped.
  const std::uint8_t flip = m_invert ? 0 : 255;
  if (m_linearRows) {
    ReverseFlipped(m_levelBytes, column, flip);
    return;
  }
  for (std::size_t k = 0; k < half; ++k) {
    const int y = m_rows[k];
    if (y != kNoRow) column[y] = static_cast<std::uint8_t>(flip ^ levels[k]);
  }
}

}  // namespace ombrisk
