// The transforms by instruction set, for tests and benchmarks that compare the paths; the
// product calls ForwardRealFFT / InverseRealFFT, which take TransformPaths().Taken().
//
//   for (TFftPath p : AvailableFftPaths()) ForwardRealFFTOn(p, n, data);
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "toolkit/instruction_sets.h"

namespace ombrisk::fft_detail {

using TFftPath = TInstructionSet;

// The paths the transforms were built with.
TKernelPaths& TransformPaths();
// The paths this processor runs, the portable one first.
std::vector<TFftPath> AvailableFftPaths();
// The path ForwardRealFFT and InverseRealFFT take now.
TFftPath BestFftPath();

// path must be one of AvailableFftPaths(); n and data as for ForwardRealFFT / InverseRealFFT.
void ForwardRealFFTOn(TFftPath path, std::int32_t n, std::span<double> data);
void InverseRealFFTOn(TFftPath path, std::int32_t n, std::span<double> data);

}  // namespace ombrisk::fft_detail
