#include "spectrogram/recording_analysis.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "recording/recording_prefetch.h"
#include "spectrogram/column_painter.h"
#include "spectrogram/spectrogram_block.h"
#include "spectrogram/spectrogram_geometry.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

int ProgressValue(std::int64_t value) { return static_cast<int>(std::min<std::int64_t>(value, INT_MAX)); }

}  // namespace

std::unique_ptr<TPixelBitmap> AnalyzeRecording(const std::string& path, std::int32_t channel,
                                               const TSpectrogramSettings& settings, TProgressSink& progress,
                                               TRecordingInfo* info) {
  ValidateSpectrogramSettings(settings);
  TRecordingReader reader(path, channel);
  std::unique_ptr<TPixelBitmap> picture = AnalyzeRecordingReader(reader, settings, progress);
  if (info != nullptr) *info = reader.Info();
  return picture;
}

std::unique_ptr<TPixelBitmap> AnalyzeRecordingReader(TRecordingReader& reader, const TSpectrogramSettings& settings,
                                                     TProgressSink& progress, const TThreadStarter& startThread) {
  ValidateSpectrogramSettings(settings);
  const std::int32_t sampleSize = settings.SampleSize;
  const std::int32_t height = SpectrogramHeight(sampleSize);
  const std::int64_t frames = reader.Info().Frames;
  const std::int64_t width = frames / sampleSize + (frames % sampleSize != 0 ? 1 : 0);
  CheckBitmapSize(width, height, 32);
  auto picture = std::make_unique<TPixelBitmap>();
  picture->SetSize(static_cast<int>(width), height);

  TSpectrogramBlock block(settings);
  TColumnPainter painter(settings, *picture, startThread);
  TRecordingPrefetch samples(reader, startThread);

  // Column x holds blocks 2x and 2x + 1 of N/2 samples each; the later one shows, the earlier
  // only when it is the last. Both are decoded, the hidden one is never transformed.
  const std::size_t half = static_cast<std::size_t>(height);
  std::vector<float> first(half);
  std::vector<float> second(half);
  const std::int64_t blocks = frames / half + (frames % static_cast<std::int64_t>(half) != 0 ? 1 : 0);
  progress.SetMax(ProgressValue(blocks));
  std::int64_t blockIndex = 0;
  for (std::int64_t x = 0; x < width; ++x) {
    const std::size_t gotFirst = samples.Read(first);
    if (gotFirst == 0) break;
    const std::size_t gotSecond = gotFirst == half ? samples.Read(second) : 0;
    if (gotSecond > 0) {
      block.LoadRecorded(std::span<const float>(second.data(), gotSecond));
    } else {
      block.LoadRecorded(std::span<const float>(first.data(), gotFirst));
    }
    block.Transform();
    painter.Paint(block, static_cast<int>(x));
    blockIndex += gotSecond > 0 ? 2 : 1;
    progress.SetPosition(ProgressValue(blockIndex));
  }
  painter.Finish();
  return picture;
}

}  // namespace ombrisk
