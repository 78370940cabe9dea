// A sound device the tests drive by hand: it records what it is told, hands out the source's
// samples when asked, and reports whatever heard count, end, failure or supported rates the test
// sets; DevicesChanged plays a device coming or going.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "playback/audio_sink.h"
#include "playback/sample_source.h"

namespace ombrisk {

class TFakeAudioSink : public TAudioSink {
public:
  bool Available() const override { return HasDevice; }
  bool Supports(std::int32_t sampleRateHz) const override {
    return HasDevice && !UnsupportedRates.contains(sampleRateHz);
  }
  void OnDevicesChanged(std::function<void()> handler) override { m_devicesChanged = std::move(handler); }
  void Start(TSampleSource& source) override {
    m_source = &source;
    StartSample = source.Position();
    RateHz = source.SampleRateHz();
    Heard = 0;
    IsDrained = false;
  }
  void Stop() override { m_source = nullptr; }
  std::int64_t HeardSamples() const override { return Heard; }
  bool Drained() const override { return IsDrained; }
  std::string Failure() const override { return FailureText; }

  bool Playing() const { return m_source != nullptr; }
  void DevicesChanged() const {
    if (m_devicesChanged) m_devicesChanged();
  }
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
  std::set<std::int32_t> UnsupportedRates;
  std::int64_t Heard = 0;
  bool IsDrained = false;
  std::string FailureText;
  std::int64_t StartSample = -1;
  std::int32_t RateHz = 0;

private:
  TSampleSource* m_source = nullptr;
  std::function<void()> m_devicesChanged;
};

}  // namespace ombrisk
