#include "spectrogram/block_reader.h"

#include <algorithm>
#include <cstring>

#include "toolkit/exception.h"

namespace ombrisk {

namespace {

// Large enough that system calls vanish beside the transforms, a multiple of every block size.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

// A chunk, or less when the whole rest of the stream fits in less; never under one block.
std::size_t BufferBytes(std::int64_t position, std::int64_t length, std::size_t blockBytes) {
  const std::int64_t rest = std::max<std::int64_t>(length - position, 0);
  return std::max(static_cast<std::size_t>(std::min<std::int64_t>(rest, kChunkBytes)), blockBytes);
}

}  // namespace

TBlockReader::TBlockReader(TStream& stream, std::int64_t position, std::int64_t length, std::size_t blockBytes)
    : m_stream(stream),
      m_position(position),
      m_length(length),
      m_blockBytes(blockBytes),
      m_buffer(BufferBytes(position, length, blockBytes)) {}

std::span<const std::uint8_t> TBlockReader::Next() {
  const std::size_t want =
      static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(m_blockBytes), m_length - m_position));
  if (m_end - m_begin < want) {
    // Keep the unread tail and fill up behind it, never reading past the length seen at the start.
    const std::size_t kept = m_end - m_begin;
    std::memmove(m_buffer.data(), m_buffer.data() + m_begin, kept);
    m_begin = 0;
    m_end = kept;
    const std::int64_t unread = m_length - m_position - static_cast<std::int64_t>(kept);
    const std::size_t room =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(m_buffer.size() - kept), unread));
    std::size_t filled = 0;
    while (m_end < want || filled < room) {
      const std::size_t got = m_stream.Read(m_buffer.data() + m_end, room - filled);
      if (got == 0) {
        if (m_end < want) throw EReadError(kSReadError);
        break;
      }
      m_end += got;
      filled += got;
    }
  }
  const std::span<const std::uint8_t> block(m_buffer.data() + m_begin, want);
  m_begin += want;
  m_position += static_cast<std::int64_t>(want);
  return block;
}

}  // namespace ombrisk
