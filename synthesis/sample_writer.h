// Writes 16-bit samples to a stream as signed little-endian values, whatever the host.
//
//   WriteSamples(file, samples);   // one call per batch of columns
#pragma once

#include <cstdint>
#include <span>

#include "toolkit/stream.h"

namespace ombrisk {

// Reorders the samples in place on a big-endian host before writing. Raises EWriteError when the
// stream takes fewer bytes than offered.
void WriteSamples(TStream& stream, std::span<std::int16_t> samples);

}  // namespace ombrisk
