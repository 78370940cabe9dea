#include "spectrogram/sound_view_source.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <vector>

#include "spectrogram/view_spectrum.h"

namespace ombrisk {

namespace {

// How often a render reports its columns: often enough for a window to draw smoothly.
constexpr auto kProgressInterval = std::chrono::milliseconds(40);
// A gap this long between frames is sought over rather than decoded.
constexpr std::int64_t kSeekGapSamples = 1 << 16;

// The samples a run of frames needs, read forward through the file; frames must come in order of
// their start. Samples before the start or after the end of the file are silence.
class TSampleWindow {
public:
  explicit TSampleWindow(TRecordingReader& reader) : m_reader(reader) {}

  // The n samples from start (a sample index, possibly negative).
  std::span<const float> Get(std::int64_t start, std::int32_t n) {
    m_frame.assign(static_cast<std::size_t>(n), 0.0f);
    const std::int64_t end = start + n;
    if (start < m_bufferStart || start > m_bufferStart + static_cast<std::int64_t>(m_buffer.size()) + kSeekGapSamples) {
      MoveTo(std::max<std::int64_t>(start, 0));
    }
    // Drop what no later frame needs.
    if (start > m_bufferStart) {
      const auto drop = static_cast<std::size_t>(std::min<std::int64_t>(start - m_bufferStart, static_cast<std::int64_t>(m_buffer.size())));
      m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(drop));
      m_bufferStart += static_cast<std::int64_t>(drop);
      if (m_buffer.empty() && m_bufferStart < start) Skip(start - m_bufferStart);
    }
    while (!m_ended && m_bufferStart + static_cast<std::int64_t>(m_buffer.size()) < end) {
      const std::size_t had = m_buffer.size();
      const auto want = static_cast<std::size_t>(std::max<std::int64_t>(end - m_bufferStart - static_cast<std::int64_t>(had), 4096));
      m_buffer.resize(had + want);
      const std::size_t got = m_reader.Read(std::span<float>(m_buffer.data() + had, want));
      m_buffer.resize(had + got);
      if (got < want) m_ended = true;
    }
    const std::int64_t from = std::max(start, m_bufferStart);
    const std::int64_t to = std::min(end, m_bufferStart + static_cast<std::int64_t>(m_buffer.size()));
    for (std::int64_t i = from; i < to; ++i) {
      m_frame[static_cast<std::size_t>(i - start)] = m_buffer[static_cast<std::size_t>(i - m_bufferStart)];
    }
    return m_frame;
  }

private:
  void MoveTo(std::int64_t sample) {
    m_reader.Seek(sample);
    m_buffer.clear();
    m_bufferStart = sample;
    m_ended = false;
  }
  // Decodes and drops count samples (cheaper than a seek for a short gap).
  void Skip(std::int64_t count) {
    std::vector<float> scratch(static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 15)));
    while (count > 0 && !m_ended) {
      const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count, static_cast<std::int64_t>(scratch.size())));
      const std::size_t got = m_reader.Read(std::span<float>(scratch.data(), want));
      if (got < want) m_ended = true;
      count -= static_cast<std::int64_t>(got);
      m_bufferStart += static_cast<std::int64_t>(got);
    }
  }

  TRecordingReader& m_reader;
  std::vector<float> m_buffer;
  std::int64_t m_bufferStart = 0;
  bool m_ended = false;
  std::vector<float> m_frame;
};

}  // namespace

struct TSoundViewSource::TState {
  std::string path;
  TRecordingInfo info;
};

TSoundViewSource::TSoundViewSource(const std::string& path) : m_state(std::make_unique<TState>()) {
  m_state->path = path;
  const TRecordingReader reader(path, 0);
  m_state->info = reader.Info();
}

TSoundViewSource::~TSoundViewSource() = default;

const TRecordingInfo& TSoundViewSource::Info() const { return m_state->info; }

const std::string& TSoundViewSource::Path() const { return m_state->path; }

TViewLevels TSoundViewSource::Render(const TSoundView& view, const TViewProgress& progress) {
  const TRecordingInfo& info = m_state->info;
  ValidateSoundView(view, info);
  const std::int32_t n = ChosenFrameSamples(view, info.SampleRateHz);
  TRecordingReader reader(m_state->path, view.Channel);
  TSampleWindow samples(reader);
  TFramePower frame(n, view.WindowIndex);
  const TRowMap rows(view, n, info.SampleRateHz);
  TViewLevels levels = SilentLevels(view.Width, view.Height);

  const double rate = info.SampleRateHz;
  const double first = view.FromSeconds * rate;
  const double perColumn = (view.ToSeconds - view.FromSeconds) * rate / view.Width;
  // Frames no more than half a frame apart, so that every sample is weighed fully by one of them.
  const auto framesPerColumn = static_cast<int>(std::max(1.0, std::ceil(2.0 * perColumn / n)));
  auto lastReport = std::chrono::steady_clock::now();
  int reported = 0;
  for (int x = 0; x < view.Width; ++x) {
    frame.Clear();
    for (int j = 0; j < framesPerColumn; ++j) {
      const double middle = first + (x + (j + 0.5) / framesPerColumn) * perColumn;
      frame.Add(samples.Get(std::llround(middle - n / 2.0), n));
    }
    rows.Draw(frame.Mean(), levels, x);
    levels.ColumnsDone = x + 1;
    if (progress && (x + 1 == view.Width || std::chrono::steady_clock::now() - lastReport >= kProgressInterval)) {
      lastReport = std::chrono::steady_clock::now();
      const bool more = progress(levels, reported, x + 1);
      reported = x + 1;
      if (!more) break;
    }
  }
  return levels;
}

std::optional<TViewLevels> TSoundViewSource::QuickRender(const TSoundView& view) const {
  (void)view;
  return std::nullopt;
}

}  // namespace ombrisk
