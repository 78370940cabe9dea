#include "playback/wave_player.h"

#include <algorithm>

#include "playback/playhead_geometry.h"
#include "playback/wave_sample_source.h"
#include "toolkit/exception.h"

namespace ombrisk {

TWavePlayer::TWavePlayer(TAudioSink& sink) : m_sink(sink) {}

TWavePlayer::~TWavePlayer() { Stop(); }

bool TWavePlayer::Play(const std::string& path, std::int32_t sampleSize, std::int64_t column) {
  Stop();
  return Play(std::make_unique<TWaveSampleSource>(path), sampleSize, column);
}

bool TWavePlayer::Play(std::unique_ptr<TSampleSource> source, std::int32_t sampleSize, std::int64_t column) {
  Stop();
  const std::int64_t start = FirstSampleOfColumn(column, sampleSize);
  if (column < 0 || start >= source->SampleCount()) return false;
  source->Seek(start);
  m_sampleSize = sampleSize;
  m_startSample = start;
  m_source = std::move(source);
  m_sink.Start(*m_source);
  return true;
}

void TWavePlayer::Stop() {
  if (!m_source) return;
  m_sink.Stop();
  m_source.reset();
}

void TWavePlayer::Poll() {
  if (!m_source) return;
  const std::string failure = m_sink.Failure();
  if (!failure.empty()) {
    Stop();
    throw Exception(failure);
  }
  if (m_sink.Drained()) Stop();
}

std::int64_t TWavePlayer::HeardSample() const {
  if (!m_source) return m_startSample;
  // A decoded file may turn out shorter than announced while it plays.
  const std::int64_t last = std::max(m_source->SampleCount() - 1, m_startSample);
  return std::clamp<std::int64_t>(m_startSample + m_sink.HeardSamples(), m_startSample, last);
}

std::int64_t TWavePlayer::PlayheadColumn() const { return ColumnOfSample(HeardSample(), m_sampleSize); }

}  // namespace ombrisk
