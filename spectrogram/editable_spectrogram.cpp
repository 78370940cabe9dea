#include "spectrogram/editable_spectrogram.h"

#include <complex>

#include "signal/short_time_fourier.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

TEditableSpectrogram AnalyzeEditable(std::span<const double> sound, const TEditableParameters& p) {
  ValidateEditableParameters(p);
  TEditableSpectrogram result;
  result.Columns = EditableColumns(p);
  result.Rows = p.Size / 2 + 1;
  const auto columns = static_cast<std::size_t>(result.Columns);
  // Our decoder holds a picture in an 8-bit bitmap of at most kMaxBitmapBytes: a larger one could
  // be written but never read back.
  if (CheckedMultiply(columns, static_cast<std::uint64_t>(result.Rows)) > kMaxBitmapBytes ||
      result.Columns > kMaxBitmapSide) {
    throw EEditableParameterError("a sound of " + std::to_string(p.Samples) + " samples needs " +
                                  std::to_string(result.Columns) + " columns of " + std::to_string(result.Rows) +
                                  " rows, more than a picture can hold here; choose a larger hop");
  }
  result.Levels.resize(static_cast<std::size_t>(CheckedMultiply(columns, static_cast<std::uint64_t>(result.Rows))));
  TShortTimeFourier stft(p.Size);
  std::vector<std::complex<float>> bins(static_cast<std::size_t>(stft.Bins()));
  const double fullScale = FullScaleEditableMagnitude(p.Size);
  for (std::size_t column = 0; column < columns; ++column) {
    stft.Forward(sound, static_cast<std::int64_t>(column) * p.Hop, bins.data());
    for (std::int32_t k = 0; k < result.Rows; ++k) {
      const std::size_t row = static_cast<std::size_t>(result.Rows - 1 - k);
      result.Levels[row * columns + column] =
          LevelOfMagnitude(std::sqrt(static_cast<double>(std::norm(bins[static_cast<std::size_t>(k)]))), fullScale, p.RangeDb);
    }
  }
  return result;
}

std::vector<double> ReadWholeRecording(const std::string& path, std::int32_t channel, TRecordingInfo* info) {
  TRecordingReader reader(path, channel);
  std::vector<double> sound;
  std::vector<float> buffer(65536);
  while (const std::size_t got = reader.Read(buffer)) sound.insert(sound.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
  if (info != nullptr) {
    *info = reader.Info();
    info->Frames = static_cast<std::int64_t>(sound.size());
  }
  return sound;
}

}  // namespace ombrisk
