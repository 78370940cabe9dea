#include "spectrogram/sound_view_source.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "spectrogram/sample_window.h"
#include "spectrogram/view_spectrum.h"
#include "spectrogram/view_summary.h"
#include "toolkit/second_thread.h"

namespace ombrisk {

namespace {

using TClock = std::chrono::steady_clock;

// How often a render reports its columns: often enough for a window to draw smoothly.
constexpr auto kProgressInterval = std::chrono::milliseconds(40);
// Spans shorter than this are decoded by one thread: a second one would cost more than it saves.
constexpr double kSplitSamples = 1 << 20;

// Runs work(part) for parts 0 … parts − 1 side by side, part 0 on the calling thread; what a part
// raises is raised here once all have stopped. Without a thread to be had, the parts run in turn.
void RunParts(int parts, const std::function<void(int)>& work, std::atomic<bool>& stop) {
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
  const auto guarded = [&](int part) {
    try {
      work(part);
    } catch (...) {
      failures[static_cast<std::size_t>(part)] = std::current_exception();
      stop = true;
    }
  };
  std::vector<std::thread> helpers;
  for (int part = 1; part < parts; ++part) {
    try {
      helpers.push_back(StartThread([&guarded, part] { guarded(part); }));
    } catch (const std::system_error&) {
      for (int rest = part; rest < parts; ++rest) guarded(rest);
      break;
    }
  }
  guarded(0);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace

struct TSoundViewSource::TState {
  std::string path;
  TRecordingInfo info;
  // Guards summary; held briefly by the renders' threads and for the whole of a QuickRender.
  mutable std::mutex summaryLock;
  TViewSummary summary;

  TState(std::string p, const TRecordingInfo& i) : path(std::move(p)), info(i), summary(i) {}
};

// The shared part of one render: the levels, which columns are drawn, and the progress calls,
// all under one lock.
struct TRenderRun {
  const TSoundView& view;
  const TViewProgress& progress;
  TViewLevels levels;
  std::mutex lock;
  std::atomic<bool> stop{false};

  TRenderRun(const TSoundView& v, const TViewProgress& p) : view(v), progress(p), levels(SilentLevels(v.Width, v.Height)) {}

  // Columns first … end − 1 are written: counts and reports them.
  void Finished(int first, int end) {
    const std::lock_guard<std::mutex> guard(lock);
    levels.ColumnsDone += end - first;
    Report(first, end);
  }
  // Caller holds lock. Each range is reported once, so a window that copies what it is told
  // misses nothing; the callers space their calls out.
  void Report(int first, int end) {
    if (!progress || first >= end || stop) return;
    if (!progress(levels, first, end)) stop = true;
  }
};

TSoundViewSource::TSoundViewSource(const std::string& path) {
  TRecordingReader reader(path, 0);
  TRecordingInfo info = reader.Info();
  // libsndfile's answer for a file whose length it cannot tell (an Ogg file cut short): views
  // need the length, so count what it holds, once.
  if (info.Frames == INT64_MAX) {
    std::vector<float> chunk(1 << 16);
    info.Frames = 0;
    while (const std::size_t got = reader.Read(chunk)) info.Frames += static_cast<std::int64_t>(got);
  }
  m_state = std::make_unique<TState>(path, info);
}

TSoundViewSource::~TSoundViewSource() = default;

const TRecordingInfo& TSoundViewSource::Info() const { return m_state->info; }

const std::string& TSoundViewSource::Path() const { return m_state->path; }

TViewLevels TSoundViewSource::Render(const TSoundView& view, const TViewProgress& progress) {
  const TRecordingInfo& info = m_state->info;
  ValidateSoundView(view, info);
  const double rate = info.SampleRateHz;
  const double perColumn = (view.ToSeconds - view.FromSeconds) * rate / view.Width;
  const int parts = std::clamp(UsableProcessors(), 1, 2);
  TRenderRun run(view, progress);

  TViewSummary& summary = m_state->summary;
  if (view.FrameSamples == 0 && perColumn >= static_cast<double>(2 * summary.FrameSamples())) {
    // Wide: the summary's columns the view needs, computed where missing, the view drawn from them.
    std::vector<std::uint8_t> held;
    std::pair<std::int64_t, std::int64_t> needed;
    {
      const std::lock_guard<std::mutex> guard(m_state->summaryLock);
      summary.Prepare(view.Channel, view.WindowIndex);
      needed = {summary.ColumnsFor(view, info.SampleRateHz, 0).first,
                summary.ColumnsFor(view, info.SampleRateHz, view.Width - 1).second};
      for (std::int64_t c = needed.first; c < needed.second; ++c) held.push_back(summary.Filled(c) ? 1 : 0);
    }
    const TRowMap rows(view, summary.FrameSamples(), info.SampleRateHz);
    std::vector<std::uint8_t> drawn(static_cast<std::size_t>(view.Width), 0);
    std::vector<double> scratch;
    // Draws every view column whose summary columns are all held, then reports them with the
    // summary's lock let go (a window may want it for a quick picture meanwhile); caller holds run.lock.
    const auto drawReady = [&] {
      std::vector<std::pair<int, int>> ranges;
      {
        const std::lock_guard<std::mutex> guard(m_state->summaryLock);
        int first = -1;
        for (int x = 0; x <= view.Width; ++x) {
          bool ready = false;
          if (x < view.Width && !drawn[static_cast<std::size_t>(x)]) {
            const auto columns = summary.ColumnsFor(view, info.SampleRateHz, x);
            if (summary.FilledAll(columns)) {
              summary.DrawColumn(columns, rows, run.levels, x, scratch);
              drawn[static_cast<std::size_t>(x)] = 1;
              ++run.levels.ColumnsDone;
              ready = true;
            }
          }
          if (ready && first < 0) first = x;
          if (!ready && first >= 0) {
            ranges.emplace_back(first, x);
            first = -1;
          }
        }
      }
      for (const auto& [first, end] : ranges) run.Report(first, end);
    };
    const std::int64_t count = needed.second - needed.first;
    const int used = static_cast<double>(count * summary.ColumnSamples()) > kSplitSamples ? parts : 1;
    const auto work = [&](int part) {
      const std::int64_t lo = needed.first + count * part / used;
      const std::int64_t hi = needed.first + count * (part + 1) / used;
      TRecordingReader reader(m_state->path, view.Channel);
      TSampleWindow samples(reader);
      TFramePower frame(summary.FrameSamples(), view.WindowIndex);
      std::vector<std::vector<double>> batch;
      std::vector<std::int64_t> batchColumns;
      TClock::time_point started = TClock::now();
      const auto flush = [&] {
        {
          const std::lock_guard<std::mutex> guard(m_state->summaryLock);
          for (std::size_t i = 0; i < batchColumns.size(); ++i) summary.Store(batchColumns[i], batch[i]);
        }
        batchColumns.clear();
        const std::lock_guard<std::mutex> guard(run.lock);
        drawReady();
        started = TClock::now();
      };
      for (std::int64_t c = lo; c < hi && !run.stop; ++c) {
        if (held[static_cast<std::size_t>(c - needed.first)]) continue;
        if (batch.size() <= batchColumns.size()) batch.emplace_back(summary.Bins());
        summary.Compute(samples, frame, c, batch[batchColumns.size()]);
        batchColumns.push_back(c);
        if (TClock::now() - started >= kProgressInterval) flush();
      }
      if (!batchColumns.empty()) flush();
    };
    RunParts(used, work, run.stop);
    const std::lock_guard<std::mutex> guard(run.lock);
    drawReady();
    return std::move(run.levels);
  }

  // Narrow: each column transformed from its own frames, overlapping as the columns crowd.
  const std::int32_t n = ChosenFrameSamples(view, info.SampleRateHz);
  const TRowMap rows(view, n, info.SampleRateHz);
  const double first = view.FromSeconds * rate;
  // Frames no more than half a frame apart, so that every sample is weighed fully by one of them.
  const auto framesPerColumn = static_cast<int>(std::max(1.0, std::ceil(2.0 * perColumn / n)));
  const int used = perColumn * view.Width + n > kSplitSamples ? parts : 1;
  const auto work = [&](int part) {
    const int lo = view.Width * part / used;
    const int hi = view.Width * (part + 1) / used;
    TRecordingReader reader(m_state->path, view.Channel);
    TSampleWindow samples(reader);
    TFramePower frame(n, view.WindowIndex);
    int reported = lo;
    // The first column is reported at once, so a window has something to draw straight away.
    TClock::time_point lastReport = TClock::now() - kProgressInterval;
    for (int x = lo; x < hi && !run.stop; ++x) {
      frame.Clear();
      for (int j = 0; j < framesPerColumn; ++j) {
        const double middle = first + (x + (j + 0.5) / framesPerColumn) * perColumn;
        frame.Add(samples.Get(std::llround(middle - n / 2.0), n));
      }
      rows.Draw(frame.Mean(), run.levels, x);
      if (x + 1 == hi || TClock::now() - lastReport >= kProgressInterval) {
        lastReport = TClock::now();
        run.Finished(reported, x + 1);
        reported = x + 1;
      }
    }
  };
  RunParts(used, work, run.stop);
  return std::move(run.levels);
}

std::optional<TViewLevels> TSoundViewSource::QuickRender(const TSoundView& view) const {
  const TRecordingInfo& info = m_state->info;
  try {
    ValidateSoundView(view, info);
  } catch (const EViewError&) {
    return std::nullopt;
  }
  const std::lock_guard<std::mutex> guard(m_state->summaryLock);
  const TViewSummary& summary = m_state->summary;
  if (!summary.Holds(view.Channel, view.WindowIndex)) return std::nullopt;
  const TRowMap rows(view, summary.FrameSamples(), info.SampleRateHz);
  TViewLevels levels = SilentLevels(view.Width, view.Height);
  std::vector<double> scratch;
  for (int x = 0; x < view.Width; ++x) {
    const auto columns = summary.ColumnsFor(view, info.SampleRateHz, x);
    if (!summary.FilledAll(columns)) continue;
    summary.DrawColumn(columns, rows, levels, x, scratch);
    ++levels.ColumnsDone;
  }
  if (levels.ColumnsDone == 0) return std::nullopt;
  return levels;
}

}  // namespace ombrisk
