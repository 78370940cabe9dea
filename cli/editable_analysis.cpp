// ombrisk-cli analyze --editable: the 16-bit spectrogram a picture editor can change and
// "resynth" turns back into sound.
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/editable_options.h"
#include "cli/image_output.h"
#include "picture/png/png_write_grey16.h"
#include "spectrogram/editable_spectrogram.h"
#include "toolkit/exception.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk::cli {

int RunEditableAnalysis(const TCommandLine& line) {
  RequirePositionals(line, {"SOUND", "IMAGE"});
  const std::string& soundPath = line.Positionals[0];
  const std::string& imagePath = line.Positionals[1];
  if (!line.Has("--decode")) throw TUsageError("option '--editable' needs '--decode'");
  for (const char* flag : {"--log-frequency", "--log-voltage", "--invert", "--axes"}) {
    if (line.Has(flag)) throw TUsageError(std::string("option '") + flag + "' does not go with '--editable'");
  }
  for (const char* option : {"--window", "--brightness", "--colours"}) {
    if (line.Value(option)) throw TUsageError(std::string("option '") + option + "' does not go with '--editable'");
  }
  if (!HasPngExtension(imagePath)) throw TUsageError("IMAGE must end in .png with '--editable': '" + imagePath + "'");
  std::int32_t channel = 0;
  if (const auto text = line.Value("--channel")) channel = ParseIntOption("--channel", *text, 1, 65535);
  // The options are checked before the sound is read; the rate alone waits for the file.
  const auto sizeText = line.Value("--size");
  const std::int32_t givenSize = sizeText ? ParseEditableSize(*sizeText) : 0;
  const auto hopText = line.Value("--hop");
  if (hopText) ParseEditableHop(*hopText, givenSize != 0 ? givenSize : kLargestEditableSize);
  TEditableParameters p;
  if (const auto range = line.Value("--range")) p.RangeDb = ParseEditableRange(*range);

  TRecordingInfo info;
  std::vector<double> sound;
  try {
    sound = ReadWholeRecording(soundPath, channel, &info);
  } catch (const ERecordingChannelError& e) {
    throw TUsageError(e.Message());
  }
  if (sound.empty()) throw Exception("'" + soundPath + "' holds no samples, nothing written");
  if (info.SampleRateHz > kLargestEditableRateHz) {
    throw Exception("'" + soundPath + "' runs at " + std::to_string(info.SampleRateHz) +
                    " Hz, above the 768000 Hz an editable spectrogram takes");
  }
  p.RateHz = info.SampleRateHz;
  p.Size = givenSize != 0 ? givenSize : DefaultEditableSize(p.RateHz);
  p.Hop = hopText ? ParseEditableHop(*hopText, p.Size) : p.Size / 4;
  p.Samples = static_cast<std::int64_t>(sound.size());

  const TEditableSpectrogram spectrogram = AnalyzeEditable(sound, p);
  TSafeFileStream out(imagePath);
  WriteGrey16Png(out, spectrogram.Columns, spectrogram.Rows, spectrogram.Levels,
                 {{"Comment", FormatEditableParameters(p)}});
  out.Commit();
  return kExitDone;
}

}  // namespace ombrisk::cli
