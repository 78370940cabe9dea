// The last step of the smooth synthesis: the whole sound, held as floats, scaled and rounded to
// 16-bit samples and written in order.
//
//   WriteScaledSamples(file, sound, 30934.0 / peak);   // after the wave header
//
// Sample t is round(sound[t] × scale), halves to even, within −32767 … 32767. For a long sound
// a second thread packs the second half's samples in place while the calling thread rounds and
// writes the first half; the bytes are the same either way. The floats are used up: afterwards
// the buffer holds no sound.
#pragma once

#include <span>

#include "toolkit/second_thread.h"
#include "toolkit/stream.h"

namespace ombrisk {

void WriteScaledSamples(TStream& file, std::span<float> sound, double scale,
                        const TThreadStarter& startThread = StartThread);
// The same rounding for two channels of equal length, written as frames: left sample, right sample.
// A long sound's second half is packed in place over left's floats by a second thread, as above;
// left is used up.
void WriteScaledFrames(TStream& file, std::span<float> left, std::span<const float> right, double scale,
                       const TThreadStarter& startThread = StartThread);

}  // namespace ombrisk
