// The editable spectrogram of a sound: 16-bit levels a picture editor can change and the
// resynthesis reads back (scale and framing in signal/editable_parameters.h).
//
//   const std::vector<double> sound = ReadWholeRecording(path, 0, &info);   // ±1 full scale
//   const TEditableSpectrogram s = AnalyzeEditable(sound, parameters);
//   WriteGrey16Png(out, s.Columns, s.Rows, s.Levels, {{"Comment", FormatEditableParameters(parameters)}});
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recording/recording_reader.h"
#include "signal/editable_parameters.h"

namespace ombrisk {

struct TEditableSpectrogram {
  std::int64_t Columns = 0;
  std::int32_t Rows = 0;
  // Rows × Columns levels, row after row from the top (half the rate) down to 0 Hz.
  std::vector<std::uint16_t> Levels;
};

// p.Samples is the sound's length; raises EEditableParameterError for parameters out of range.
TEditableSpectrogram AnalyzeEditable(std::span<const double> sound, const TEditableParameters& p);

// Every sample of one channel (0: the mix) of a file libsndfile reads; *info gets its rate and
// channels, and Frames the samples actually read. Raises what TRecordingReader raises.
std::vector<double> ReadWholeRecording(const std::string& path, std::int32_t channel, TRecordingInfo* info);

}  // namespace ombrisk
