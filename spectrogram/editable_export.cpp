#include "spectrogram/editable_export.h"

#include "picture/png/png_write_grey16.h"
#include "spectrogram/editable_spectrogram.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk {

void WriteEditableSpectrogramFile(const std::string& soundPath, std::int32_t channel,
                                  const TEditableChoices& choices, const std::string& imagePath) {
  TRecordingInfo info;
  const std::vector<double> sound = ReadWholeRecording(soundPath, channel, &info);
  if (sound.empty()) throw Exception("'" + soundPath + "' holds no samples, nothing written");
  if (info.SampleRateHz > kLargestEditableRateHz) {
    throw Exception("'" + soundPath + "' runs at " + std::to_string(info.SampleRateHz) +
                    " Hz, above the 768000 Hz an editable spectrogram takes");
  }
  TEditableParameters p;
  p.RateHz = info.SampleRateHz;
  p.Size = choices.Size.value_or(DefaultEditableSize(p.RateHz));
  p.Hop = choices.Hop.value_or(p.Size / 4);
  p.RangeDb = choices.RangeDb.value_or(p.RangeDb);
  p.Samples = static_cast<std::int64_t>(sound.size());
  const TEditableSpectrogram spectrogram = AnalyzeEditable(sound, p);
  TSafeFileStream out(imagePath);
  WriteGrey16Png(out, spectrogram.Columns, spectrogram.Rows, spectrogram.Levels,
                 {{"Comment", FormatEditableParameters(p)}});
  out.Commit();
}

}  // namespace ombrisk
