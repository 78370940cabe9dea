// Collects 16-bit samples and writes them to a stream in large blocks: one system call per
// mebibyte instead of one per column keeps small columns from costing more in writes than in maths.
//
//   TSampleWriter out(file);  out.Append(samples);  ...  out.Flush();
//
// Samples go out as signed 16-bit little-endian values whatever the host. Flush must be called to
// write the last block; the destructor drops what is still pending, since it cannot report a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "toolkit/stream.h"

namespace ombrisk {

inline constexpr std::size_t kSampleBlockBytes = std::size_t{1} << 20;

class TSampleWriter {
public:
  explicit TSampleWriter(TStream& stream, std::size_t blockBytes = kSampleBlockBytes);
  TSampleWriter(const TSampleWriter&) = delete;
  TSampleWriter& operator=(const TSampleWriter&) = delete;

  // Raises EWriteError when the stream takes fewer bytes than a full block.
  void Append(std::span<const std::int16_t> samples);
  void Flush();

private:
  TStream& m_stream;
  std::vector<std::uint8_t> m_block;
  std::size_t m_used = 0;
};

}  // namespace ombrisk
