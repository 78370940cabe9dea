// TRecordingPrefetch: decodes a recording ahead on a thread of its own, so that the decoding runs
// beside the caller's work (transforms) on another processor. Reads as the reader does.
//
//   TRecordingReader reader(path, 0);
//   TRecordingPrefetch samples(reader);
//   while (const std::size_t got = samples.Read(buffer)) ...
//
// The reader must not be used elsewhere while the prefetch lives. With one usable processor, or
// when no thread can be started, Read decodes on the caller's thread; the samples are the same.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "recording/recording_reader.h"
#include "toolkit/second_thread.h"

namespace ombrisk {

class TRecordingPrefetch {
public:
  explicit TRecordingPrefetch(TRecordingReader& reader, const TThreadStarter& startThread = StartThread);
  ~TRecordingPrefetch();
  TRecordingPrefetch(const TRecordingPrefetch&) = delete;
  TRecordingPrefetch& operator=(const TRecordingPrefetch&) = delete;

  // Up to out.size() samples; fewer only at the end; 0 at the end. Raises what decoding raised.
  std::size_t Read(std::span<float> out);

private:
  struct TState;
  std::unique_ptr<TState> m_state;
};

}  // namespace ombrisk
