// TViewSummary: a coarse spectrogram of a whole recording, kept by a view source while it renders
// wide views, so that any later view (a zoom, a pan) can be drawn from it at once.
//
//   TViewSummary summary(info);
//   summary.Compute(reader, column, power);             // the mean power of one summary column
//   { lock; summary.Store(column, power); }             // then it is held
//   summary.DrawColumn(view, rows, levels, x);           // a view's column from what is held
//
// Column c covers samples c × ColumnSamples() … (c + 1) × ColumnSamples() − 1, each the mean of
// frames of FrameSamples() at half a frame's hop; levels are held as 1/64 dB steps in 16 bits,
// at most kSummaryBytes in all (long files get longer columns). Not thread-safe by itself: the
// source guards it with one mutex.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recording/recording_reader.h"
#include "spectrogram/sample_window.h"
#include "spectrogram/sound_view.h"
#include "spectrogram/view_levels.h"
#include "spectrogram/view_spectrum.h"

namespace ombrisk {

inline constexpr std::int64_t kSummaryBytes = std::int64_t{64} << 20;

// The frame summaries are made with: about 85 ms (4096 samples at 48 kHz), a power of two.
std::int32_t SummaryFrameSamples(std::int32_t sampleRateHz);

class TViewSummary {
public:
  explicit TViewSummary(const TRecordingInfo& info);

  std::int32_t FrameSamples() const { return m_frame; }
  std::int64_t ColumnSamples() const { return m_columnSamples; }
  std::int64_t Columns() const { return m_columns; }
  std::size_t Bins() const { return static_cast<std::size_t>(m_frame / 2 + 1); }

  // Forgets what is held unless it was made from this channel with this window.
  void Prepare(std::int32_t channel, int windowIndex);
  bool Holds(std::int32_t channel, int windowIndex) const {
    return m_prepared && channel == m_channel && windowIndex == m_window;
  }
  bool Filled(std::int64_t column) const { return m_filled[static_cast<std::size_t>(column)] != 0; }

  // Works out column's mean power (Bins() values) from samples through frame (a TFramePower of
  // FrameSamples()). Touches nothing held, so it runs without the lock.
  void Compute(TSampleWindow& samples, TFramePower& frame, std::int64_t column, std::span<double> power) const;
  void Store(std::int64_t column, std::span<const double> power);

  // The summary columns view column x draws from: those whose middles it holds, else the one its
  // middle falls in.
  std::pair<std::int64_t, std::int64_t> ColumnsFor(const TSoundView& view, std::int32_t rateHz, int x) const;
  bool FilledAll(std::pair<std::int64_t, std::int64_t> columns) const;
  // Draws view column x from columns (all filled) through rows (a TRowMap for FrameSamples()).
  void DrawColumn(std::pair<std::int64_t, std::int64_t> columns, const TRowMap& rows, TViewLevels& levels, int x,
                  std::vector<double>& scratch) const;

private:
  std::int32_t m_frame;
  std::int64_t m_columnSamples;
  std::int64_t m_columns;
  bool m_prepared = false;
  std::int32_t m_channel = 0;
  int m_window = 0;
  std::vector<std::uint16_t> m_codes;   // Columns() × Bins(), made at the first Prepare
  std::vector<std::uint8_t> m_filled;
  std::vector<float> m_powerOfCode;     // 65536 entries
};

}  // namespace ombrisk
