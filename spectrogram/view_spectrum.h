// The two steps that turn samples into a view's column: a frame's power spectrum scaled to full
// scale, and the spectrum's bins laid onto the plot's rows.
//
//   TFramePower frame(n, windowIndex);  frame.Add(samples);     // n samples, mean of the powers added
//   const TRowMap rows(view, n, rateHz);  rows.Draw(frame.Mean(), levels, x);
//
// Power 1 is a sine at full scale (amplitude 1) on a bin's frequency, whatever the window: the
// window's sum over the frame, halved, is that sine's magnitude in its bin.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "spectrogram/sound_view.h"
#include "spectrogram/view_levels.h"

namespace ombrisk {

class TFramePower {
public:
  TFramePower(std::int32_t frameSamples, int windowIndex);

  std::int32_t FrameSamples() const { return m_n; }
  // Windows and transforms n samples (fewer: the rest count as silence) and adds their power.
  void Add(std::span<const float> samples);
  // The mean power of the frames added since the last Clear, n/2 + 1 bins (0 Hz … rate/2).
  std::span<const double> Mean();
  void Clear();

private:
  std::int32_t m_n;
  double m_fullScale;
  std::vector<double> m_weights;
  std::vector<double> m_transform;
  std::vector<double> m_sum;
  std::vector<double> m_mean;
  int m_frames = 0;
};

// Every row of the plot takes the strongest bin within its band; a row no bin falls in takes the
// level interpolated (in dB) between the bins either side of its middle, so no row is left empty.
class TRowMap {
public:
  TRowMap(const TSoundView& view, std::int32_t frameSamples, std::int32_t sampleRateHz);
  // Writes column x of levels (in dBFS) from bins power.
  void Draw(std::span<const double> power, TViewLevels& levels, int x) const;

private:
  struct TRow {
    std::int32_t FirstBin = 0;  // the strongest of FirstBin … LastBin, when FirstBin ≤ LastBin
    std::int32_t LastBin = -1;
    double Between = 0;         // else FirstBin + Between of the way to FirstBin + 1
  };
  std::vector<TRow> m_rows;
};

// 10 log10 of a power, kSilenceDb for none.
float PowerDb(double power);

}  // namespace ombrisk
