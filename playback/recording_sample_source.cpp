#include "playback/recording_sample_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

namespace ombrisk {

namespace {

constexpr std::size_t kOutputBytesPerSample = 2;
// Decoded in pieces of this many samples whatever the device asks for.
constexpr std::int64_t kChunkSamples = 4096;

}  // namespace

std::int16_t SixteenBitSample(float sample) {
  // NaN fails both comparisons of the clamp's bounds, so it is caught first.
  if (std::isnan(sample)) return 0;
  const double scaled = std::nearbyint(std::clamp(double{sample} * 32768.0, -32768.0, 32767.0));
  return static_cast<std::int16_t>(scaled);
}

TRecordingSampleSource::TRecordingSampleSource(const std::string& path, std::int32_t channel,
                                               std::int64_t shownSamples)
    : m_reader(path, channel), m_sampleCount(std::max<std::int64_t>(shownSamples, 0)) {}

void TRecordingSampleSource::Seek(std::int64_t sample) {
  m_position = std::clamp<std::int64_t>(sample, 0, m_sampleCount);
  // The reader moves only as far as the file announces; what it holds beyond is read past.
  const std::int64_t reachable = std::min(m_position, m_reader.Info().Frames);
  try {
    m_reader.Seek(reachable);
  } catch (const ERecordingError&) {
    // A file cut short cannot move past where it stops (a FLAC file keeps announcing its whole
    // length): it ends before the sample asked for, and plays nothing from there.
    if (reachable == 0) throw;
    m_sampleCount = m_position;
    return;
  }
  for (std::int64_t left = m_position - reachable; left > 0;) {
    m_decoded.resize(static_cast<std::size_t>(std::min<std::int64_t>(left, kChunkSamples)));
    const std::size_t got = m_reader.Read(std::span<float>(m_decoded));
    if (got == 0) {
      m_sampleCount = m_position = m_position - left;
      return;
    }
    left -= static_cast<std::int64_t>(got);
  }
}

std::size_t TRecordingSampleSource::Read(void* buffer, std::size_t maxBytes) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t written = 0;
  std::size_t wanted = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(maxBytes / kOutputBytesPerSample), m_sampleCount - m_position));
  while (wanted > 0) {
    m_decoded.resize(std::min(wanted, static_cast<std::size_t>(kChunkSamples)));
    const std::size_t got = m_reader.Read(std::span<float>(m_decoded));
    if (got == 0) {
      // The file ends before the length it announced: play what there is.
      m_sampleCount = m_position;
      break;
    }
    for (std::size_t i = 0; i < got; ++i) {
      const std::int16_t value = SixteenBitSample(m_decoded[i]);
      std::memcpy(out + written, &value, kOutputBytesPerSample);
      written += kOutputBytesPerSample;
    }
    m_position += static_cast<std::int64_t>(got);
    wanted -= got;
  }
  return written;
}

}  // namespace ombrisk
