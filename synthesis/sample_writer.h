// Collects 16-bit samples and writes them to a stream in large blocks: one system call per
// mebibyte instead of one per column keeps small columns from costing more in writes than in maths.
//
//   TSampleWriter out(file, n);
//   ScaleSamples(output, out.Extend(n));   // the samples are made in place in the block
//   out.Flush();                            // at the end
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
  // The block holds blockBytes, or more when one column (columnSamples) would not fit.
  explicit TSampleWriter(TStream& stream, std::size_t columnSamples = 0, std::size_t blockBytes = kSampleBlockBytes);
  TSampleWriter(const TSampleWriter&) = delete;
  TSampleWriter& operator=(const TSampleWriter&) = delete;

  // Room for count samples at the end of the block, which the caller must fill entirely; a full
  // block is written out first. count is at most the block's capacity.
  std::span<std::int16_t> Extend(std::size_t count);
  void Append(std::span<const std::int16_t> samples);
  // Raises EWriteError when the stream takes fewer bytes than offered.
  void Flush();

  std::size_t CapacitySamples() const { return m_block.size(); }

private:
  TStream& m_stream;
  std::vector<std::int16_t> m_block;
  std::size_t m_used = 0;
};

// Writes the samples as signed 16-bit little-endian values (reordering them in place on a
// big-endian host). Raises EWriteError when the stream takes fewer bytes than offered.
void WriteSamples(TStream& stream, std::span<std::int16_t> samples);

}  // namespace ombrisk
