// The values a spectrogram run derives from its settings and the wave header before the first
// block: the picture's size, the brightness factor, and the row each transform bin is drawn on.
//
//   ValidateSpectrogramSettings(settings);                  // EInvalidSettings on nonsense
//   const std::int64_t w = SpectrogramWidth(d, 1024);       // columns for D data bytes
//   const std::vector<int> rows = SpectrogramRows(1024, true);  // kNoRow for bins never drawn
#pragma once

#include <cstdint>
#include <vector>

#include "spectrogram/spectrogram_analysis.h"
#include "toolkit/exception.h"

namespace ombrisk {

// Settings that no control of the preview window can produce.
class EInvalidSettings : public Exception { using Exception::Exception; };

inline constexpr std::int32_t kSmallestSampleSize = 128;
inline constexpr std::int32_t kLargestSampleSize = 8192;
inline constexpr int kSampleSizeCount = 7;

// 128 × 2^index for the sample-size list's item index 0 … 6.
std::int32_t SampleSizeForIndex(int index);

// N one of 128 … 8192 (a power of two), WindowIndex 0 … 4, BrightnessMax above 0 and
// BrightnessPosition within 0 … BrightnessMax.
void ValidateSpectrogramSettings(const TSpectrogramSettings& settings);

// H = N div 2.
inline std::int32_t SpectrogramHeight(std::int32_t sampleSize) { return sampleSize / 2; }

// W = ceil((D div 2) ÷ N): the whole and partial runs of N samples that D announces.
std::int64_t SpectrogramWidth(std::uint32_t dataBytes, std::int32_t sampleSize);

// BrightnessPosition × 0.001 ÷ BrightnessMax, held as a double (0.0005 for 50 of 100).
double BrightnessFactor(const TSpectrogramSettings& settings);

// The scaled magnitude a full-scale sine (amplitude 32768) on a bin's frequency reaches in that
// bin: each block transforms N/2 samples, so 32768 ÷ 2 × the window's sum over them × the
// brightness factor. What the legends and read-outs call full scale.
double FullScaleBinMagnitude(const TSpectrogramSettings& settings);

inline constexpr int kNoRow = -1;

// For each bin k = 0 … N/2 − 1 the picture row y it is drawn on (0 the top row), or kNoRow.
// Linear: y = H − 1 − k. Logarithmic: bin 0 draws nothing, bin k ≥ 1 lands on
// y = H − 1 − round((H − 1) × log10(k) ÷ log10(H − 1)).
std::vector<int> SpectrogramRows(std::int32_t sampleSize, bool logFrequency);

}  // namespace ombrisk
