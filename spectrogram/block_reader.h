// TBlockReader: hands out the sample data of a wave file in blocks of a fixed byte count, reading
// the stream in large chunks so that small blocks do not cost one system call each.
//
//   TBlockReader reader(stream, stream.Position(), stream.Size(), 1024);
//   while (!reader.AtEnd()) { const std::span<const std::uint8_t> block = reader.Next(); ... }
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "toolkit/stream.h"

namespace ombrisk {

class TBlockReader {
public:
  // Reads from position (where the stream stands) up to length, the stream's size at the start.
  TBlockReader(TStream& stream, std::int64_t position, std::int64_t length, std::size_t blockBytes);

  bool AtEnd() const { return m_position >= m_length; }
  std::int64_t Position() const { return m_position; }

  // The next blockBytes bytes, fewer only for the last block; valid until the next call. Raises
  // EReadError when the stream delivers nothing before its length is reached (a file cut short
  // while it is read, a failing device), rather than spinning or passing it off as the end.
  std::span<const std::uint8_t> Next();

private:
  TStream& m_stream;
  std::int64_t m_position;
  std::int64_t m_length;
  std::size_t m_blockBytes;
  std::vector<std::uint8_t> m_buffer;
  std::size_t m_begin = 0;  // first byte not yet handed out
  std::size_t m_end = 0;    // one past the last byte read
};

}  // namespace ombrisk
