// Numbers stored most significant byte first, as PNG keeps them, read and written whatever the
// host's byte order. The counterpart of little_endian.h.
//
//   const std::uint32_t length = ReadBig32(chunk);
//   WriteBig32(frame, crc);
#pragma once

#include <cstdint>

namespace ombrisk {

inline std::uint16_t ReadBig16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

inline std::uint32_t ReadBig32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(ReadBig16(p)) << 16 | static_cast<std::uint32_t>(ReadBig16(p + 2));
}

inline void WriteBig16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 8);
  p[1] = static_cast<std::uint8_t>(value);
}

inline void WriteBig32(std::uint8_t* p, std::uint32_t value) {
  WriteBig16(p, static_cast<std::uint16_t>(value >> 16));
  WriteBig16(p + 2, static_cast<std::uint16_t>(value));
}

}  // namespace ombrisk
