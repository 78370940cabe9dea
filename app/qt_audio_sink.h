// TQtAudioSink: the sound device behind the player, through Qt Multimedia's QAudioSink on the
// system's default output, 16-bit mono at the source's rate. It pulls the samples from the
// player's source as the device asks for them, and tells when output devices come or go.
//
//   TQtAudioSink sink;  if (sink.Available() && sink.Supports(44100)) { TWavePlayer player(sink); ... }
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "playback/audio_sink.h"

class QAudioSink;
class QMediaDevices;

namespace ombrisk {

class TQtAudioSink : public TAudioSink {
public:
  TQtAudioSink();
  ~TQtAudioSink() override;

  bool Available() const override;
  bool Supports(std::int32_t sampleRateHz) const override;
  void OnDevicesChanged(std::function<void()> handler) override;
  void Start(TSampleSource& source) override;
  void Stop() override;
  std::int64_t HeardSamples() const override;
  bool Drained() const override;
  std::string Failure() const override;

private:
  class TSourceDevice;

  std::unique_ptr<QMediaDevices> m_devices;
  std::function<void()> m_devicesChanged;
  std::unique_ptr<QAudioSink> m_sink;
  std::unique_ptr<TSourceDevice> m_device;
  std::int32_t m_rateHz = 0;
};

// Shown when the device fails while it plays.
inline constexpr const char* kSAudioOpenError = "The audio output device cannot be opened";
inline constexpr const char* kSAudioIOError = "The audio output device reported an input/output error";
inline constexpr const char* kSAudioFatalError = "The audio output device stopped working";

}  // namespace ombrisk
