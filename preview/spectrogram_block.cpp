#include "preview/spectrogram_block.h"

#include <algorithm>
#include <cmath>

#include "preview/spectrogram_geometry.h"
#include "preview/window_functions.h"
#include "signal/wave_fft.h"

namespace ombrisk {

namespace {

// Rounds half to even, first bounding the level so that no huge or infinite value is converted:
// everything at or beyond these bounds clamps to the same byte anyway.
std::int32_t RoundedLevel(long double level) {
  return static_cast<std::int32_t>(std::llrint(std::clamp(level, -1.0L, 256.0L)));
}

}  // namespace

std::uint8_t SpectrogramGrey(double magnitude, bool logVoltage, bool invert) {
  std::uint8_t level = 0;
  if (!logVoltage) {
    level = ClampByte(RoundedLevel(magnitude));
  } else if (magnitude > 0.0) {
    level = ClampByte(RoundedLevel(20.0L * std::log10(static_cast<long double>(magnitude) / 4.0L)));
  }
  const std::uint8_t grey = static_cast<std::uint8_t>(255 - level);
  return invert ? static_cast<std::uint8_t>(255 - grey) : grey;
}

TSpectrogramBlock::TSpectrogramBlock(const TSpectrogramSettings& settings)
    : m_sampleSize(settings.SampleSize),
      m_factor(BrightnessFactor(settings)),
      m_logVoltage(settings.LogVoltage),
      m_invert(settings.InvertBrightness),
      m_weights(static_cast<std::size_t>(settings.SampleSize)),
      m_rows(SpectrogramRows(settings.SampleSize, settings.LogFrequency)),
      m_samples(static_cast<std::size_t>(settings.SampleSize), 0),
      m_transform(static_cast<std::size_t>(settings.SampleSize), 0.0),
      m_magnitudes(static_cast<std::size_t>(SpectrogramHeight(settings.SampleSize)), 0.0) {
  const TWindowFunction window = WindowFunctionByIndex(settings.WindowIndex);
  for (std::int32_t j = 0; j < m_sampleSize; ++j) m_weights[static_cast<std::size_t>(j)] = window(m_sampleSize, j);
}

void TSpectrogramBlock::Load(std::span<const std::uint8_t> bytes) {
  const std::size_t half = m_samples.size() / 2;
  const std::size_t count = std::min(bytes.size(), half * 2);
  const std::size_t whole = count / 2;
  for (std::size_t i = 0; i < whole; ++i) {
    const auto value = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    m_samples[i] = static_cast<std::int16_t>(value);
  }
  std::size_t next = whole;
  if (count % 2 != 0) m_samples[next++] = static_cast<std::int16_t>(bytes[count - 1]);
  std::fill(m_samples.begin() + static_cast<std::ptrdiff_t>(next), m_samples.begin() + static_cast<std::ptrdiff_t>(half),
            std::int16_t{0});
}

void TSpectrogramBlock::Transform() {
  const std::size_t n = m_samples.size();
  for (std::size_t j = 0; j < n; ++j) {
    m_transform[j] = static_cast<double>(static_cast<long double>(m_weights[j]) * m_samples[j]);
  }
  ForwardRealFFT(m_sampleSize, m_transform);
  const long double factor = m_factor;
  for (std::size_t k = 0; k < m_magnitudes.size(); ++k) {
    const long double c = m_transform[k];
    const long double s = k == 0 ? 0.0L : m_transform[n - k];
    m_magnitudes[k] = static_cast<double>(std::sqrt(c * c + s * s) * factor);
  }
}

void TSpectrogramBlock::Draw(TPixelBitmap& picture, int x) const {
  for (std::size_t k = 0; k < m_magnitudes.size(); ++k) {
    const int y = m_rows[k];
    if (y == kNoRow) continue;
    const std::uint8_t v = SpectrogramGrey(m_magnitudes[k], m_logVoltage, m_invert);
    picture.SetPixelRGB(x, y, v, v, v);
  }
}

}  // namespace ombrisk
