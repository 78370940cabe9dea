// ombrisk-cli analyze --editable: the 16-bit spectrogram a picture editor can change and
// "resynth" turns back into sound.
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/editable_options.h"
#include "cli/image_output.h"
#include "recording/recording_reader.h"
#include "spectrogram/editable_export.h"
#include "signal/editable_parameters.h"

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
  TEditableChoices choices;
  if (givenSize != 0) choices.Size = givenSize;
  if (const auto range = line.Value("--range")) choices.RangeDb = ParseEditableRange(*range);
  if (hopText) choices.Hop = ParseEditableHop(*hopText, givenSize != 0 ? givenSize : kLargestEditableSize);
  try {
    WriteEditableSpectrogramFile(soundPath, channel, choices, imagePath);
  } catch (const ERecordingChannelError& e) {
    throw TUsageError(e.Message());
  } catch (const EEditableParameterError& e) {
    // A hop above the size the rate chose is the caller's; a sound too long is the file's.
    if (e.Message().rfind("hop ", 0) == 0) throw TUsageError("option '--hop': " + e.Message());
    throw;
  }
  return kExitDone;
}

}  // namespace ombrisk::cli
