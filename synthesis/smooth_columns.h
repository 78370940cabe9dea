// The samples of a smooth synthesis, before they are scaled to 16 bits: every row is one partial
// that keeps its phase across columns and whose amplitude glides from each column's centre to the
// next.
//
//   const TSmoothRows rows(height, band, logFrequency, rateHz);   // a bin and a start phase per row
//   const float peak = SynthesizeSmooth(reader, SmoothAmplitudes(settings), rows, width, out, progress);
//
// How: all partials sit on the bins of one transform length L (rows.FrameLength()), so the inverse
// transform of a column's spectrum is a waveform of period L in absolute sample time, and the same
// row has the same phase in every column without any per-column correction. Sample t is the
// column waveforms at t mod L, cross-faded with a raised cosine between neighbouring column
// centres (weights that sum to one), so a steady grey is a steady tone and a row that switches
// on and off swells and fades within a column. One inverse transform per column, one blend per
// sample. Units: hertz, samples.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "synthesis/column_reader.h"
#include "synthesis/shaped_sound.h"
#include "toolkit/second_thread.h"

namespace ombrisk {

// Transform lengths are capped here (512 KiB of doubles); rows closer than this allows share a
// grid of rateHz / kMaxSmoothFrameLength (0.67 Hz at 44100).
inline constexpr std::int32_t kMaxSmoothFrameLength = std::int32_t{1} << 16;

// What a column's spectrum is made of: one transform length for every column, and the spectrum
// of a column from its rows' amplitudes.
class TRowPartials {
public:
  virtual ~TRowPartials() = default;
  virtual std::int32_t FrameLength() const = 0;
  virtual int Height() const = 0;
  // Zeroes the packed spectrum (FrameLength values, and one spare after them that is left
  // holding nothing of use) and adds every row's share, row m with amplitude amplitude[m].
  virtual void Fill(std::span<const double> amplitude, std::span<double> spectrum) const = 0;
};

// Where row m (0 is the bottom row, fractions between rows allowed) belongs in the band: evenly or
// geometrically spaced; a single row sits at the band's low end.
double RowHz(TFrequencyBand band, bool logFrequency, int height, double m);

class TSmoothRows : public TRowPartials {
public:
  // height ≥ 1; band already checked (low < high ≤ rate / 2, or low = high for one row; low > 0
  // when logarithmic).
  TSmoothRows(int height, TFrequencyBand band, bool logFrequency, std::int32_t rateHz);

  // The frequency row m (0 is the bottom row) belongs at; it sounds at the nearest bin of
  // FrameLength(), that is within rateHz / (2 × FrameLength()) of it.
  double WantedHz(int m) const;
  std::int32_t FrameLength() const override { return m_length; }
  int Height() const override { return static_cast<int>(m_bins.size()); }

  // Every row's partial, row m with amplitude amplitude[m] and its start phase.
  void Fill(std::span<const double> amplitude, std::span<double> spectrum) const override;

private:
  TFrequencyBand m_band;
  bool m_log;
  std::int32_t m_length;
  std::vector<std::int32_t> m_bins;
  std::vector<std::int32_t> m_sineBins;  // where the sine sum of the row's bin is held
  std::vector<double> m_cos;  // the start phase's cosine, doubled for bins 0 and L/2
  std::vector<double> m_sin;  // its negated sine, the sine sum's share
};

// Amplitude for a channel sum 0 … 765 (grey = sum / 3), with inversion and the amplitude scale
// exactly as the literal synthesis takes them.
std::array<double, 766> SmoothAmplitudes(const TSynthesisSettings& settings);

// Writes out.size() samples (at least width) and returns the largest magnitude among them. The
// columns share the samples evenly: column x's centre is at (x + 0.5) × out.size() / width.
// Progress counts the columns whose waveforms are made, reported on the calling thread. A long
// sound is shared with a second thread (each takes half the columns, the samples on either side
// of the middle column's centre); the samples are the same bits either way.
float SynthesizeSmooth(TColumnReader& reader, const std::array<double, 766>& amplitudes, const TRowPartials& rows,
                       int width, std::span<float> out, TProgressSink& progress,
                       const TThreadStarter& startThread = StartThread);

}  // namespace ombrisk
