// TPlayedSound: which sound the shown spectrogram was analysed from, so that playing it plays
// what is shown: the wave file read literally (16-bit mono at 44100 Hz after the 44-byte header),
// or the file decoded, its mix of all channels or one of them, at the file's own rate.
//
//   const TPlayedSound sound{path, true, 0, info.SampleRateHz, picture.Width() * sampleSize};
//   player.Play(OpenSampleSource(sound), sampleSize, column);
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "playback/sample_source.h"
#include "signal/wave_header.h"

namespace ombrisk {

struct TPlayedSound {
  std::string Path;
  bool Decoded = false;
  std::int32_t Channel = 0;  // when decoded: 0 the mix, 1… that channel
  std::int32_t SampleRateHz = static_cast<std::int32_t>(kSampleRateHz);
  std::int64_t ShownSamples = 0;  // when decoded: the picture's columns × its samples per column
};

// Opens the sound afresh; raises what opening the file raises.
std::unique_ptr<TSampleSource> OpenSampleSource(const TPlayedSound& sound);

}  // namespace ombrisk
