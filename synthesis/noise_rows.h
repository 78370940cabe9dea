// Rows that sound as bands of noise instead of tones, for the smooth synthesis.
//
//   const TNoiseRows rows(height, band, logFrequency, rateHz, seed);
//   SynthesizeSmooth(reader, amplitudes, rows, width, out, progress);
//
// Row m covers the bins from halfway to the row below to halfway to the row above (a single row:
// the whole band), every bin at the same level and a phase of its own drawn from the seed. The
// phases stay the same in every column, so a column's waveform is periodic in the transform length
// and the cross-fades join it as smoothly as the tones; the noise is lines one bin apart, and the
// length is chosen for at least kNoiseBinsPerRow of them in the narrowest row. A row's bins share
// its amplitude so that its power is the power of the tone it replaces. Units: hertz.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "synthesis/shaped_sound.h"
#include "synthesis/smooth_columns.h"

namespace ombrisk {

inline constexpr int kNoiseBinsPerRow = 8;

class TNoiseRows : public TRowPartials {
public:
  // As TSmoothRows takes them; any seed.
  TNoiseRows(int height, TFrequencyBand band, bool logFrequency, std::int32_t rateHz, std::uint64_t seed);

  std::int32_t FrameLength() const override { return m_length; }
  int Height() const override { return m_height; }
  void Fill(std::span<const double> amplitude, std::span<double> spectrum) const override;

  // The bins row m holds: first … first + count − 1.
  struct TRowBins { std::int32_t First; std::int32_t Count; };
  TRowBins Bins(int m) const { return m_rowBins[static_cast<std::size_t>(m)]; }

private:
  struct TBin {
    std::int32_t Row;
    std::int32_t Bin;
    double Cos;  // the phase's cosine over the square root of the row's bin count
    double Sin;  // its negated sine, likewise
  };

  int m_height;
  std::int32_t m_length;
  std::vector<TRowBins> m_rowBins;
  std::vector<TBin> m_bins;  // in bin order
};

}  // namespace ombrisk
