#include "picture/png/png_inflate_input.h"

#include <cstdlib>
#include <limits>
#include <new>

#include "picture/png/png_error.h"
#include "picture/png/png_records.h"

namespace ombrisk {

namespace {

// The decoder's own allocation routines, installed in the stream record.
voidpf AllocateItems(voidpf, uInt items, uInt size) {
  if (size != 0 && items > std::numeric_limits<std::size_t>::max() / size) return Z_NULL;
  return std::malloc(static_cast<std::size_t>(items) * size);
}

void FreeItems(voidpf, voidpf address) { std::free(address); }

}  // namespace

TPngInflater::TPngInflater(TCustomReadStream& reader, std::int32_t& chunkRemaining, std::uint32_t& chunkType)
    : m_reader(reader), m_chunkRemaining(chunkRemaining), m_chunkType(chunkType) {
  try {
    m_input = std::make_unique<std::uint8_t[]>(kInputBytes);
  } catch (const std::bad_alloc&) {
    throw EPngError(kSPngZlib);
  }
  m_stream.zalloc = AllocateItems;
  m_stream.zfree = FreeItems;
  m_stream.opaque = Z_NULL;
  m_stream.next_in = Z_NULL;
  m_stream.avail_in = 0;
  if (inflateInit(&m_stream) != Z_OK) throw EPngError(kSPngZlib);
}

TPngInflater::~TPngInflater() {
  inflateReset(&m_stream);
  m_input.reset();
  inflateEnd(&m_stream);
}

bool TPngInflater::FillInput() {
  // A zero-length image-data chunk is legal between others: pass over it to the next one.
  while (m_chunkRemaining <= 0) {
    m_reader.Skip(4);  // the finished chunk's CRC
    m_chunkRemaining = static_cast<std::int32_t>(m_reader.ReadLong());
    m_chunkType = m_reader.ReadLong();
    if (m_chunkType != kPngIdat || m_chunkRemaining < 0 || m_reader.Eof()) return false;
  }
  const auto count = static_cast<std::size_t>(m_chunkRemaining) < kInputBytes
                         ? static_cast<std::size_t>(m_chunkRemaining)
                         : kInputBytes;
  m_reader.ReadBuffer(m_input.get(), static_cast<std::int64_t>(count));
  m_chunkRemaining -= static_cast<std::int32_t>(count);
  if (m_reader.Eof() || m_reader.Stopped()) return false;
  m_inputSize = count;
  m_stream.next_in = m_input.get();
  m_stream.avail_in = static_cast<uInt>(m_inputSize);
  return true;
}

bool TPngInflater::ReadRow(std::uint8_t* dest, std::size_t count) {
  m_stream.next_out = dest;
  m_stream.avail_out = static_cast<uInt>(count);
  while (m_stream.avail_out > 0) {
    if (m_stream.avail_in == 0 && !FillInput()) return false;
    const int result = inflate(&m_stream, Z_NO_FLUSH);
    // Besides errors, a stream that ends early or asks for a preset dictionary cannot finish the
    // row; calling inflate again would make no progress.
    if (result != Z_OK && !(result == Z_STREAM_END && m_stream.avail_out == 0)) return false;
  }
  return true;
}

}  // namespace ombrisk
