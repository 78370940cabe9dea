// The spectrogram analysis: a wave file in, a grey picture out, one column per block of N samples,
// N/2 rows, the lowest bin at the bottom.
//
//   TSpectrogramSettings s;   // the preview window's defaults
//   std::unique_ptr<TPixelBitmap> picture = AnalyzeWave(path, s, progress);
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/pixel_bitmap.h"
#include "toolkit/progress.h"
#include "toolkit/second_thread.h"
#include "toolkit/stream.h"

namespace ombrisk {

struct TSpectrogramSettings {
  std::int32_t SampleSize = 1024;        // N: 128, 256, … 8192
  int WindowIndex = 3;                   // 0 Hanning, 1 Hamming, 2 Blackman, 3 Rectangler, 4 Gaussian
  bool LogFrequency = false;
  bool LogVoltage = false;
  std::int32_t BrightnessPosition = 50;  // 0 … BrightnessMax
  std::int32_t BrightnessMax = 100;
  bool InvertBrightness = false;
};

// Opens path for reading and analyses it. Raises the file-open error before anything else, the
// wave reader's error for a file shorter than its header, EOutOfResources naming the size when
// the header announces a picture that cannot be held, EInvalidSettings (spectrogram_geometry.h)
// for settings no control can produce. The file is closed on every way out.
std::unique_ptr<TPixelBitmap> AnalyzeWave(const std::string& path, const TSpectrogramSettings& settings,
                                          TProgressSink& progress);

// The same run on a stream standing at its start; fileName is only for messages. The columns are
// drawn on a second thread started by startThread where there is one (column_painter.h).
std::unique_ptr<TPixelBitmap> AnalyzeWaveStream(TStream& stream, const std::string& fileName,
                                                const TSpectrogramSettings& settings, TProgressSink& progress,
                                                const TThreadStarter& startThread = StartThread);

}  // namespace ombrisk
