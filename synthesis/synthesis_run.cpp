#include "synthesis/synthesis_run.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "signal/wave_fft.h"
#include "signal/wave_header.h"
#include "synthesis/column_pipeline.h"
#include "synthesis/column_reader.h"
#include "synthesis/column_spectrum.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"
#include "toolkit/pixel_bitmap.h"
#include "toolkit/safe_file_stream.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

std::int32_t SamplesPerColumn(int height) {
  if (height <= 0) return 0;
  // log2 of a power of two is exact in extended precision, so H = 2^k gives exactly 2^(k+1).
  const long double power = std::exp2(std::ceil(std::log2(static_cast<long double>(height))));
  const long long n = std::llrint(power * 2.0L);
  if (n > std::numeric_limits<std::int32_t>::max()) {
    throw EOutOfResources(FormatMessage(kSBitmapTooLarge, {"?", std::to_string(height)}));
  }
  return static_cast<std::int32_t>(n);
}

std::uint32_t WaveDataBytes(int width, int height, std::int32_t n) {
  const std::uint64_t columns = static_cast<std::uint64_t>(std::max(width, 0));
  const std::uint64_t bytes = CheckedMultiply(CheckedMultiply(columns, static_cast<std::uint64_t>(n)), 2);
  if (bytes > kMaxWaveDataBytes) {
    throw EOutOfResources(FormatMessage(kSWaveTooLarge, {std::to_string(width), std::to_string(height),
                                                         std::to_string(bytes), std::to_string(kMaxWaveDataBytes)}));
  }
  return static_cast<std::uint32_t>(bytes);
}

void ApplyBinPhase(std::span<double> spectrum, std::int32_t n) {
  const std::size_t half = static_cast<std::size_t>(n >> 1);
  const std::size_t size = static_cast<std::size_t>(n);
  // Every bin turns by the same angle, so one cosine and one sine serve the whole buffer; the
  // reversal of the upper half is done in place rather than through a scratch copy.
  const long double angle = kBinPhaseAngle;
  const long double cosine = std::cos(angle);
  const long double sine = std::sin(angle);
  for (std::size_t i = 0; i < half; ++i) spectrum[i] = static_cast<double>(spectrum[i] * cosine);
  for (std::size_t i = half; i < size; ++i) spectrum[i] = static_cast<double>(spectrum[i] * sine);
  std::reverse(spectrum.begin() + static_cast<std::ptrdiff_t>(half), spectrum.begin() + static_cast<std::ptrdiff_t>(size));
}

std::int16_t ClampSample(double x) {
  if (x > 32767.0) return 32767;
  if (x >= -32768.0) return static_cast<std::int16_t>(x);
  return -32768;  // also where x is not a number, rather than an undefined conversion
}

void RunSynthesis(const TBitmap& picture, const TSynthesisSettings& settings, const std::string& outputPath,
                  TProgressSink& progress) {
  // Opening comes first: a path that cannot be created is the error the user sees, whatever else
  // is wrong. The samples go to a temporary file beside the target that replaces it only when
  // complete, so a failed run leaves the user's old file as it was; everything below is released
  // by destructors on every way out.
  TSafeFileStream file(outputPath);
  TPixelBitmap working;

  const int height = picture.Height();
  const int width = picture.Width();
  const bool hasPixels = width > 0 && height > 0;
  const std::int32_t n = hasPixels ? SamplesPerColumn(height) : 0;
  const std::uint32_t dataBytes = WaveDataBytes(width, height, n);
  const TSynthesisSettings chosen = settings;

  WriteWaveHeader(file, dataBytes);

  progress.SetMax(hasPixels ? width - 1 : 0);
  if (hasPixels) {
    // The display picture is held at 24 bits and is read in place; other depths are first copied
    // to 32 bits. The reader applies the flips and the quarter turn as it reads (column_reader.h),
    // so the picture itself is never changed.
    const TBitmap* source = &picture;
    if (!TColumnReader::CanRead(picture)) {
      working.Assign(picture);
      source = &working;
    }
    TColumnReader reader(*source, chosen.MirrorX, chosen.MirrorY);
    const TColumnSpectrum column(height, n, chosen);
    SynthesizeColumns(reader, column, n, width, file, progress);
  }
  progress.SetPosition(0);
  file.Commit();
}

}  // namespace ombrisk
