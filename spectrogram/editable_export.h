// A sound file's editable spectrogram written as a 16-bit grey PNG with its parameters in the
// "Comment" text: what "ombrisk-cli analyze --editable" and the viewer's "Export for editing..."
// write.
//
//   WriteEditableSpectrogramFile("take.flac", 0, {}, "take-edit.png");   // defaults for the rate
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ombrisk {

// Left empty: size DefaultEditableSize(rate), hop size/4, range 120 dB.
struct TEditableChoices {
  std::optional<std::int32_t> Size, Hop;
  std::optional<double> RangeDb;
};

// channel 0 is the mix. Raises the recording errors (ERecordingChannelError for a channel the
// file lacks), Exception for a file without samples or above 768 kHz, EEditableParameterError for
// a hop above the size or a sound too long for a picture; the PNG replaces imagePath only when
// complete.
void WriteEditableSpectrogramFile(const std::string& soundPath, std::int32_t channel,
                                  const TEditableChoices& choices, const std::string& imagePath);

}  // namespace ombrisk
