#include "synthesis/sample_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ombrisk {

namespace {

constexpr std::size_t kSampleBytes = 2;

}  // namespace

TSampleWriter::TSampleWriter(TStream& stream, std::size_t blockBytes)
    : m_stream(stream), m_block(std::max(blockBytes, kSampleBytes) / kSampleBytes * kSampleBytes) {}

void TSampleWriter::Append(std::span<const std::int16_t> samples) {
  while (!samples.empty()) {
    const std::size_t room = (m_block.size() - m_used) / kSampleBytes;
    const std::size_t count = std::min(room, samples.size());
    std::uint8_t* to = m_block.data() + m_used;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(to, samples.data(), count * kSampleBytes);
    } else {
      for (std::size_t i = 0; i < count; ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        to[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        to[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
      }
    }
    m_used += count * kSampleBytes;
    samples = samples.subspan(count);
    if (m_used == m_block.size()) Flush();
  }
}

void TSampleWriter::Flush() {
  if (m_used == 0) return;
  const std::size_t used = m_used;
  m_used = 0;
  m_stream.WriteBuffer(m_block.data(), used);
}

}  // namespace ombrisk
