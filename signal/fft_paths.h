// The transforms by instruction set, for tests and benchmarks that compare the paths; the
// product calls ForwardRealFFT / InverseRealFFT, which take the best path the processor has.
//
//   for (TFftPath p : AvailableFftPaths()) ForwardRealFFTOn(p, n, data);
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ombrisk::fft_detail {

enum class TFftPath { Portable, Sse2, Avx2 };

// The paths this processor runs, the portable one first.
std::vector<TFftPath> AvailableFftPaths();
// The path ForwardRealFFT and InverseRealFFT use here.
TFftPath BestFftPath();
const char* FftPathName(TFftPath path);

// path must be one of AvailableFftPaths(); n and data as for ForwardRealFFT / InverseRealFFT.
void ForwardRealFFTOn(TFftPath path, std::int32_t n, std::span<double> data);
void InverseRealFFTOn(TFftPath path, std::int32_t n, std::span<double> data);

}  // namespace ombrisk::fft_detail
