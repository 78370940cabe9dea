// TPlaybackControls: the preview window's "&Play" button, the playhead over the spectrogram and
// playing from a clicked column. The window tells it when a spectrogram is shown and when a new
// analysis starts; it stops by itself at the end of the sound and when the window is hidden. The
// button is enabled only while the device can play the shown sound's format, and follows devices
// that come or go.
//
//   TPlaybackControls playback(window, *image, *scrollBox, errors, std::make_unique<TQtAudioSink>());
//   panelLayout->addWidget(&playback.PlayButton());
//   playback.SpectrogramShown(TPlayedSound{path}, settings.SampleSize);
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "playback/audio_sink.h"
#include "playback/played_sound.h"
#include "playback/wave_player.h"

class QPushButton;
class QScrollArea;
class QWidget;

namespace ombrisk {

class TErrorDisplay;
class TImage;

class TPlaybackControls : public QObject {
  Q_OBJECT

public:
  // The button is made a child of buttonParent; image sits in scrollBox, both inside window.
  TPlaybackControls(QWidget& window, QWidget& buttonParent, TImage& image, QScrollArea& scrollBox,
                    TErrorDisplay& errors, std::unique_ptr<TAudioSink> sink);
  ~TPlaybackControls() override;

  QPushButton& PlayButton() { return *m_playButton; }
  // The line drawn over the column being heard, a child of the image; hidden while nothing plays.
  const QWidget& Playhead() const { return *m_playhead; }
  const TWavePlayer& Player() const { return m_player; }

  // The image now shows the spectrogram of sound, analysed with sampleSize samples per column.
  void SpectrogramShown(const TPlayedSound& sound, std::int32_t sampleSize);
  void Stop();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void PlayButtonClick();
  void PlayFrom(std::int64_t column);
  void Tick();
  void ShowState();
  void MovePlayhead();

  QWidget& m_window;
  TImage& m_image;
  QScrollArea& m_scrollBox;
  TErrorDisplay& m_errors;
  std::unique_ptr<TAudioSink> m_sink;
  TWavePlayer m_player;
  QPushButton* m_playButton = nullptr;
  QWidget* m_playhead = nullptr;
  QTimer m_ticks;
  TPlayedSound m_sound;  // of the shown spectrogram; its path is empty until one is shown
  std::int32_t m_sampleSize = 0;
};

inline constexpr const char* kNoAudioOutput = "No audio output device";
// The playhead moves about 30 times a second.
inline constexpr int kPlayheadTickMs = 33;

}  // namespace ombrisk
