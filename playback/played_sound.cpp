#include "playback/played_sound.h"

#include "playback/recording_sample_source.h"
#include "playback/wave_sample_source.h"

namespace ombrisk {

std::unique_ptr<TSampleSource> OpenSampleSource(const TPlayedSound& sound) {
  if (sound.Decoded) return std::make_unique<TRecordingSampleSource>(sound.Path, sound.Channel, sound.ShownSamples);
  return std::make_unique<TWaveSampleSource>(sound.Path);
}

}  // namespace ombrisk
