#include "picture/png/png_write_chunk.h"

#include <zlib.h>

#include <array>

namespace ombrisk {

namespace {

void StoreLong(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}

}  // namespace

void TPngChunkData::Long(std::uint32_t value) {
  std::array<std::uint8_t, 4> bytes{};
  StoreLong(bytes.data(), value);
  Append(bytes.data(), bytes.size());
}

void TPngChunkData::Word(std::uint32_t value) {
  Byte(static_cast<std::uint8_t>(value >> 8));
  Byte(static_cast<std::uint8_t>(value));
}

void WritePngChunk(TStream& stream, const char (&type)[5], const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, 8> head{};
  StoreLong(head.data(), static_cast<std::uint32_t>(size));
  for (std::size_t i = 0; i < 4; ++i) head[4 + i] = static_cast<std::uint8_t>(type[i]);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, head.data() + 4, 4);
  if (size > 0) crc = crc32_z(crc, data, size);
  std::array<std::uint8_t, 4> tail{};
  StoreLong(tail.data(), static_cast<std::uint32_t>(crc));
  stream.WriteBuffer(head.data(), head.size());
  if (size > 0) stream.WriteBuffer(data, size);
  stream.WriteBuffer(tail.data(), tail.size());
}

}  // namespace ombrisk
