// TWaveSampleSource: the samples of a wave file for playback, read exactly as the analysis reads
// them: 16-bit mono at 44100 Hz after the 44-byte header, whatever its other fields say, D bytes or
// up to the file's end if that comes first. Streamed from the file in the sizes asked for, never
// loaded whole.
//
//   TWaveSampleSource source(path);            // the file-open error, or too short for a header
//   source.Seek(column * sampleSize);
//   while (const std::size_t got = source.Read(buffer, sizeof buffer)) play(buffer, got);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "playback/sample_source.h"
#include "toolkit/stream.h"

namespace ombrisk {

class TWaveSampleSource : public TSampleSource {
public:
  explicit TWaveSampleSource(const std::string& path);
  // The same on a stream standing at its start; name is only for messages.
  TWaveSampleSource(std::unique_ptr<TStream> stream, const std::string& name);

  // min(D, file length − 44) div 2: an odd last byte is no sample.
  std::int64_t SampleCount() const override { return m_sampleCount; }
  std::int64_t Position() const override { return m_position; }
  std::int32_t SampleRateHz() const override;
  void Seek(std::int64_t sample) override;
  // A file cut short while it plays raises EReadError.
  std::size_t Read(void* buffer, std::size_t maxBytes) override;

private:
  std::unique_ptr<TStream> m_stream;
  std::int64_t m_sampleCount = 0;
  std::int64_t m_position = 0;
};

}  // namespace ombrisk
