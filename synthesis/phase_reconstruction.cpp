#include "synthesis/phase_reconstruction.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <exception>
#include <functional>
#include <numbers>
#include <queue>
#include <random>
#include <system_error>
#include <thread>

#include "signal/short_time_fourier.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

using TSpectrum = std::vector<std::complex<float>>;

// Work over 0 … total, the upper part on a second thread when there is a processor for it. The
// parts never overlap in what they write, so the split does not change the result.
void RunShared(std::int64_t total, std::int32_t size, const TThreadStarter& startThread,
               const std::function<void(std::int64_t, std::int64_t, TShortTimeFourier&)>& work) {
  TShortTimeFourier own(size);
  if (total < 64 || UsableProcessors() < 2) {
    work(0, total, own);
    return;
  }
  const std::int64_t middle = total / 2;
  std::exception_ptr failure;
  std::thread helper;
  try {
    helper = startThread([&] {
      try {
        TShortTimeFourier stft(size);
        work(middle, total, stft);
      } catch (...) {
        failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    work(0, total, own);
    return;
  }
  try {
    work(0, middle, own);
  } catch (...) {
    helper.join();
    throw;
  }
  helper.join();
  if (failure) std::rethrow_exception(failure);
}

class TReconstruction {
public:
  TReconstruction(const TMagnitudes& m, const TEditableParameters& p, const TThreadStarter& startThread)
      : m_m(m), m_p(p), m_start(startThread), m_bins(static_cast<std::size_t>(m.Bins)),
        m_sound(static_cast<std::size_t>(p.Samples)), m_weight(static_cast<std::size_t>(p.Samples), 0.0) {
    // The least-squares overlap-add divides by the sum of the squared windows over each sample.
    const std::vector<double> window = HannWindow(p.Size);
    for (std::int64_t c = 0; c < m.Columns; ++c) {
      const std::int64_t start = c * p.Hop - p.Size / 2;
      for (std::int64_t j = std::max<std::int64_t>(0, -start); j < p.Size && start + j < p.Samples; ++j) {
        const double w = window[static_cast<std::size_t>(j)];
        m_weight[static_cast<std::size_t>(start + j)] += w * w;
      }
    }
    for (double& w : m_weight) w = w > 1e-12 ? 1.0 / w : 0.0;
  }

  // sound = the least-squares signal of spectrum; each thread makes a stretch of samples from the
  // frames that reach it, in the same order, so a sample's sum never depends on the split.
  void Synthesize(const TSpectrum& spectrum) {
    const std::int64_t length = m_p.Samples;
    const std::int64_t stretches = (length + 4095) / 4096;
    RunShared(stretches, m_p.Size, m_start, [&](std::int64_t first, std::int64_t last, TShortTimeFourier& stft) {
      const std::int64_t begin = first * 4096;
      const std::int64_t end = std::min(last * 4096, length);
      std::fill(m_sound.begin() + begin, m_sound.begin() + end, 0.0);
      std::vector<double> frame(static_cast<std::size_t>(m_p.Size));
      const std::int64_t half = m_p.Size / 2;
      const std::int64_t firstColumn = std::max<std::int64_t>(0, (begin - half) / m_p.Hop);
      for (std::int64_t c = firstColumn; c < m_m.Columns && c * m_p.Hop - half < end; ++c) {
        const std::int64_t start = c * m_p.Hop - half;
        if (start + m_p.Size <= begin) continue;
        const std::complex<float>* const bins = spectrum.data() + static_cast<std::size_t>(c) * m_bins;
        if (std::all_of(bins, bins + m_bins, [](std::complex<float> v) { return v == std::complex<float>{}; })) {
          continue;
        }
        stft.InverseWindowed(bins, frame.data());
        const std::int64_t from = std::max(begin, start);
        const std::int64_t to = std::min(end, start + m_p.Size);
        for (std::int64_t t = from; t < to; ++t) m_sound[static_cast<std::size_t>(t)] += frame[static_cast<std::size_t>(t - start)];
      }
      for (std::int64_t t = begin; t < end; ++t) m_sound[static_cast<std::size_t>(t)] *= m_weight[static_cast<std::size_t>(t)];
    });
  }

  // One fast Griffin-Lim step: the spectrum of the sound, given the wanted magnitudes (projected),
  // then pushed on past the previous projection by the momentum.
  void Project(TSpectrum& estimate, TSpectrum& previous, double momentum) {
    const auto alpha = static_cast<float>(momentum);
    RunShared(m_m.Columns, m_p.Size, m_start, [&](std::int64_t first, std::int64_t last, TShortTimeFourier& stft) {
      std::vector<std::complex<float>> bins(m_bins);
      for (std::int64_t c = first; c < last; ++c) {
        stft.Forward(m_sound, c * m_p.Hop, bins.data());
        const std::size_t at = static_cast<std::size_t>(c) * m_bins;
        for (std::size_t k = 0; k < m_bins; ++k) {
          const float wanted = m_m.Values[at + k];
          // sqrt of the norm, not std::abs: hypot guards against overflow no magnitude here needs, at
          // several times the cost.
          const float got = std::sqrt(std::norm(bins[k]));
          const std::complex<float> projected = wanted == 0.0f ? std::complex<float>{}
                                                : got > 0.0f   ? bins[k] * (wanted / got)
                                                               : std::complex<float>{wanted, 0.0f};
          estimate[at + k] = projected + alpha * (projected - previous[at + k]);
          previous[at + k] = projected;
        }
      }
    });
  }

  const std::vector<double>& Sound() const { return m_sound; }

private:
  const TMagnitudes& m_m;
  const TEditableParameters& m_p;
  const TThreadStarter& m_start;
  std::size_t m_bins;
  std::vector<double> m_sound;
  std::vector<double> m_weight;
};

// Phase-gradient heap integration, one column after another. The Hann window is treated as the
// Gaussian of the same time-frequency spread (λ = 0.25645 × size²), for which the phase's
// gradient follows from the log-magnitude's; the phases start where the spectrum is loudest and
// spread to quieter neighbours in time and frequency. Bins more than 100 dB below the loudest
// (or the range, if smaller) get random phases: their gradients are noise.
void IntegratePhases(const TMagnitudes& m, const TEditableParameters& p, std::mt19937& random, TSpectrum& spectrum) {
  const std::size_t bins = static_cast<std::size_t>(m.Bins);
  const double pi = std::numbers::pi;
  const double a = p.Hop;
  const double n = p.Size;
  const double lambda = 0.25645 * n * n;
  const float loudest = m.Values.empty() ? 0.0f : *std::max_element(m.Values.begin(), m.Values.end());
  const double floorDb = std::min(100.0, p.RangeDb);
  const auto tolerance = static_cast<float>(loudest * std::pow(10.0, -floorDb / 20.0));
  const double logFloor = std::log(std::max(static_cast<double>(loudest) * 1e-12, 1e-300));
  const std::int64_t lastColumn = m.Columns - 1;
  const std::int64_t lastBin = m.Bins - 1;
  // The log-magnitudes of the columns before, at and after the one being integrated.
  std::vector<double> logBefore(bins), logHere(bins), logAfter(bins);
  const auto fillLogs = [&](std::int64_t c, std::vector<double>& out) {
    const float* const v = m.Values.data() + static_cast<std::size_t>(c) * bins;
    for (std::size_t k = 0; k < bins; ++k) out[k] = v[k] > 0.0f ? std::log(static_cast<double>(v[k])) : logFloor;
  };
  // Radians per hop from the log-magnitude's slope across frequency, plus the bin's own turn.
  const auto timeGradient = [&](std::int64_t k) {
    const std::int64_t below = std::max<std::int64_t>(k - 1, 0);
    const std::int64_t above = std::min(k + 1, lastBin);
    const double slope = above > below ? (logHere[static_cast<std::size_t>(above)] - logHere[static_cast<std::size_t>(below)]) /
                                             static_cast<double>(above - below)
                                       : 0.0;
    return a * n / lambda * slope + 2.0 * pi * a * static_cast<double>(k) / n;
  };
  // Radians per bin from the log-magnitude's slope across time.
  std::int64_t columnSpan = 0;
  const auto frequencyGradient = [&](std::int64_t k) {
    const auto at = static_cast<std::size_t>(k);
    const double slope = columnSpan > 0 ? (logAfter[at] - logBefore[at]) / static_cast<double>(columnSpan) : 0.0;
    return -lambda / (a * n) * slope;
  };

  std::uniform_real_distribution<double> turn(-pi, pi);
  std::vector<double> previous(bins, 0.0), phase(bins, 0.0), previousTime(bins, 0.0), timeNow(bins, 0.0);
  std::vector<char> previousSure(bins, 0), done(bins, 0);
  struct TEntry {
    float magnitude;
    std::int32_t bin;
    bool previousColumn;
    bool operator<(const TEntry& other) const { return magnitude < other.magnitude; }
  };
  std::priority_queue<TEntry> heap;
  if (m.Columns > 0) fillLogs(0, logHere);
  for (std::int64_t c = 0; c < m.Columns; ++c) {
    const float* const values = m.Values.data() + static_cast<std::size_t>(c) * bins;
    const std::int64_t before = std::max<std::int64_t>(c - 1, 0);
    const std::int64_t after = std::min(c + 1, lastColumn);
    if (c == 0) logBefore = logHere;
    fillLogs(after, logAfter);
    columnSpan = after - before;
    for (std::size_t k = 0; k < bins; ++k) {
      done[k] = values[k] > tolerance ? 0 : 1;
      if (done[k] != 0) phase[k] = turn(random);
      timeNow[k] = timeGradient(static_cast<std::int64_t>(k));
    }
    for (std::size_t k = 0; k < bins; ++k) {
      if (previousSure[k] != 0) heap.push({m.Values[static_cast<std::size_t>(c - 1) * bins + k], static_cast<std::int32_t>(k), true});
    }
    for (;;) {
      if (heap.empty()) {
        // A new start: the loudest bin no neighbour has reached keeps its phase from nothing.
        std::size_t start = bins;
        for (std::size_t k = 0; k < bins; ++k) {
          if (done[k] == 0 && (start == bins || values[k] > values[start])) start = k;
        }
        if (start == bins) break;
        phase[start] = 0.0;
        done[start] = 1;
        heap.push({values[start], static_cast<std::int32_t>(start), false});
      }
      const TEntry top = heap.top();
      heap.pop();
      const auto k = static_cast<std::size_t>(top.bin);
      if (top.previousColumn) {
        if (done[k] == 0) {
          phase[k] = previous[k] + (previousTime[k] + timeNow[k]) / 2.0;
          done[k] = 1;
          heap.push({values[k], top.bin, false});
        }
        continue;
      }
      for (const std::int64_t step : {-1, 1}) {
        const std::int64_t neighbour = static_cast<std::int64_t>(k) + step;
        if (neighbour < 0 || neighbour > lastBin || done[static_cast<std::size_t>(neighbour)] != 0) continue;
        const auto j = static_cast<std::size_t>(neighbour);
        phase[j] = phase[k] + static_cast<double>(step) *
                                  (frequencyGradient(static_cast<std::int64_t>(k)) + frequencyGradient(neighbour)) / 2.0;
        done[j] = 1;
        heap.push({values[j], static_cast<std::int32_t>(neighbour), false});
      }
    }
    // The gradients count phase from the frame's centre; the transform counts from its start,
    // half a frame earlier, which turns bin k by k half-turns.
    std::complex<float>* const out = spectrum.data() + static_cast<std::size_t>(c) * bins;
    for (std::size_t k = 0; k < bins; ++k) {
      const double turned = std::remainder(phase[k] + pi * static_cast<double>(k), 2.0 * pi);
      out[k] = std::polar(values[k], static_cast<float>(turned));
      previous[k] = std::remainder(phase[k], 2.0 * pi);
      previousSure[k] = values[k] > tolerance ? 1 : 0;
    }
    std::swap(previousTime, timeNow);
    // The window of log-magnitudes moves on by a column.
    std::swap(logBefore, logHere);
    std::swap(logHere, logAfter);
  }
}

}  // namespace

TMagnitudes MagnitudesOfLevels(std::span<const std::uint16_t> levels, std::int64_t columns,
                               const TEditableParameters& p) {
  TMagnitudes m;
  m.Columns = columns;
  m.Bins = p.Size / 2 + 1;
  const auto bins = static_cast<std::size_t>(m.Bins);
  const auto width = static_cast<std::size_t>(columns);
  m.Values.resize(static_cast<std::size_t>(CheckedMultiply(width, bins)));
  const double fullScale = FullScaleEditableMagnitude(p.Size);
  // One magnitude per level, worked out once.
  std::vector<float> table(65536);
  for (std::size_t level = 0; level < table.size(); ++level) {
    table[level] = static_cast<float>(MagnitudeOfLevel(static_cast<std::uint16_t>(level), fullScale, p.RangeDb));
  }
  for (std::size_t row = 0; row < bins; ++row) {
    const std::size_t k = bins - 1 - row;
    const std::uint16_t* const line = levels.data() + row * width;
    for (std::size_t c = 0; c < width; ++c) m.Values[c * bins + k] = table[line[c]];
  }
  return m;
}

std::vector<double> ReconstructSound(const TMagnitudes& magnitudes, const TEditableParameters& p,
                                     const TReconstructionSettings& settings, const TThreadStarter& startThread) {
  ValidateEditableParameters(p);
  TSpectrum estimate(magnitudes.Values.size());
  std::mt19937 random(20261209u);
  if (settings.Start == TStartPhase::HeapIntegration) {
    IntegratePhases(magnitudes, p, random, estimate);
  } else {
    std::uniform_real_distribution<double> turn(-std::numbers::pi, std::numbers::pi);
    for (std::size_t i = 0; i < estimate.size(); ++i) {
      estimate[i] = std::polar(magnitudes.Values[i], static_cast<float>(turn(random)));
    }
  }
  TSpectrum previous = estimate;
  TReconstruction run(magnitudes, p, startThread);
  for (int i = 0; i < settings.Iterations; ++i) {
    run.Synthesize(estimate);
    run.Project(estimate, previous, settings.Momentum);
  }
  // The last projection holds exactly the wanted magnitudes (zeros stay zeros).
  run.Synthesize(settings.Iterations > 0 ? previous : estimate);
  return run.Sound();
}

}  // namespace ombrisk
