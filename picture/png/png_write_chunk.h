// Chunk framing for the encoder: length, type, data and CRC-32, and the builder of chunk data in
// PNG's big-endian layout.
//
//   TPngChunkData data; data.Long(width); data.Byte(8);
//   WritePngChunk(stream, "IHDR", data);
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/stream.h"

namespace ombrisk {

class TPngChunkData {
public:
  void Long(std::uint32_t value);
  void Word(std::uint32_t value);
  void Byte(std::uint8_t value) { m_bytes.push_back(value); }
  void Text(const std::string& text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }
  void Append(const std::uint8_t* data, std::size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }

  const std::uint8_t* Data() const { return m_bytes.data(); }
  std::size_t Size() const { return m_bytes.size(); }

private:
  std::vector<std::uint8_t> m_bytes;
};

// One chunk: size bytes of data (none when size is 0) framed by length, type and CRC.
void WritePngChunk(TStream& stream, const char (&type)[5], const std::uint8_t* data, std::size_t size);
inline void WritePngChunk(TStream& stream, const char (&type)[5], const TPngChunkData& data) {
  WritePngChunk(stream, type, data.Data(), data.Size());
}

// The same for data already in place: frame holds kPngChunkHead free bytes, size bytes of data
// and kPngChunkTail free bytes, which are filled in, so the chunk leaves in one write.
inline constexpr std::size_t kPngChunkHead = 8;
inline constexpr std::size_t kPngChunkTail = 4;
void WritePngFramedChunk(TStream& stream, const char (&type)[5], std::uint8_t* frame, std::size_t size);

}  // namespace ombrisk
