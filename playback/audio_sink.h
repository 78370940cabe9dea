// TAudioSink: where the player sends its sound. The program's sink is the sound device
// (app/qt_audio_sink.h); the tests put in one they drive by hand.
//
//   sink.OnDevicesChanged([&] { updateButton(); });
//   if (sink.Available() && sink.Supports(source.SampleRateHz())) sink.Start(source);
//   ... sink.HeardSamples(), sink.Drained(), sink.Failure() ...
//   sink.Stop();
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ombrisk {

class TSampleSource;

class TAudioSink {
public:
  virtual ~TAudioSink() = default;
  TAudioSink() = default;
  TAudioSink(const TAudioSink&) = delete;
  TAudioSink& operator=(const TAudioSink&) = delete;

  // Whether there is an output device to play on at all.
  virtual bool Available() const = 0;
  // Whether the device takes 16-bit mono at sampleRateHz samples per second.
  virtual bool Supports(std::int32_t sampleRateHz) const = 0;
  // handler runs on the window's thread whenever an output device comes or goes.
  virtual void OnDevicesChanged(std::function<void()> handler) = 0;
  // Begins to play what source hands out from where it stands, at the source's rate; source
  // outlives the playing.
  virtual void Start(TSampleSource& source) = 0;
  // Silences at once, dropping whatever the device still holds, and lets go of the source;
  // harmless when not playing.
  virtual void Stop() = 0;
  // Samples heard since Start, as near as the device can tell.
  virtual std::int64_t HeardSamples() const = 0;
  // The sound is over: the source has run dry and what it handed out has been played.
  virtual bool Drained() const = 0;
  // The message of a device or read error that ended the playing; empty while there is none.
  virtual std::string Failure() const = 0;
};

// The tool tip of a play button that cannot play at sampleRateHz.
std::string UnsupportedFormatText(std::int32_t sampleRateHz);

}  // namespace ombrisk
