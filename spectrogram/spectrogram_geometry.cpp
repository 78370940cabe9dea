#include "spectrogram/spectrogram_geometry.h"

#include <cmath>
#include <string>

#include "spectrogram/window_functions.h"

namespace ombrisk {

std::int32_t SampleSizeForIndex(int index) {
  if (index < 0 || index >= kSampleSizeCount) {
    throw EInvalidSettings("sample size index " + std::to_string(index) + " is not one of 0 to " +
                           std::to_string(kSampleSizeCount - 1));
  }
  return kSmallestSampleSize << index;
}

void ValidateSpectrogramSettings(const TSpectrogramSettings& settings) {
  const std::int32_t n = settings.SampleSize;
  const bool powerOfTwo = n > 0 && (n & (n - 1)) == 0;
  if (!powerOfTwo || n < kSmallestSampleSize || n > kLargestSampleSize) {
    throw EInvalidSettings("sample size " + std::to_string(n) +
                           " is not one of 128, 256, 512, 1024, 2048, 4096, 8192");
  }
  WindowFunctionByIndex(settings.WindowIndex);
  if (settings.BrightnessMax <= 0 || settings.BrightnessPosition < 0 ||
      settings.BrightnessPosition > settings.BrightnessMax) {
    throw EInvalidSettings("brightness " + std::to_string(settings.BrightnessPosition) + " of " +
                           std::to_string(settings.BrightnessMax) + " is outside its scale");
  }
}

std::int64_t SpectrogramWidth(std::uint32_t dataBytes, std::int32_t sampleSize) {
  const std::int64_t samples = dataBytes / 2;
  return (samples + sampleSize - 1) / sampleSize;
}

double BrightnessFactor(const TSpectrogramSettings& settings) {
  const long double factor = static_cast<long double>(settings.BrightnessPosition) * 0.001L /
                             static_cast<long double>(settings.BrightnessMax);
  return static_cast<double>(factor);
}

double FullScaleBinMagnitude(const TSpectrogramSettings& settings) {
  const TWindowFunction window = WindowFunctionByIndex(settings.WindowIndex);
  double weights = 0.0;
  for (std::int32_t j = 0; j < settings.SampleSize / 2; ++j) weights += window(settings.SampleSize, j);
  return 32768.0 / 2.0 * weights * BrightnessFactor(settings);
}

std::vector<int> SpectrogramRows(std::int32_t sampleSize, bool logFrequency) {
  const std::int32_t height = SpectrogramHeight(sampleSize);
  std::vector<int> rows(static_cast<std::size_t>(height), kNoRow);
  if (!logFrequency) {
    for (std::int32_t k = 0; k < height; ++k) rows[static_cast<std::size_t>(k)] = height - 1 - k;
    return rows;
  }
  const long double top = static_cast<long double>(height - 1);
  const long double topLog = std::log10(top);
  for (std::int32_t k = 1; k < height; ++k) {
    const long double r = top * std::log10(static_cast<long double>(k)) / topLog;
    const long long row = std::llrint(r);
    rows[static_cast<std::size_t>(k)] = height - 1 - static_cast<int>(row);
  }
  return rows;
}

}  // namespace ombrisk
