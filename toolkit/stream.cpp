#include "toolkit/stream.h"

#include <algorithm>
#include <cstring>

#include "toolkit/exception.h"

namespace ombrisk {

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(kSReadError);
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(kSWriteError);
}

std::int64_t TStream::Size() {
  const std::int64_t here = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return size;
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::size_t kChunkBytes = 64 * 1024;
  std::vector<std::uint8_t> chunk(kChunkBytes);
  std::int64_t left = count;
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunkBytes));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= static_cast<std::int64_t>(n);
  }
  return count;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (m_position >= m_bytes.size()) return 0;
  const std::size_t n = std::min(count, m_bytes.size() - m_position);
  std::memcpy(buffer, m_bytes.data() + m_position, n);
  m_position += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (m_position + count > m_bytes.size()) m_bytes.resize(m_position + count);
  std::memcpy(m_bytes.data() + m_position, buffer, count);
  m_position += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = static_cast<std::int64_t>(m_position);
  if (origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(m_bytes.size());
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError(kSReadError);
  m_position = static_cast<std::size_t>(target);
  return target;
}

void TMemoryStream::SetSize(std::size_t size) {
  m_bytes.resize(size);
  m_position = std::min(m_position, size);
}

void TMemoryStream::Clear() {
  m_bytes.clear();
  m_bytes.shrink_to_fit();
  m_position = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const std::int64_t size = source.Size();
  if (size < 0) throw EReadError(kSReadError);
  m_bytes.resize(static_cast<std::size_t>(size));
  m_position = 0;
  source.ReadBuffer(m_bytes.data(), m_bytes.size());
}

}  // namespace ombrisk
