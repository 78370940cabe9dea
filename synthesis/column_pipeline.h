// The columns of one synthesis, worked on two threads. Each thread takes the next short batch of
// columns and does all of it: reads the pixels, fills the spectra, transforms and rounds them, so a
// column never leaves the processor that works on it. Whichever thread completes the batch that is
// next in order writes it, and any complete ones after it.
//
//   SynthesizeColumns(reader, spectrum, n, width, file, progress);   // after the wave header
//
// The samples reach the stream in column order, exactly as one thread would write them; progress
// is reported on the calling thread only, in order (position x once column x is in the stream, so
// that after a failed write the bar shows no column the file lacks). An error on either thread
// stops both and is raised on the calling thread; nothing more is written after it. With one
// usable processor, or when no second thread can be started, the calling thread does it all.
#pragma once

#include <cstdint>

#include "synthesis/column_reader.h"
#include "synthesis/column_spectrum.h"
#include "toolkit/progress.h"
#include "toolkit/second_thread.h"
#include "toolkit/stream.h"

namespace ombrisk {

void SynthesizeColumns(const TColumnReader& reader, const TColumnSpectrum& spectrum, std::int32_t n, int width,
                       TStream& file, TProgressSink& progress, const TThreadStarter& startThread = StartThread);

}  // namespace ombrisk
