#include "spectrogram/sample_window.h"

#include <algorithm>

namespace ombrisk {

namespace {

// A gap this long between frames is sought over rather than decoded.
constexpr std::int64_t kSeekGapSamples = 1 << 16;
// Decoded at least this many at a time, so that each call into the decoder is worth its cost.
constexpr std::int64_t kReadSamples = 1 << 14;

}  // namespace

std::span<const float> TSampleWindow::Get(std::int64_t start, std::int32_t n) {
  m_frame.assign(static_cast<std::size_t>(n), 0.0f);
  const std::int64_t end = start + n;
  if (start < m_bufferStart || start > HeldEnd() + kSeekGapSamples) MoveTo(std::max<std::int64_t>(start, 0));
  // Drop what no later frame needs, in one move once it is most of what is held.
  if (start > m_bufferStart) {
    const std::int64_t drop = std::min(start - m_bufferStart, static_cast<std::int64_t>(m_buffer.size()));
    if (drop == static_cast<std::int64_t>(m_buffer.size()) || drop > static_cast<std::int64_t>(m_buffer.size()) / 2) {
      m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(drop));
      m_bufferStart += drop;
    }
    if (m_buffer.empty() && m_bufferStart < start) Skip(start - m_bufferStart);
  }
  while (!m_ended && HeldEnd() < end) {
    const std::size_t had = m_buffer.size();
    const auto want = static_cast<std::size_t>(std::max(end - HeldEnd(), kReadSamples));
    m_buffer.resize(had + want);
    const std::size_t got = m_reader.Read(std::span<float>(m_buffer.data() + had, want));
    m_buffer.resize(had + got);
    if (got < want) m_ended = true;
  }
  const std::int64_t from = std::max(start, m_bufferStart);
  const std::int64_t to = std::min(end, HeldEnd());
  if (from < to) {
    std::copy(m_buffer.begin() + (from - m_bufferStart), m_buffer.begin() + (to - m_bufferStart),
              m_frame.begin() + (from - start));
  }
  return m_frame;
}

void TSampleWindow::MoveTo(std::int64_t sample) {
  m_reader.Seek(sample);
  m_buffer.clear();
  m_bufferStart = std::min(sample, m_reader.Info().Frames);
  m_ended = false;
}

void TSampleWindow::Skip(std::int64_t count) {
  std::vector<float> scratch(static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 15)));
  while (count > 0 && !m_ended) {
    const auto want = static_cast<std::size_t>(std::min(count, static_cast<std::int64_t>(scratch.size())));
    const std::size_t got = m_reader.Read(std::span<float>(scratch.data(), want));
    if (got < want) m_ended = true;
    count -= static_cast<std::int64_t>(got);
    m_bufferStart += static_cast<std::int64_t>(got);
  }
}

}  // namespace ombrisk
