#include "playback/played_sound.h"

#include "playback/wave_sample_source.h"

namespace ombrisk {

std::unique_ptr<TSampleSource> OpenSampleSource(const TPlayedSound& sound) {
  return std::make_unique<TWaveSampleSource>(sound.Path);
}

}  // namespace ombrisk
