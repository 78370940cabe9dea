// TSpectrogramBlock: one block of samples through the whole chain: window, forward transform,
// magnitudes, greys, and the column they are drawn into. The buffers are made once per run.
//
//   TSpectrogramBlock block(settings);
//   block.Load(bytes);  block.Transform();  block.DrawColumn(column, stride);
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "spectrogram/grey_levels.h"
#include "spectrogram/spectrogram_analysis.h"

namespace ombrisk {

class TSpectrogramBlock {
public:
  // The settings must have passed ValidateSpectrogramSettings.
  explicit TSpectrogramBlock(const TSpectrogramSettings& settings);

  // Takes up to N bytes of little-endian 16-bit samples into the first half of the sample buffer.
  // What a short block does not reach is cleared, so no sample of an earlier block shows through;
  // an odd last byte is a sample's low byte.
  void Load(std::span<const std::uint8_t> bytes);
  // Takes up to N/2 decoded samples (±1 full scale, weighing as ±32768 do in Load) instead; the
  // rest of the half is cleared. Values that are not finite count as silence, and values are held
  // within kRecordedLimit full scales, so a damaged float file cannot overflow the sums.
  void LoadRecorded(std::span<const float> samples);
  static constexpr double kRecordedLimit = 1024.0;
  // Window and forward transform of the loaded block.
  void Transform();
  // The magnitude of bin k: sqrt(C(k)² + S(k)²) × factor, worked in long double, stored as double.
  double Magnitude(std::size_t k) const;
  // Writes the grey of every bin that has a row to column[row] (row 0 the top); rows no bin
  // reaches are left as they are. Several bins on one row: the highest wins.
  void DrawColumn(std::uint8_t* column);

  // Exchanges the transform with `other`, which must hold N values: hands a finished transform to
  // another block (on another thread) for drawing, and takes a buffer to transform into next.
  void SwapTransform(std::vector<double>& other) { m_transform.swap(other); }

  std::span<const double> Weights() const { return m_weights; }

private:
  std::int32_t m_sampleSize;
  double m_factor;
  bool m_logVoltage;
  bool m_invert;
  bool m_unitWeights;
  bool m_linearRows;                  // "Rectangler": the products are the samples themselves
  const TDecibelLevels* m_decibels = nullptr;  // for logarithmic levels only
  std::vector<double> m_weights;       // w(N, j), worked out once per run
  std::vector<int> m_rows;             // picture row of each bin
  std::vector<std::int16_t> m_samples; // N values; the second half stays 0
  std::vector<double> m_recorded;      // N/2 values, made at the first LoadRecorded
  bool m_fromRecorded = false;         // which of the two the last Load filled
  std::vector<double> m_transform;     // N values
  std::vector<double> m_magnitudes;        // N/2 values worked in double, for decibels
  std::vector<std::uint8_t> m_levelBytes;  // N/2 levels, 0 … 255
  std::vector<std::uint8_t> m_undecided;   // N/2 flags: level left to the long-double magnitude
};

}  // namespace ombrisk
