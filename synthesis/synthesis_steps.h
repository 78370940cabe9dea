// The pieces of one synthesis run, each usable alone: the column length, the size check of the
// wave, the inter-column phase step and the turning of transform output into 16-bit samples.
//
//   const std::int32_t n = SamplesPerColumn(height);          // 2 × the power of two ≥ height
//   ApplyBinPhase(spectrum, n);  InverseRealFFT(n, spectrum);  ScaleSamples(spectrum, samples);
#pragma once

#include <cstdint>
#include <span>

#include "toolkit/instruction_sets.h"

namespace ombrisk {

// Output of the inverse transform is multiplied by this before rounding.
inline constexpr double kSampleGain = 5.0;
// Phase step applied to every bin of every column after the first, in radians.
inline constexpr double kBinPhaseAngle = 0.707;
// The largest data length whose RIFF size (36 + D) still fits the header's 32-bit field.
inline constexpr std::uint64_t kMaxWaveDataBytes = 0xFFFFFFFFull - 36;

inline constexpr const char* kSWaveTooLarge =
    "%s × %s ピクセルの画像の音声は %s バイトになり、WAVE ファイルの上限 %s バイトを超えます";

// N = Round(2^Ceil(log2 height) × 2); 0 for a height of 0 or less, which has no columns to sound.
std::int32_t SamplesPerColumn(int height);

// D = width × n × 2. Raises EOutOfResources with kSWaveTooLarge when D exceeds kMaxWaveDataBytes.
std::uint32_t WaveDataBytes(int width, int height, std::int32_t n);

// The lower half (0 … n/2 − 1) is multiplied by cos(0.707), the upper half by sin(0.707) and
// reversed within itself (entry n/2 + i moves to n − 1 − i).
void ApplyBinPhase(std::span<double> spectrum, std::int32_t n);

// x is already whole: 32767 above 32767, −32768 below −32768, else x.
std::int16_t ClampSample(double x);

// samples[t] = ClampSample(Round(output[t] × 5.0)), the product and rounding (half to even) worked
// in extended precision. Both spans have the same length.
void ScaleSamples(std::span<const double> output, std::span<std::int16_t> samples);
// The paths ScaleSamples was built with; every one gives the same samples.
TKernelPaths& SampleRoundingPaths();

}  // namespace ombrisk
