// Builds Windows bitmap files byte by byte for the reader's tests, so that odd files (core headers,
// bit fields, RLE, short tables, broken fields) need no binaries in the tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/stream.h"

namespace ombrisk::bmptest {

struct BmpSpec {
  std::string signature = "BM";
  std::uint32_t headerBytes = 40;  // 12 for a core header, 108 or 124 for V4 / V5
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t planes = 1;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t imageBytes = 0;
  std::uint32_t colorsUsed = 0;
  // Written after a 40-byte header, inside a longer one.
  std::vector<std::uint32_t> masks;
  // Colour table entries as blue, green, red (a fourth zero byte is added unless the header is core).
  std::vector<std::vector<std::uint8_t>> table;
  std::vector<std::uint8_t> pixels;
  std::optional<std::uint32_t> offBits;  // computed when not given
};

inline void PutWord(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void PutLong(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutWord(out, v & 0xFFFF);
  PutWord(out, v >> 16);
}

inline std::vector<std::uint8_t> BuildBmp(const BmpSpec& s) {
  std::vector<std::uint8_t> header;
  PutLong(header, s.headerBytes);
  if (s.headerBytes == 12) {
    PutWord(header, static_cast<std::uint32_t>(s.width));
    PutWord(header, static_cast<std::uint32_t>(s.height));
    PutWord(header, s.planes);
    PutWord(header, s.bits);
  } else {
    PutLong(header, static_cast<std::uint32_t>(s.width));
    PutLong(header, static_cast<std::uint32_t>(s.height));
    PutWord(header, s.planes);
    PutWord(header, s.bits);
    PutLong(header, s.compression);
    PutLong(header, s.imageBytes);
    PutLong(header, 2835);
    PutLong(header, 2835);
    PutLong(header, s.colorsUsed);
    PutLong(header, 0);
    if (s.headerBytes > 40) {
      for (const std::uint32_t m : s.masks) PutLong(header, m);
    }
    header.resize(s.headerBytes, 0);
  }
  if (s.headerBytes <= 40) {
    for (const std::uint32_t m : s.masks) PutLong(header, m);
  }
  for (const auto& e : s.table) {
    header.insert(header.end(), e.begin(), e.end());
    if (s.headerBytes != 12) header.push_back(0);
  }
  const auto offBits = s.offBits.value_or(static_cast<std::uint32_t>(14 + header.size()));
  std::vector<std::uint8_t> file(s.signature.begin(), s.signature.end());
  file.resize(2, 0);
  PutLong(file, static_cast<std::uint32_t>(14 + header.size() + s.pixels.size()));
  PutLong(file, 0);
  PutLong(file, offBits);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

inline void Fill(TMemoryStream& stream, const std::vector<std::uint8_t>& bytes) {
  stream.Clear();
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
}

inline std::vector<std::uint8_t> Bytes(TMemoryStream& stream) {
  const auto n = static_cast<std::size_t>(stream.Size());
  return {stream.Memory(), stream.Memory() + n};
}

}  // namespace ombrisk::bmptest
