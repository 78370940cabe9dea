#include "spectrogram/view_summary.h"

#include <algorithm>
#include <cmath>

namespace ombrisk {

namespace {

// Codes count 1/64 dB down from +60 dBFS (louder than any bin of a file at full scale).
constexpr double kTopDb = 60.0;
constexpr double kStepsPerDb = 64.0;

std::uint16_t CodeOf(double power) {
  // Single precision is ample for steps of 1/64 dB, and its logarithm is the cheaper one.
  const auto p = static_cast<float>(power);
  const double db = p > 0 ? std::max<double>(kSilenceDb, 10.0f * std::log10(p)) : kSilenceDb;
  return static_cast<std::uint16_t>(std::clamp(std::nearbyint((kTopDb - db) * kStepsPerDb), 0.0, 65535.0));
}

}  // namespace

std::int32_t SummaryFrameSamples(std::int32_t sampleRateHz) {
  const double wanted = 0.085 * sampleRateHz;
  std::int32_t n = 256;
  while (n < 32768 && wanted > n * std::sqrt(2.0)) n *= 2;
  return n;
}

TViewSummary::TViewSummary(const TRecordingInfo& info)
    : m_frame(SummaryFrameSamples(info.SampleRateHz)), m_columnSamples(2 * std::int64_t{m_frame}) {
  const std::int64_t frames = std::max<std::int64_t>(info.Frames, 1);
  const auto bytesFor = [&](std::int64_t columnSamples) {
    const std::int64_t columns = (frames + columnSamples - 1) / columnSamples;
    return static_cast<double>(columns) * static_cast<double>(Bins()) * 2.0;
  };
  while (bytesFor(m_columnSamples) > static_cast<double>(kSummaryBytes)) m_columnSamples *= 2;
  m_columns = (frames + m_columnSamples - 1) / m_columnSamples;
}

void TViewSummary::Prepare(std::int32_t channel, int windowIndex) {
  if (Holds(channel, windowIndex)) return;
  if (m_codes.empty()) {
    m_codes.assign(static_cast<std::size_t>(m_columns) * Bins(), 0);
    m_powerOfCode.resize(65536);
    for (std::size_t code = 0; code < m_powerOfCode.size(); ++code) {
      const double db = kTopDb - static_cast<double>(code) / kStepsPerDb;
      m_powerOfCode[code] = db <= kSilenceDb ? 0.0f : static_cast<float>(std::pow(10.0, db / 10.0));
    }
  }
  m_filled.assign(static_cast<std::size_t>(m_columns), 0);
  m_channel = channel;
  m_window = windowIndex;
  m_prepared = true;
}

void TViewSummary::Compute(TSampleWindow& samples, TFramePower& frame, std::int64_t column,
                           std::span<double> power) const {
  frame.Clear();
  const std::int64_t hop = m_frame / 2;
  const std::int64_t start = column * m_columnSamples;
  // Frames centred at start + hop/2, start + 3 hop/2, …: each sample of the column weighed fully
  // by the frames about it, none of another column's middle.
  for (std::int64_t middle = start + hop / 2; middle < start + m_columnSamples; middle += hop) {
    frame.Add(samples.Get(middle - m_frame / 2, m_frame));
  }
  const std::span<const double> mean = frame.Mean();
  std::copy(mean.begin(), mean.end(), power.begin());
}

void TViewSummary::Store(std::int64_t column, std::span<const double> power) {
  std::uint16_t* codes = m_codes.data() + static_cast<std::size_t>(column) * Bins();
  for (std::size_t k = 0; k < Bins(); ++k) codes[k] = CodeOf(power[k]);
  m_filled[static_cast<std::size_t>(column)] = 1;
}

std::pair<std::int64_t, std::int64_t> TViewSummary::ColumnsFor(const TSoundView& view, std::int32_t rateHz, int x) const {
  const double per = static_cast<double>(m_columnSamples);
  const double a = SecondsAtColumn(view, x) * rateHz / per - 0.5;
  const double b = SecondsAtColumn(view, x + 1.0) * rateHz / per - 0.5;
  auto first = static_cast<std::int64_t>(std::ceil(a - 1e-9));
  auto end = static_cast<std::int64_t>(std::ceil(b - 1e-9));
  if (end <= first) {
    first = static_cast<std::int64_t>(std::floor((a + b) / 2 + 0.5));
    end = first + 1;
  }
  first = std::clamp<std::int64_t>(first, 0, m_columns - 1);
  end = std::clamp<std::int64_t>(end, first + 1, m_columns);
  return {first, end};
}

bool TViewSummary::FilledAll(std::pair<std::int64_t, std::int64_t> columns) const {
  if (!m_prepared) return false;
  for (std::int64_t c = columns.first; c < columns.second; ++c) {
    if (!Filled(c)) return false;
  }
  return true;
}

void TViewSummary::DrawColumn(std::pair<std::int64_t, std::int64_t> columns, const TRowMap& rows, TViewLevels& levels,
                              int x, std::vector<double>& scratch) const {
  scratch.assign(Bins(), 0.0);
  for (std::int64_t c = columns.first; c < columns.second; ++c) {
    const std::uint16_t* codes = m_codes.data() + static_cast<std::size_t>(c) * Bins();
    for (std::size_t k = 0; k < Bins(); ++k) scratch[k] += m_powerOfCode[codes[k]];
  }
  const double share = 1.0 / static_cast<double>(columns.second - columns.first);
  for (double& p : scratch) p *= share;
  rows.Draw(scratch, levels, x);
}

}  // namespace ombrisk
