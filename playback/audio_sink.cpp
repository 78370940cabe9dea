#include "playback/audio_sink.h"

namespace ombrisk {

std::string UnsupportedFormatText(std::int32_t sampleRateHz) {
  return "The audio output device cannot play 16-bit mono at " + std::to_string(sampleRateHz) + " Hz";
}

}  // namespace ombrisk
