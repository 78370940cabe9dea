#include "synthesis/smooth_columns.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <exception>
#include <numbers>
#include <optional>
#include <system_error>
#include <thread>

#include "signal/wave_fft.h"
#include "synthesis/column_spectrum.h"

namespace ombrisk {

namespace {

// The bins are fine enough that neighbouring rows get bins of their own and no row is further
// than 1 % of the band from where it belongs, nor (when the band starts above 0 Hz, up to the
// longest transform) 1 % of its own frequency.
constexpr double kPlacementShare = 0.01;
// sin(pi u) for |u| ≤ 1/2 by its Taylor series to the 13th power (error below 1e-9): plain
// arithmetic, so the blend below runs on vectors and gives the same bits everywhere.
inline double SinPi(double u) {
  const double x = std::numbers::pi * u;
  const double x2 = x * x;
  double p = -1.0 / 6227020800.0;
  p = p * x2 + 1.0 / 39916800.0;
  p = p * x2 - 1.0 / 362880.0;
  p = p * x2 + 1.0 / 5040.0;
  p = p * x2 - 1.0 / 120.0;
  p = p * x2 + 1.0 / 6.0;
  p = p * x2 - 1.0;
  return -x * p;
}

// w[k] = 1/2 + sin(pi u)/2 at u = first + (index + k) × step: from 0 at u = −1/2 to 1 at u = 1/2.
// The same sample gets the same bits whichever index its run starts from.
void FillWeights(double first, double step, std::int64_t index, std::span<double> w) {
  double* const out = w.data();
  const auto count = static_cast<std::int32_t>(w.size());  // at most one period
  const auto start = static_cast<double>(index);
  for (std::int32_t k = 0; k < count; ++k) {
    out[k] = 0.5 + 0.5 * SinPi(first + (start + static_cast<double>(k)) * step);
  }
}

// out[k] = a[k] + w[k] (b[k] − a[k]); returns the largest magnitude written.
float BlendRun(const double* a, const double* b, const double* w, std::span<float> out) {
  float* const o = out.data();
  const std::size_t count = out.size();
  for (std::size_t k = 0; k < count; ++k) o[k] = static_cast<float>(a[k] + w[k] * (b[k] - a[k]));
  // The magnitude's bits order as the magnitudes do, and an integer maximum runs on vectors.
  std::int32_t peak = 0;
  for (std::size_t k = 0; k < count; ++k) {
    peak = std::max(peak, static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(o[k]) & 0x7FFFFFFFu));
  }
  return std::bit_cast<float>(peak);
}

std::int32_t FrameLengthFor(double neededBins) {
  std::int32_t length = 2;
  while (length < kMaxSmoothFrameLength && static_cast<double>(length) < neededBins) length *= 2;
  return length;
}

}  // namespace

TSmoothRows::TSmoothRows(int height, TFrequencyBand band, bool logFrequency, std::int32_t rateHz)
    : m_band(band), m_log(logFrequency), m_bins(static_cast<std::size_t>(height)),
      m_sineBins(m_bins.size()), m_cos(m_bins.size()), m_sin(m_bins.size()) {
  const double rate = static_cast<double>(rateHz);
  const double width = band.HighHz - band.LowHz;
  double needed = rate / (2.0 * kPlacementShare * width);
  if (band.LowHz > 0) needed = std::max(needed, rate / (2.0 * kPlacementShare * band.LowHz));
  if (height > 1) {
    const double spacing = WantedHz(1) - WantedHz(0);  // the closest pair: the bottom two rows
    needed = std::max(needed, rate / spacing);
  }
  m_length = FrameLengthFor(needed);
  const std::int64_t half = m_length / 2;
  for (int m = 0; m < height; ++m) {
    const std::size_t i = static_cast<std::size_t>(m);
    const std::int64_t bin = std::llround(WantedHz(m) * static_cast<double>(m_length) / rate);
    m_bins[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(bin, 0, half));
    // Quadratic start phases (pi m^2 / H) keep the partials from lining up into a click and keep
    // the peak of a dense column low; m^2 is reduced first so that the angle stays exact.
    const std::int64_t period = 2 * static_cast<std::int64_t>(height);
    const std::int64_t step = (static_cast<std::int64_t>(m) * m) % period;
    const double phase = std::numbers::pi * static_cast<double>(step) / static_cast<double>(height);
    // A cos(w t + phase) = A cos(phase) cos(w t) - A sin(phase) sin(w t); bins 0 and L/2 carry half.
    const bool edge = m_bins[i] == 0 || m_bins[i] == half;
    m_cos[i] = (edge ? 2.0 : 1.0) * std::cos(phase);
    m_sin[i] = edge ? 0.0 : -std::sin(phase);
    // Bins 0 and L/2 have no sine sum; theirs goes to the spare entry past the spectrum.
    m_sineBins[i] = m_bins[i] == 0 ? m_length : m_length - m_bins[i];
  }
}

double RowHz(TFrequencyBand band, bool logFrequency, int height, double m) {
  if (height <= 1) return band.LowHz;
  const double share = m / static_cast<double>(height - 1);
  if (logFrequency) return band.LowHz * std::pow(band.HighHz / band.LowHz, share);
  return band.LowHz + (band.HighHz - band.LowHz) * share;
}

double TSmoothRows::WantedHz(int m) const {
  return RowHz(m_band, m_log, static_cast<int>(m_bins.size()), static_cast<double>(m));
}

void TSmoothRows::Fill(std::span<const double> amplitude, std::span<double> spectrum) const {
  std::fill_n(spectrum.begin(), m_length + 1, 0.0);
  const std::size_t count = std::min(amplitude.size(), m_bins.size());
  const double* const a = amplitude.data();
  const std::int32_t* const bins = m_bins.data();
  const std::int32_t* const sines = m_sineBins.data();
  double* const out = spectrum.data();
  // In row order, so that rows sharing a bin always add up the same way.
  for (std::size_t m = 0; m < count; ++m) {
    out[bins[m]] += a[m] * m_cos[m];
    out[sines[m]] += a[m] * m_sin[m];
  }
}

std::array<double, 766> SmoothAmplitudes(const TSynthesisSettings& settings) {
  std::array<double, 766> table{};
  for (std::size_t sum = 0; sum < table.size(); ++sum) {
    double v = static_cast<double>(sum / 3);
    if (settings.Invert) v = 255.0 - v;
    if (settings.LogAmplitude) v = LogarithmicAmplitude(v);
    table[sum] = v;
  }
  return table;
}

namespace {

// The columns first … last of a synthesis and the samples from the centre of first to the centre
// of last (from the start when first is 0, to the end when last is the last column); two parts
// that meet at a column give the same samples as one part doing both.
class TSmoothPart {
public:
  TSmoothPart(TColumnReader& reader, const std::array<double, 766>& amplitudes, const TRowPartials& rows, int width,
              std::span<float> out)
      : m_reader(reader), m_amplitudes(amplitudes), m_rows(rows), m_width(width), m_out(out),
        m_length(static_cast<std::size_t>(rows.FrameLength())),
        m_share(static_cast<double>(out.size()) / static_cast<double>(width)),
        m_amplitude(static_cast<std::size_t>(rows.Height())), m_current(m_length + 1), m_next(m_length + 1) {}

  // Calls columnDone(x) as column x's waveform is made; returns the largest magnitude written.
  template <typename TColumnDone>
  float Run(int first, int last, TColumnDone&& columnDone) {
    m_peak = 0.0f;
    Waveform(first, m_current);
    columnDone(first);
    // The sound fades in over the half column before the first centre and out over the half
    // after the last, so that it neither starts nor stops with a step: a blend with silence.
    if (first == 0) Blend(Silence(), m_current, 0.0, Centre(0), 0, At(Centre(0)));
    for (int x = first; x < last; ++x) {
      Waveform(x + 1, m_next);
      columnDone(x + 1);
      Blend(m_current, m_next, Centre(x), m_share, At(Centre(x)), At(Centre(x + 1)));
      std::swap(m_current, m_next);
    }
    if (last == m_width - 1) {
      Blend(m_current, Silence(), Centre(last), m_share / 2, At(Centre(last)), static_cast<std::int64_t>(m_out.size()));
    }
    return m_peak;
  }

private:
  double Centre(int x) const { return (static_cast<double>(x) + 0.5) * m_share; }
  std::int64_t At(double c) const {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::ceil(c)), 0, static_cast<std::int64_t>(m_out.size()));
  }
  const std::vector<double>& Silence() {
    if (m_silence.empty()) m_silence.assign(m_length, 0.0);
    return m_silence;
  }

  void Waveform(int x, std::vector<double>& spectrum) {
    const std::span<const std::uint16_t> sums = m_reader.Sums(x);
    for (std::size_t m = 0; m < m_amplitude.size(); ++m) m_amplitude[m] = m_amplitudes[sums[m]];
    m_rows.Fill(m_amplitude, spectrum);
    InverseRealFFT(static_cast<std::int32_t>(m_length), spectrum);
  }

  // From c to c + span: weight 0.5 − 0.5 cos(pi (t − c) / span) on b, the rest on a. The weights
  // depend only on where the first sample falls after c, which is the same for every pair of
  // columns when a column holds a whole number of samples, so a blend no longer than the period
  // keeps them for the next; a longer one makes them run by run. Runs are cut where the index
  // wraps round the period, so that the loop inside reads both waveforms in order.
  void Blend(const std::vector<double>& a, const std::vector<double>& b, double c, double span, std::int64_t from,
             std::int64_t to) {
    if (to <= from) return;
    const double inverse = 1.0 / span;
    const double first = (static_cast<double>(from) - c) * inverse - 0.5;
    const auto count = static_cast<std::size_t>(to - from);
    const bool kept = count <= m_length;
    if (kept && (first != m_weightsFirst || inverse != m_weightsStep || count != m_weights.size())) {
      m_weights.resize(count);
      FillWeights(first, inverse, 0, m_weights);
      m_weightsFirst = first;
      m_weightsStep = inverse;
    }
    for (std::int64_t t = from; t < to;) {
      const std::size_t i = static_cast<std::size_t>(t) & (m_length - 1);
      const std::size_t run = std::min(static_cast<std::size_t>(to - t), m_length - i);
      const double* weights = m_weights.data() + (t - from);
      if (!kept) {
        m_weights.resize(run);
        FillWeights(first, inverse, t - from, m_weights);
        m_weightsStep = 0;  // what is held no longer belongs to a whole blend
        weights = m_weights.data();
      }
      m_peak = std::max(m_peak, BlendRun(a.data() + i, b.data() + i, weights,
                                         m_out.subspan(static_cast<std::size_t>(t), run)));
      t += static_cast<std::int64_t>(run);
    }
  }

  TColumnReader& m_reader;
  const std::array<double, 766>& m_amplitudes;
  const TRowPartials& m_rows;
  int m_width;
  std::span<float> m_out;
  std::size_t m_length;
  double m_share;
  std::vector<double> m_amplitude;
  std::vector<double> m_current;
  std::vector<double> m_next;
  std::vector<double> m_silence;
  std::vector<double> m_weights;
  double m_weightsFirst = 0;
  double m_weightsStep = 0;
  float m_peak = 0.0f;
};

// Below this many samples a second thread costs more than it saves.
constexpr std::size_t kSmoothSharedSamples = std::size_t{1} << 18;
constexpr int kHelperBlockColumns = 16;

}  // namespace

float SynthesizeSmooth(TColumnReader& reader, const std::array<double, 766>& amplitudes, const TRowPartials& rows,
                       int width, std::span<float> out, TProgressSink& progress, const TThreadStarter& startThread) {
  const int middle = width / 2;
  std::thread helper;
  std::exception_ptr helperError;
  std::atomic<int> helperColumns{0};
  float helperPeak = 0.0f;
  std::optional<TColumnReader> helperReader;
  std::optional<TSmoothPart> second;
  if (width >= 4 && out.size() >= kSmoothSharedSamples && UsableProcessors() > 1) {
    helperReader.emplace(reader, kHelperBlockColumns);
    second.emplace(*helperReader, amplitudes, rows, width, out);
    try {
      helper = startThread([&] {
        try {
          helperPeak = second->Run(middle, width - 1, [&](int) { helperColumns.fetch_add(1, std::memory_order_relaxed); });
        } catch (...) {
          helperError = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: this one does it all.
    }
  }
  // Whatever happens below, the helper has ended before its part and the buffers go.
  struct TJoin {
    std::thread& thread;
    ~TJoin() { if (thread.joinable()) thread.join(); }
  } join{helper};

  TSmoothPart first(reader, amplitudes, rows, width, out);
  const bool shared = helper.joinable();
  int done = 0;
  const float peak = first.Run(0, shared ? middle : width - 1, [&](int) {
    ++done;
    progress.SetPosition(done + helperColumns.load(std::memory_order_relaxed) - 1);
  });
  if (!shared) return peak;
  helper.join();
  if (helperError) std::rethrow_exception(helperError);
  progress.SetPosition(width - 1);
  return std::max(peak, helperPeak);
}

}  // namespace ombrisk
