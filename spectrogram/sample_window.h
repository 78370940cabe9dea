// TSampleWindow: the samples a run of frames needs, read forward through a recording and kept only
// as long as a later frame may need them, so a view of hours holds a frame or two of samples.
//
//   TSampleWindow samples(reader);
//   for (...) frame.Add(samples.Get(start, n));   // starts must not go backwards by much
//
// Samples before the file's start or after its end are silence. A start behind what is held, or
// far ahead of it, seeks; a short gap is decoded through.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recording/recording_reader.h"

namespace ombrisk {

class TSampleWindow {
public:
  explicit TSampleWindow(TRecordingReader& reader) : m_reader(reader) {}

  // The n samples from start (a sample index, possibly negative); valid until the next call.
  std::span<const float> Get(std::int64_t start, std::int32_t n);

private:
  void MoveTo(std::int64_t sample);
  void Skip(std::int64_t count);
  std::int64_t HeldEnd() const { return m_bufferStart + static_cast<std::int64_t>(m_buffer.size()); }

  TRecordingReader& m_reader;
  std::vector<float> m_buffer;
  std::int64_t m_bufferStart = 0;
  bool m_ended = false;
  std::vector<float> m_frame;
};

}  // namespace ombrisk
