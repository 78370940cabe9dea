// Hand-made PNG datastreams for tests: chunks with correct CRCs, image data compressed from rows.
//
//   TPngBuilder png;
//   png.Header(2, 2, 8, 0).Idat(Rows({{0, 10, 20}, {0, 30, 40}})).End();
//   auto stream = png.Stream();   // a TMemoryStream at position 0
#pragma once

#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/stream.h"

namespace ombrisk::testing {

using Bytes = std::vector<std::uint8_t>;

inline void PutLong(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void PutWord(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

// Rows given with their filter bytes, concatenated.
inline Bytes Rows(std::initializer_list<Bytes> rows) {
  Bytes out;
  for (const Bytes& r : rows) out.insert(out.end(), r.begin(), r.end());
  return out;
}

inline Bytes Deflate(const Bytes& raw, int level = 6) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
  out.resize(size);
  return out;
}

inline std::unique_ptr<TMemoryStream> ToStream(const Bytes& bytes) {
  auto s = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) s->WriteBuffer(bytes.data(), bytes.size());
  s->SetPosition(0);
  return s;
}

class TPngBuilder {
public:
  TPngBuilder() : m_bytes{137, 80, 78, 71, 13, 10, 26, 10} {}

  TPngBuilder& Chunk(const std::string& type, const Bytes& data) {
    return RawChunk(static_cast<std::uint32_t>(data.size()), type, data);
  }
  // A chunk whose length field says what the caller wants, whatever data follows.
  TPngBuilder& RawChunk(std::uint32_t length, const std::string& type, const Bytes& data) {
    PutLong(m_bytes, length);
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    m_bytes.insert(m_bytes.end(), typed.begin(), typed.end());
    PutLong(m_bytes, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    return *this;
  }
  TPngBuilder& Header(std::uint32_t width, std::uint32_t height, int depth, int colourType, int interlace = 0,
                      int compression = 0, int filter = 0) {
    Bytes d;
    PutLong(d, width);
    PutLong(d, height);
    for (const int b : {depth, colourType, compression, filter, interlace}) d.push_back(static_cast<std::uint8_t>(b));
    return Chunk("IHDR", d);
  }
  // Raw rows (filter bytes included), compressed into one image-data chunk.
  TPngBuilder& Idat(const Bytes& rawRows) { return Chunk("IDAT", Deflate(rawRows)); }
  TPngBuilder& End() { return Chunk("IEND", {}); }

  const Bytes& Data() const { return m_bytes; }
  std::unique_ptr<TMemoryStream> Stream() const { return ToStream(m_bytes); }

private:
  Bytes m_bytes;
};

inline Bytes Text(const std::string& keyword, const std::string& text) {
  Bytes d(keyword.begin(), keyword.end());
  d.push_back(0);
  d.insert(d.end(), text.begin(), text.end());
  return d;
}

}  // namespace ombrisk::testing
