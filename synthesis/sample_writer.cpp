#include "synthesis/sample_writer.h"

#include <algorithm>
#include <bit>

namespace ombrisk {

namespace {

constexpr std::size_t kSampleBytes = 2;

}  // namespace

TSampleWriter::TSampleWriter(TStream& stream, std::size_t columnSamples, std::size_t blockBytes)
    : m_stream(stream), m_block(std::max({blockBytes / kSampleBytes, columnSamples, std::size_t{1}})) {}

std::span<std::int16_t> TSampleWriter::Extend(std::size_t count) {
  if (m_block.size() - m_used < count) Flush();
  const std::span<std::int16_t> room(m_block.data() + m_used, count);
  m_used += count;
  return room;
}

void TSampleWriter::Append(std::span<const std::int16_t> samples) {
  while (!samples.empty()) {
    const std::size_t count = std::min(samples.size(), m_block.size());
    std::copy_n(samples.begin(), count, Extend(count).begin());
    samples = samples.subspan(count);
  }
}

void TSampleWriter::Flush() {
  if (m_used == 0) return;
  const std::size_t used = m_used;
  m_used = 0;
  WriteSamples(m_stream, std::span<std::int16_t>(m_block.data(), used));
}

void WriteSamples(TStream& stream, std::span<std::int16_t> samples) {
  if constexpr (std::endian::native == std::endian::big) {
    for (std::int16_t& sample : samples) {
      const auto value = static_cast<std::uint16_t>(sample);
      sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(value << 8 | value >> 8));
    }
  }
  stream.WriteBuffer(samples.data(), samples.size() * kSampleBytes);
}

}  // namespace ombrisk
