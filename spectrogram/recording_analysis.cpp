#include "spectrogram/recording_analysis.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "recording/recording_prefetch.h"
#include "spectrogram/column_painter.h"
#include "spectrogram/spectrogram_block.h"
#include "spectrogram/spectrogram_geometry.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

// What libsndfile announces for a file whose length it cannot tell (an Ogg file cut short).
constexpr std::int64_t kUnknownFrames = INT64_MAX;
// Columns of each further piece of picture where a file holds more than it announced.
constexpr std::int64_t kPieceColumns = 4096;

// The columns of a recording: column x holds blocks 2x and 2x + 1 of N/2 samples each; the later
// one shows, the earlier only when it is the last. Both are decoded, the hidden one is never
// transformed.
class TColumnSource {
public:
  TColumnSource(TRecordingPrefetch& samples, std::size_t half, TProgressSink& progress)
      : m_samples(samples), m_first(half), m_second(half), m_progress(progress) {}

  // Loads and transforms the next column's block; false at the end of the samples.
  bool Next(TSpectrogramBlock& block) {
    const std::size_t half = m_first.size();
    const std::size_t gotFirst = m_samples.Read(m_first);
    if (gotFirst == 0) return false;
    const std::size_t gotSecond = gotFirst == half ? m_samples.Read(m_second) : 0;
    if (gotSecond > 0) {
      block.LoadRecorded(std::span<const float>(m_second.data(), gotSecond));
    } else {
      block.LoadRecorded(std::span<const float>(m_first.data(), gotFirst));
    }
    block.Transform();
    m_frames += static_cast<std::int64_t>(gotFirst + gotSecond);
    m_blocks += gotSecond > 0 ? 2 : 1;
    m_progress.SetPosition(ProgressValue(m_blocks));
    return true;
  }

  std::int64_t Frames() const { return m_frames; }

private:
  TRecordingPrefetch& m_samples;
  std::vector<float> m_first;
  std::vector<float> m_second;
  TProgressSink& m_progress;
  std::int64_t m_frames = 0;
  std::int64_t m_blocks = 0;
};

// Draws columns into picture from its column 0 until it is full or the source ends, the block
// standing loaded when `loaded`; returns the columns drawn.
std::int64_t DrawColumns(TColumnSource& source, TSpectrogramBlock& block, bool loaded,
                         const TSpectrogramSettings& settings, TPixelBitmap& picture,
                         const TThreadStarter& startThread) {
  const std::int64_t width = picture.Width();
  TColumnPainter painter(settings, picture, startThread);
  std::int64_t x = 0;
  if (loaded) painter.Paint(block, static_cast<int>(x++));
  while (x < width && source.Next(block)) painter.Paint(block, static_cast<int>(x++));
  painter.Finish();
  return x;
}

// A piece of picture and the columns drawn into it.
using TPiece = std::pair<std::unique_ptr<TPixelBitmap>, std::int64_t>;

// The columns of the first picture and then of each piece, side by side.
std::unique_ptr<TPixelBitmap> Joined(std::unique_ptr<TPixelBitmap> first, const std::vector<TPiece>& pieces) {
  if (pieces.empty()) return first;
  const int height = first->Height();
  std::int64_t width = first->Width();
  for (const auto& piece : pieces) width += piece.second;
  CheckBitmapSize(width, height, 32);
  auto picture = std::make_unique<TPixelBitmap>();
  picture->SetSize(static_cast<int>(width), height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture->ScanLine(y);
    // A picture 0 columns wide has no rows to copy from.
    if (first->Width() > 0) std::memcpy(row, first->ScanLine(y), static_cast<std::size_t>(first->Width()) * 4);
    row += static_cast<std::size_t>(first->Width()) * 4;
    for (const auto& piece : pieces) {
      std::memcpy(row, piece.first->ScanLine(y), static_cast<std::size_t>(piece.second) * 4);
      row += static_cast<std::size_t>(piece.second) * 4;
    }
  }
  return picture;
}

}  // namespace

std::unique_ptr<TPixelBitmap> AnalyzeRecording(const std::string& path, std::int32_t channel,
                                               const TSpectrogramSettings& settings, TProgressSink& progress,
                                               TRecordingInfo* info) {
  ValidateSpectrogramSettings(settings);
  TRecordingReader reader(path, channel);
  std::unique_ptr<TPixelBitmap> picture = AnalyzeRecordingReader(reader, settings, progress);
  if (info != nullptr) {
    *info = reader.Info();
    if (info->Frames == kUnknownFrames) {
      info->Frames = static_cast<std::int64_t>(picture->Width()) * settings.SampleSize;
    }
  }
  return picture;
}

std::unique_ptr<TPixelBitmap> AnalyzeRecordingReader(TRecordingReader& reader, const TSpectrogramSettings& settings,
                                                     TProgressSink& progress, const TThreadStarter& startThread) {
  ValidateSpectrogramSettings(settings);
  const std::int32_t sampleSize = settings.SampleSize;
  const std::int32_t height = SpectrogramHeight(sampleSize);
  const std::int64_t half = height;
  const std::int64_t frames = reader.Info().Frames;
  const bool known = frames != kUnknownFrames;
  const std::int64_t width = known ? frames / sampleSize + (frames % sampleSize != 0 ? 1 : 0) : 0;
  CheckBitmapSize(width, height, 32);
  auto picture = std::make_unique<TPixelBitmap>();
  picture->SetSize(static_cast<int>(width), height);
  progress.SetMax(known ? ProgressValue(frames / half + (frames % half != 0 ? 1 : 0)) : 0);

  TSpectrogramBlock block(settings);
  TRecordingPrefetch samples(reader, startThread);
  TColumnSource source(samples, static_cast<std::size_t>(half), progress);
  const std::int64_t drawn = width > 0 ? DrawColumns(source, block, false, settings, *picture, startThread) : 0;
  // A file that announces no length, or less than it holds, goes on in pieces, each checked
  // against the limits before it is made.
  std::vector<TPiece> pieces;
  std::int64_t total = width;
  while (drawn == width && source.Next(block)) {
    CheckBitmapSize(total + 1, height, 32);
    auto piece = std::make_unique<TPixelBitmap>();
    piece->SetSize(static_cast<int>(kPieceColumns), height);
    const std::int64_t columns = DrawColumns(source, block, true, settings, *piece, startThread);
    total += columns;
    pieces.emplace_back(std::move(piece), columns);
    if (columns < kPieceColumns) break;
  }
  return Joined(std::move(picture), pieces);
}

}  // namespace ombrisk
