// TRecordingSampleSource: a decoded sound file for playback, its mix of all channels or one of
// them, as 16-bit samples at the file's own rate: what the analysis of the decoded file shows.
// Streamed through TRecordingReader, never loaded whole. The length is the one the picture
// shows (its columns × N), which may differ from what the file announces: a file may hold more,
// or announce no length at all; where it ends sooner, the count follows.
//
//   TRecordingSampleSource source(path, 0, picture.Width() * 1024);   // raises as the reader does
//   source.Seek(column * sampleSize);
//   while (const std::size_t got = source.Read(buffer, sizeof buffer)) play(buffer, got);
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "playback/sample_source.h"
#include "recording/recording_reader.h"

namespace ombrisk {

class TRecordingSampleSource : public TSampleSource {
public:
  TRecordingSampleSource(const std::string& path, std::int32_t channel, std::int64_t shownSamples);

  std::int32_t SampleRateHz() const override { return m_reader.Info().SampleRateHz; }
  // shownSamples, until a read finds the file ends sooner.
  std::int64_t SampleCount() const override { return m_sampleCount; }
  std::int64_t Position() const override { return m_position; }
  void Seek(std::int64_t sample) override;
  std::size_t Read(void* buffer, std::size_t maxBytes) override;

private:
  TRecordingReader m_reader;
  std::int64_t m_sampleCount = 0;
  std::int64_t m_position = 0;
  std::vector<float> m_decoded;
};

// A decoded sample (±1 full scale) as a 16-bit one: ±1 gives ±32768 held to the 16-bit range,
// rounded to nearest; what lies beyond full scale is clipped.
std::int16_t SixteenBitSample(float sample);

}  // namespace ombrisk
