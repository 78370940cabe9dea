// TWavePlayer: plays the sound whose spectrogram is shown (a wave file read literally, or any
// source of samples), from the first sample of a column, and tells which sample and column are
// being heard. Poll it often (the preview window does about
// 30 times a second): it stops by itself at the end, and stops and raises on a device error.
//
//   TWavePlayer player(sink);
//   player.Play(path, 1024, column);   // or player.Play(std::make_unique<...>(...), 1024, column)
//   player.Poll(); draw(player.PlayheadColumn());
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "playback/audio_sink.h"
#include "playback/sample_source.h"

namespace ombrisk {

class TWavePlayer {
public:
  explicit TWavePlayer(TAudioSink& sink);
  ~TWavePlayer();
  TWavePlayer(const TWavePlayer&) = delete;
  TWavePlayer& operator=(const TWavePlayer&) = delete;

  // Stops what plays, opens path afresh and plays from sample column × sampleSize. Returns false,
  // playing nothing, when the column holds no sound (beyond the file's samples). Raises the
  // file-open error or the short-header error without playing.
  bool Play(const std::string& path, std::int32_t sampleSize, std::int64_t column);
  // The same from source, which the player keeps while it plays.
  bool Play(std::unique_ptr<TSampleSource> source, std::int32_t sampleSize, std::int64_t column);
  void Stop();
  bool Playing() const { return m_source != nullptr; }

  // Stops at the end of the sound; on a device or read error stops and raises it as Exception.
  void Poll();

  // The sample being heard (the last one once all is heard); meaningful while Playing.
  std::int64_t HeardSample() const;
  std::int64_t PlayheadColumn() const;

private:
  TAudioSink& m_sink;
  std::unique_ptr<TSampleSource> m_source;
  std::int32_t m_sampleSize = 1;
  std::int64_t m_startSample = 0;
};

}  // namespace ombrisk
