// TRecordingReader: any sound file libsndfile reads (WAV of any PCM/float depth and channel
// count, AIFF, FLAC, Ogg Vorbis, Opus, MP3), streamed as one channel of float samples (±1 full scale).
//   TRecordingReader reader(path, 0);           // 0: the mix of all channels; 1…: that channel
//   while (const std::size_t got = reader.Read(buffer)) ...
//   TRecordingReader fromMemory(bytes, "name", 0);  // the same, from bytes held by the caller
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "toolkit/exception.h"

namespace ombrisk {

// A file libsndfile cannot read, or a channel the file does not have.
class ERecordingError : public Exception { using Exception::Exception; };
// The channel asked for is not one the file has (a caller's mistake rather than the file's).
class ERecordingChannelError : public ERecordingError { using ERecordingError::ERecordingError; };

struct TRecordingInfo {
  std::int32_t SampleRateHz = 0;
  std::int32_t Channels = 0;
  std::int64_t Frames = 0;       // as the file announces it
};
class TRecordingReader {
public:
  // Raises ERecordingError (an Exception; message names the file and the reason) when libsndfile
  // cannot read it, or channel is not 0 … Channels (message names the value).
  TRecordingReader(const std::string& path, std::int32_t channel);
  // The same over a whole file's bytes, which must outlive the reader; name stands for the file
  // in messages.
  TRecordingReader(std::span<const std::byte> bytes, const std::string& name, std::int32_t channel);
  ~TRecordingReader();
  TRecordingReader(const TRecordingReader&) = delete;
  TRecordingReader& operator=(const TRecordingReader&) = delete;
  const TRecordingInfo& Info() const;
  // Up to out.size() samples; fewer only at the end (or where a file ends early); 0 at the end.
  std::size_t Read(std::span<float> out);
  // Moves to frame, held within 0 … Frames.
  void Seek(std::int64_t frame);
  // Reads channel (0: the mix) from here on, without opening the file again; raises
  // ERecordingChannelError as the constructor does, the channel read before staying.
  void SelectChannel(std::int32_t channel);
private:
  struct TImpl;
  std::unique_ptr<TImpl> m_impl;
};
}  // namespace ombrisk
