// The columns of one synthesis, worked on two threads: a helper reads the pixels and fills the
// spectra ahead of time, and rounds and writes the transformed columns behind, while the calling
// thread does the inverse transforms. The transforms are the longest step, so the reads, the
// rounding and the writes cost little more than the second processor's time. When the helper falls
// behind, the calling thread rounds the columns it has just transformed instead of waiting.
//
//   SynthesizeColumns(reader, spectrum, n, width, file, progress);   // after the wave header
//
// The samples reach the stream in column order, exactly as one thread would write them; progress
// is reported on the calling thread only (position x after column x). An error on either thread
// stops both and is raised on the calling thread; nothing more is written after it.
#pragma once

#include <cstdint>

#include "synthesis/column_reader.h"
#include "synthesis/column_spectrum.h"
#include "toolkit/progress.h"
#include "toolkit/stream.h"

namespace ombrisk {

void SynthesizeColumns(TColumnReader& reader, const TColumnSpectrum& spectrum, std::int32_t n, int width, TStream& file,
                       TProgressSink& progress);

}  // namespace ombrisk
