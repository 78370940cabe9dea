#include "synthesis/sample_writer.h"

#include <bit>
#include <cstddef>

namespace ombrisk {

namespace {

constexpr std::size_t kSampleBytes = 2;

}  // namespace

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
