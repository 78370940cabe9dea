// A sound device the tests drive by hand: it records what it is told, hands out the source's
// samples when asked, and reports whatever heard count, end or failure the test sets.
#pragma once

#include <string>
#include <vector>

#include "playback/audio_sink.h"
#include "playback/wave_sample_source.h"

namespace ombrisk {

class TFakeAudioSink : public TAudioSink {
public:
  bool Available() const override { return HasDevice; }
  void Start(TWaveSampleSource& source) override {
    m_source = &source;
    StartSample = source.Position();
    Heard = 0;
    IsDrained = false;
  }
  void Stop() override { m_source = nullptr; }
  std::int64_t HeardSamples() const override { return Heard; }
  bool Drained() const override { return IsDrained; }
  std::string Failure() const override { return FailureText; }

  bool Playing() const { return m_source != nullptr; }
  // All the source still holds, in reads of an odd byte count as a device may ask.
  std::vector<std::int16_t> PullAll() {
    std::vector<std::int16_t> samples;
    std::int16_t chunk[441];
    while (const std::size_t got = m_source->Read(chunk, sizeof chunk - 1)) {
      samples.insert(samples.end(), chunk, chunk + got / 2);
    }
    return samples;
  }

  bool HasDevice = true;
  std::int64_t Heard = 0;
  bool IsDrained = false;
  std::string FailureText;
  std::int64_t StartSample = -1;

private:
  TWaveSampleSource* m_source = nullptr;
};

}  // namespace ombrisk
