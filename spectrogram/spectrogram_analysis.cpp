#include "spectrogram/spectrogram_analysis.h"

#include <algorithm>
#include <climits>

#include "spectrogram/block_reader.h"
#include "spectrogram/column_painter.h"
#include "spectrogram/spectrogram_block.h"
#include "spectrogram/spectrogram_geometry.h"
#include "signal/wave_header.h"
#include "toolkit/file_stream.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

std::unique_ptr<TPixelBitmap> AnalyzeWave(const std::string& path, const TSpectrogramSettings& settings,
                                          TProgressSink& progress) {
  ValidateSpectrogramSettings(settings);
  TFileStream file(path, TFileMode::fmOpenRead);
  return AnalyzeWaveStream(file, path, settings, progress);
}

std::unique_ptr<TPixelBitmap> AnalyzeWaveStream(TStream& stream, const std::string& fileName,
                                                const TSpectrogramSettings& settings, TProgressSink& progress,
                                                const TThreadStarter& startThread) {
  ValidateSpectrogramSettings(settings);
  auto picture = std::make_unique<TPixelBitmap>();

  const std::uint32_t dataBytes = ReadWaveHeader(stream, fileName);

  const std::int32_t sampleSize = settings.SampleSize;
  const std::int32_t height = SpectrogramHeight(sampleSize);
  const std::int64_t width = SpectrogramWidth(dataBytes, sampleSize);
  // D is whatever the header says; refuse before any pixel memory is asked for.
  CheckBitmapSize(width, height, 32);
  // A freshly sized bitmap is all zero bytes, which is the black fill: no second pass over it.
  picture->SetSize(static_cast<int>(width), height);

  TSpectrogramBlock block(settings);
  TColumnPainter painter(settings, *picture, startThread);

  const std::int64_t length = stream.Size();
  progress.SetMax(ProgressValue(length / sampleSize));
  TBlockReader reader(stream, stream.Position(), length, static_cast<std::size_t>(sampleSize));
  std::int64_t blockIndex = 0;
  while (!reader.AtEnd()) {
    const std::span<const std::uint8_t> bytes = reader.Next();
    // Blocks 2x and 2x + 1 share column x, the later one showing; a block past the announced
    // width (a header whose D is too small) is read and counted but draws nothing. An even block
    // with another after it would be painted over in full, so it is not worked out at all.
    const std::int64_t x = blockIndex / 2;
    const bool hidden = blockIndex % 2 == 0 && !reader.AtEnd();
    if (x < width && !hidden) {
      block.Load(bytes);
      block.Transform();
      painter.Paint(block, static_cast<int>(x));
    }
    ++blockIndex;
    progress.SetPosition(ProgressValue(blockIndex));
  }
  painter.Finish();
  return picture;
}

}  // namespace ombrisk
