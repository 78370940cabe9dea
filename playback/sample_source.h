// TSampleSource: the samples the player hands to the sound device, 16-bit mono at the source's own
// rate, streamed in the sizes the device asks for. TWaveSampleSource reads a wave file as the
// analysis does; TRecordingSampleSource decodes any sound file (its mix or one channel).
//
//   source.Seek(column * sampleSize);
//   while (const std::size_t got = source.Read(buffer, sizeof buffer)) play(buffer, got);
#pragma once

#include <cstddef>
#include <cstdint>

namespace ombrisk {

class TSampleSource {
public:
  virtual ~TSampleSource() = default;
  TSampleSource() = default;
  TSampleSource(const TSampleSource&) = delete;
  TSampleSource& operator=(const TSampleSource&) = delete;

  // Samples per second.
  virtual std::int32_t SampleRateHz() const = 0;
  // The samples there are to play (a source may learn of fewer while it reads).
  virtual std::int64_t SampleCount() const = 0;
  // The next sample Read hands out.
  virtual std::int64_t Position() const = 0;
  bool AtEnd() const { return Position() >= SampleCount(); }
  // Moves to sample, held within 0 … SampleCount.
  virtual void Seek(std::int64_t sample) = 0;
  // Copies up to maxBytes div 2 samples into buffer as 16-bit values in the host's byte order;
  // returns the bytes copied, 0 at the end. Raises when the file fails while it plays.
  virtual std::size_t Read(void* buffer, std::size_t maxBytes) = 0;
};

}  // namespace ombrisk
