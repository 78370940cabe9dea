#include "picture/png/custom_read_stream.h"

#include <algorithm>
#include <cstring>

namespace ombrisk {

void TCustomReadStream::Open(TStream& source, std::int64_t count) {
  m_source = &source;
  m_rangeStart = source.Position();
  m_size = count > 0 ? count : source.Size() - m_rangeStart;
  m_position = 0;
  m_stop = false;
  m_eof = false;
  m_readPointer = nullptr;
  m_bytesLeft = 0;
  m_macBinaryFound = false;
  if (m_size <= 0) {
    m_eof = true;
    return;
  }

  auto* const memory = dynamic_cast<TMemoryStream*>(&source);
  // In place only when the memory really holds the whole range; a range claiming more goes through
  // the buffered path, whose short read is reported as the stream read error.
  if (memory != nullptr && memory->Size() - m_rangeStart >= m_size) {
    m_readPointer = memory->Memory() + m_rangeStart;
    m_bytesLeft = m_size;
  } else {
    if (!m_buffer) m_buffer = std::make_unique<std::uint8_t[]>(kBufferBytes);
    m_bytesLeft = 0;
    m_readPointer = m_buffer.get();
  }
  if (m_bytesLeft == 0) Refill(0);

  if (m_macBinaryCheck && m_size > kMacBinaryHeaderBytes) {
    if (m_readPointer[0] == 0 && m_readPointer[74] == 0) {
      m_macBinaryFound = true;
      m_readPointer += kMacBinaryHeaderBytes;
      m_bytesLeft -= kMacBinaryHeaderBytes;
      m_position = kMacBinaryHeaderBytes;
    } else {
      m_macBinaryFound = false;
    }
  }
}

void TCustomReadStream::Close() {
  m_buffer.reset();
  m_readPointer = nullptr;
  m_bytesLeft = 0;
  if (m_source != nullptr) m_source->Seek(m_rangeStart + m_position, TSeekOrigin::soBeginning);
}

void TCustomReadStream::Refill(std::int64_t kept) {
  if (!m_buffer) m_buffer = std::make_unique<std::uint8_t[]>(kBufferBytes);
  const std::int64_t room = kBufferBytes - kept;
  const std::int64_t toCome = m_size - m_position - kept;
  const std::int64_t n = std::max<std::int64_t>(0, std::min(room, toCome));
  if (n > 0) m_source->ReadBuffer(m_buffer.get() + kept, static_cast<std::size_t>(n));
  m_bytesLeft = kept + n;
  m_readPointer = m_buffer.get();
}

void TCustomReadStream::ReadBuffer(void* dest, std::int64_t count) {
  if (m_eof || m_stop) return;
  if (count <= 0) {
    m_stop = true;
    return;
  }
  if (count > m_size - m_position) {
    m_eof = true;
    return;
  }
  auto* out = static_cast<std::uint8_t*>(dest);
  if (count <= m_bytesLeft) {
    std::memcpy(out, m_readPointer, static_cast<std::size_t>(count));
    m_readPointer += count;
    m_bytesLeft -= count;
    m_position += count;
    return;
  }
  if (m_bytesLeft > 0) std::memcpy(out, m_readPointer, static_cast<std::size_t>(m_bytesLeft));
  out += m_bytesLeft;
  m_position += m_bytesLeft;
  std::int64_t rest = count - m_bytesLeft;
  m_bytesLeft = 0;
  if (rest >= kBufferBytes) {
    // Large reads go straight to the destination, all but the last buffer's worth.
    const std::int64_t direct = rest - kBufferBytes;
    if (direct > 0) m_source->ReadBuffer(out, static_cast<std::size_t>(direct));
    out += direct;
    m_position += direct;
    rest -= direct;
  }
  Refill(0);
  std::memcpy(out, m_readPointer, static_cast<std::size_t>(rest));
  m_readPointer += rest;
  m_bytesLeft -= rest;
  m_position += rest;
}

std::uint32_t TCustomReadStream::ReadBigEndian(int count) {
  if (m_eof || m_stop) return 0;
  if (count > m_size - m_position) {
    m_eof = true;
    return 0;
  }
  if (m_bytesLeft < count) {
    if (m_bytesLeft > 0) std::memmove(m_buffer.get(), m_readPointer, static_cast<std::size_t>(m_bytesLeft));
    Refill(m_bytesLeft);
  }
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | m_readPointer[i];
  m_readPointer += count;
  m_bytesLeft -= count;
  m_position += count;
  return value;
}

std::uint8_t TCustomReadStream::ReadByte() { return static_cast<std::uint8_t>(ReadBigEndian(1)); }

std::uint16_t TCustomReadStream::ReadWord() { return static_cast<std::uint16_t>(ReadBigEndian(2)); }

std::uint32_t TCustomReadStream::ReadLong() { return ReadBigEndian(4); }

void TCustomReadStream::Skip(std::int64_t count) {
  if (m_eof || m_stop || count < 0) return;
  if (count > m_size - m_position) {
    m_eof = true;
    return;
  }
  if (count == 0) m_stop = true;
  if (count <= m_bytesLeft) {
    m_readPointer += count;
    m_bytesLeft -= count;
    m_position += count;
    return;
  }
  m_position += count;
  m_source->Seek(count - m_bytesLeft, TSeekOrigin::soCurrent);
  m_bytesLeft = 0;
}

void TCustomReadStream::BeginProgress() {
  m_progressBase = 0;
  m_progressLast = 0;
  m_progressSpan = 0;
  m_progressUnassigned = 99;
  m_stop = false;
  m_stop = DoProgress(0);
}

void TCustomReadStream::NextStage(int mode, std::int64_t total, int percent) {
  m_progressBase += m_progressSpan;
  m_progressLast = m_progressBase;
  m_progressUnassigned -= m_progressSpan;
  m_stageMode = mode;
  if (mode == 0) {
    m_stageTotal = m_size;
    m_stageStart = m_position;
  } else {
    m_stageTotal = total;
  }
  if (m_stageTotal <= 0) m_stageTotal = 1;
  m_progressSpan = (percent > 0 && percent < 100) ? m_progressUnassigned * percent / 100 : m_progressUnassigned;
}

void TCustomReadStream::UpdateProgress(std::int64_t row) {
  std::int64_t p = 0;
  if (m_stageMode == 0) {
    p = (m_position - m_stageStart) * m_progressSpan / m_stageTotal;
  } else {
    p = row >= m_stageTotal ? m_progressSpan : row * m_progressSpan / m_stageTotal;
  }
  p += m_progressBase;
  if (p > m_progressLast) {
    m_progressLast = static_cast<int>(p);
    if (m_stageMode == 1) m_lastRow = row;
    m_stop = DoProgress(m_progressLast);
  }
}

void TCustomReadStream::EndProgress() { m_stop = DoProgress(100); }

bool TCustomReadStream::DoProgress(int) { return false; }

}  // namespace ombrisk
