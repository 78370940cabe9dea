#include "playback/recording_sample_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

namespace ombrisk {

namespace {

constexpr std::size_t kBytesPerSample = 2;
// Decoded in pieces of this many samples whatever the device asks for.
constexpr std::size_t kChunkSamples = 4096;

}  // namespace

std::int16_t SixteenBitSample(float sample) {
  // NaN fails both comparisons of the clamp's bounds, so it is caught first.
  if (std::isnan(sample)) return 0;
  const double scaled = std::nearbyint(std::clamp(double{sample} * 32768.0, -32768.0, 32767.0));
  return static_cast<std::int16_t>(scaled);
}

TRecordingSampleSource::TRecordingSampleSource(const std::string& path, std::int32_t channel)
    : m_reader(path, channel), m_sampleCount(std::max<std::int64_t>(m_reader.Info().Frames, 0)) {}

void TRecordingSampleSource::Seek(std::int64_t sample) {
  m_position = std::clamp<std::int64_t>(sample, 0, m_sampleCount);
  m_reader.Seek(m_position);
}

std::size_t TRecordingSampleSource::Read(void* buffer, std::size_t maxBytes) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t written = 0;
  std::size_t wanted = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(maxBytes / kBytesPerSample), m_sampleCount - m_position));
  while (wanted > 0) {
    m_decoded.resize(std::min(wanted, kChunkSamples));
    const std::size_t got = m_reader.Read(std::span<float>(m_decoded));
    if (got == 0) {
      // The file ends before the length it announced: play what there is.
      m_sampleCount = m_position;
      break;
    }
    for (std::size_t i = 0; i < got; ++i) {
      const std::int16_t value = SixteenBitSample(m_decoded[i]);
      std::memcpy(out + written, &value, kBytesPerSample);
      written += kBytesPerSample;
    }
    m_position += static_cast<std::int64_t>(got);
    wanted -= got;
  }
  return written;
}

}  // namespace ombrisk
