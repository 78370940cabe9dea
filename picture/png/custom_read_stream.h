// TCustomReadStream: reads one byte range of a TStream through a 64-KiB buffer for a format decoder.
// Big-endian word and long reads, an EOF flag instead of exceptions for reads past the range, a Stop
// flag, an optional 128-byte MacBinary header skip, and a staged progress percentage.
//
//   reader.Open(source, 0);                  // from source's position to its end
//   const std::uint32_t length = reader.ReadLong();
//   if (reader.Eof()) ...;                   // past the range: 0 returned, nothing consumed
//   reader.Close();                          // source left just after the last consumed byte
//
// A TMemoryStream source is read in place; other sources are read in blocks of up to 64 KiB.
#pragma once

#include <cstdint>
#include <memory>

#include "toolkit/stream.h"

namespace ombrisk {

class TCustomReadStream {
public:
  static constexpr std::int64_t kBufferBytes = 65536;
  static constexpr std::int64_t kMacBinaryHeaderBytes = 128;

  TCustomReadStream() = default;
  virtual ~TCustomReadStream() = default;
  TCustomReadStream(const TCustomReadStream&) = delete;
  TCustomReadStream& operator=(const TCustomReadStream&) = delete;

  // Binds to source from its current position; the range is count bytes when count > 0, else
  // everything up to the end of the source.
  void Open(TStream& source, std::int64_t count);
  // Releases the buffer and seeks the source to just after the last consumed byte.
  void Close();

  void ReadBuffer(void* dest, std::int64_t count);
  std::uint8_t ReadByte();
  std::uint16_t ReadWord();
  std::uint32_t ReadLong();
  void Skip(std::int64_t count);

  void BeginProgress();
  // mode 0: the stage runs over the bytes consumed; mode 1: over rows 0 … total.
  void NextStage(int mode, std::int64_t total, int percent);
  void UpdateProgress(std::int64_t row);
  void EndProgress();
  // Answers true to ask for a stop.
  virtual bool DoProgress(int percent);

  bool Eof() const { return m_eof; }
  bool Stopped() const { return m_stop; }
  std::int64_t Size() const { return m_size; }
  std::int64_t Position() const { return m_position; }
  // Bytes of the range not yet consumed.
  std::int64_t Remaining() const { return m_size - m_position; }
  bool MacBinaryFound() const { return m_macBinaryFound; }
  void SetMacBinaryCheck(bool enabled) { m_macBinaryCheck = enabled; }
  bool MacBinaryCheck() const { return m_macBinaryCheck; }

private:
  // Refills the buffer after the kept bytes, which the caller has moved to its start.
  void Refill(std::int64_t kept);
  std::uint32_t ReadBigEndian(int count);

  // Progress.
  int m_progressBase = 0;
  int m_progressLast = 0;
  int m_progressSpan = 0;
  int m_progressUnassigned = 0;
  std::int64_t m_stageTotal = 1;
  int m_stageMode = 0;
  std::int64_t m_stageStart = 0;
  std::int64_t m_lastRow = 0;

  std::int64_t m_size = 0;
  std::int64_t m_position = 0;

  const std::uint8_t* m_readPointer = nullptr;
  std::unique_ptr<std::uint8_t[]> m_buffer;
  std::int64_t m_bytesLeft = 0;

  std::int64_t m_rangeStart = 0;
  bool m_stop = false;
  bool m_eof = false;
  bool m_macBinaryCheck = false;
  bool m_macBinaryFound = false;
  TStream* m_source = nullptr;
};

}  // namespace ombrisk
