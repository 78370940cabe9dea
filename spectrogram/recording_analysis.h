// The analysis of a decoded recording: same settings, columns and rows as AnalyzeWave, on the
// file's own rate (row r is the bin at r × rate / SampleSize). Raises what TRecordingReader raises.
//
//   TRecordingInfo info;
//   std::unique_ptr<TPixelBitmap> picture = AnalyzeRecording(path, 0, settings, progress, &info);
//
// Samples at full scale (±1) weigh as ±32768 do in AnalyzeWave, so a 16-bit mono wave looks the
// same read either way. The picture is ceil(Frames ÷ N) columns wide, Frames as the file announces
// it; a file that ends early leaves the columns it does not reach black, as a short wave does. A
// file that announces no length (libsndfile's INT64_MAX: an Ogg file cut short) is as wide as
// its samples, and *info then holds Frames = width × N.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "recording/recording_reader.h"
#include "spectrogram/spectrogram_analysis.h"
#include "toolkit/pixel_bitmap.h"
#include "toolkit/progress.h"
#include "toolkit/second_thread.h"

namespace ombrisk {

std::unique_ptr<TPixelBitmap> AnalyzeRecording(const std::string& path, std::int32_t channel,
                                               const TSpectrogramSettings& settings, TProgressSink& progress,
                                               TRecordingInfo* info = nullptr);

// The same run on a reader standing at its first frame. Where there are processors to spare, the
// decoding runs ahead on one thread and the columns are drawn on another, both started by
// startThread (recording_prefetch.h, column_painter.h); the picture is the same either way.
std::unique_ptr<TPixelBitmap> AnalyzeRecordingReader(TRecordingReader& reader, const TSpectrogramSettings& settings,
                                                     TProgressSink& progress,
                                                     const TThreadStarter& startThread = StartThread);

}  // namespace ombrisk
