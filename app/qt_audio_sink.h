// TQtAudioSink: the sound device behind the player, through Qt Multimedia's QAudioSink on the
// system's default output, 16-bit mono at 44100 samples per second. It pulls the samples from the
// player's source as the device asks for them.
//
//   TQtAudioSink sink;  if (sink.Available()) { TWavePlayer player(sink); ... }
#pragma once

#include <memory>
#include <string>

#include "playback/audio_sink.h"

class QAudioSink;

namespace ombrisk {

class TQtAudioSink : public TAudioSink {
public:
  TQtAudioSink();
  ~TQtAudioSink() override;

  bool Available() const override;
  void Start(TWaveSampleSource& source) override;
  void Stop() override;
  std::int64_t HeardSamples() const override;
  bool Drained() const override;
  std::string Failure() const override;

private:
  class TSourceDevice;

  std::unique_ptr<QAudioSink> m_sink;
  std::unique_ptr<TSourceDevice> m_device;
};

// Shown when the device fails while it plays.
inline constexpr const char* kSAudioOpenError = "The audio output device cannot be opened";
inline constexpr const char* kSAudioIOError = "The audio output device reported an input/output error";
inline constexpr const char* kSAudioFatalError = "The audio output device stopped working";

}  // namespace ombrisk
