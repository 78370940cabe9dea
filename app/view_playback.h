// TViewPlayback: the viewer window's "&Play" button: plays the part of the sound in view (its mix
// or the channel shown, at the file's rate) and tells where the playhead stands, about 30 times a
// second. The button is enabled while there is a sound to play and a device that takes its rate.
//
//   TViewPlayback playback(window, *bar, errors, std::make_unique<TQtAudioSink>());
//   playback.SoundShown(path, channel, rateHz);
//   playback.Toggle(view.FromSeconds, view.ToSeconds);     // Space does the same
//   playback.OnTick = [&] { plot->SetPlayhead(...playback.HeardSeconds()...); };
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "playback/audio_sink.h"
#include "playback/wave_player.h"

class QPushButton;
class QWidget;

namespace ombrisk {

class TErrorDisplay;

class TViewPlayback : public QObject {
  Q_OBJECT

public:
  // The button is made a child of buttonParent; playing stops when window is closed.
  TViewPlayback(QWidget& window, QWidget& buttonParent, TErrorDisplay& errors, std::unique_ptr<TAudioSink> sink);
  ~TViewPlayback() override;

  QPushButton& PlayButton() { return *m_playButton; }
  const TWavePlayer& Player() const { return m_player; }

  // The sound there is to play from now on; an empty path leaves nothing to play.
  void SoundShown(const std::string& path, std::int32_t channel, std::int32_t sampleRateHz);
  // Stops what plays; else plays fromSeconds … toSeconds of the sound. Raises what opening it raises.
  void Toggle(double fromSeconds, double toSeconds);
  void Stop();
  // The time being heard, in seconds from the file's start; none while nothing plays.
  std::optional<double> HeardSeconds() const;

  // Asks the window for the span in view when the button is pressed.
  std::function<std::pair<double, double>()> SpanInView;
  // After each tick and each start or stop: the playhead may have moved.
  std::function<void()> OnTick;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Tick();
  void ShowState();

  QWidget& m_window;
  TErrorDisplay& m_errors;
  std::unique_ptr<TAudioSink> m_sink;
  TWavePlayer m_player;
  QPushButton* m_playButton = nullptr;
  QTimer m_ticks;
  std::string m_path;
  std::int32_t m_channel = 0;
  std::int32_t m_rateHz = 0;
};

}  // namespace ombrisk
