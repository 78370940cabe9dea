#include "picture/png/png_write_chunk.h"

#include <zlib.h>

#include <array>
#include <cstring>

#include "toolkit/big_endian.h"

namespace ombrisk {

void TPngChunkData::Long(std::uint32_t value) {
  std::array<std::uint8_t, 4> bytes{};
  WriteBig32(bytes.data(), value);
  Append(bytes.data(), bytes.size());
}

void TPngChunkData::Word(std::uint32_t value) {
  std::array<std::uint8_t, 2> bytes{};
  WriteBig16(bytes.data(), static_cast<std::uint16_t>(value));
  Append(bytes.data(), bytes.size());
}

void WritePngFramedChunk(TStream& stream, const char (&type)[5], std::uint8_t* frame, std::size_t size) {
  WriteBig32(frame, static_cast<std::uint32_t>(size));
  for (std::size_t i = 0; i < 4; ++i) frame[4 + i] = static_cast<std::uint8_t>(type[i]);
  const uLong crc = crc32_z(crc32(0L, Z_NULL, 0), frame + 4, size + 4);
  WriteBig32(frame + kPngChunkHead + size, static_cast<std::uint32_t>(crc));
  stream.WriteBuffer(frame, kPngChunkHead + size + kPngChunkTail);
}

void WritePngChunk(TStream& stream, const char (&type)[5], const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> frame(kPngChunkHead + size + kPngChunkTail);
  if (size > 0) std::memcpy(frame.data() + kPngChunkHead, data, size);
  WritePngFramedChunk(stream, type, frame.data(), size);
}

}  // namespace ombrisk
