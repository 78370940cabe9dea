// TSpectrogramBlock: one block of samples through the whole chain: window, forward transform,
// magnitudes, greys, and the column they are drawn into. The buffers are made once per run.
//
//   TSpectrogramBlock block(settings);
//   block.Load(bytes);  block.Transform();  block.Draw(picture, x);
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "preview/spectrogram_analysis.h"
#include "synthesis/pixel_bitmap.h"

namespace ombrisk {

// The grey of one bin of magnitude m (already scaled by the brightness factor): linear
// 255 − ClampByte(round(m)), logarithmic 255 − ClampByte(round(20 × log10(m ÷ 4))), then
// inverted if asked. A zero magnitude has no logarithm and counts as the lowest level: 255.
std::uint8_t SpectrogramGrey(double magnitude, bool logVoltage, bool invert);

class TSpectrogramBlock {
public:
  // The settings must have passed ValidateSpectrogramSettings.
  explicit TSpectrogramBlock(const TSpectrogramSettings& settings);

  // Takes up to N bytes of little-endian 16-bit samples into the first half of the sample buffer.
  // What a short block does not reach is cleared, so no sample of an earlier block shows through;
  // an odd last byte is a sample's low byte.
  void Load(std::span<const std::uint8_t> bytes);
  // Window, forward transform and magnitudes of the loaded block.
  void Transform();
  // Draws every bin that has a row into column x; rows no bin reaches are left as they are.
  void Draw(TPixelBitmap& picture, int x) const;

  std::span<const double> Weights() const { return m_weights; }
  std::span<const double> Magnitudes() const { return m_magnitudes; }

private:
  std::int32_t m_sampleSize;
  double m_factor;
  bool m_logVoltage;
  bool m_invert;
  std::vector<double> m_weights;       // w(N, j), worked out once per run
  std::vector<int> m_rows;             // picture row of each bin
  std::vector<std::int16_t> m_samples; // N values; the second half stays 0
  std::vector<double> m_transform;     // N values
  std::vector<double> m_magnitudes;    // N/2 values
};

}  // namespace ombrisk
