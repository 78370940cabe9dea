#include "playback/wave_sample_source.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "signal/wave_header.h"
#include "toolkit/exception.h"
#include "toolkit/file_stream.h"

namespace ombrisk {

namespace {

constexpr std::int64_t kBytesPerSample = 2;

}  // namespace

TWaveSampleSource::TWaveSampleSource(const std::string& path)
    : TWaveSampleSource(std::make_unique<TFileStream>(path, TFileMode::fmOpenRead), path) {}

TWaveSampleSource::TWaveSampleSource(std::unique_ptr<TStream> stream, const std::string& name)
    : m_stream(std::move(stream)) {
  const std::uint32_t dataBytes = ReadWaveHeader(*m_stream, name);
  const std::int64_t present = m_stream->Size() - kWaveHeaderBytes;
  m_sampleCount = std::min<std::int64_t>(dataBytes, present) / kBytesPerSample;
}

std::int32_t TWaveSampleSource::SampleRateHz() const { return static_cast<std::int32_t>(kSampleRateHz); }

void TWaveSampleSource::Seek(std::int64_t sample) {
  m_position = std::clamp<std::int64_t>(sample, 0, m_sampleCount);
  m_stream->SetPosition(kWaveHeaderBytes + m_position * kBytesPerSample);
}

std::size_t TWaveSampleSource::Read(void* buffer, std::size_t maxBytes) {
  const std::int64_t samples =
      std::min<std::int64_t>(static_cast<std::int64_t>(maxBytes / kBytesPerSample), m_sampleCount - m_position);
  const auto bytes = static_cast<std::size_t>(samples * kBytesPerSample);
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t filled = 0;
  while (filled < bytes) {
    const std::size_t got = m_stream->Read(out + filled, bytes - filled);
    // The file was shorter when it was opened than now: it was cut while it played.
    if (got == 0) throw EReadError(kSReadError);
    filled += got;
  }
  if constexpr (std::endian::native == std::endian::big) {
    for (std::size_t i = 0; i < bytes; i += kBytesPerSample) std::swap(out[i], out[i + 1]);
  }
  m_position += samples;
  return bytes;
}

}  // namespace ombrisk
