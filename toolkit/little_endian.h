// Numbers stored least significant byte first, as the wave and bitmap formats keep them, read and
// written whatever the host's byte order.
//
//   const std::uint32_t size = ReadLittle32(header + 4);
//   WriteLittle16(out, 1);
#pragma once

#include <cstdint>

namespace ombrisk {

inline std::uint16_t ReadLittle16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

inline std::uint32_t ReadLittle32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(ReadLittle16(p)) | static_cast<std::uint32_t>(ReadLittle16(p + 2)) << 16;
}

inline void WriteLittle16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void WriteLittle32(std::uint8_t* p, std::uint32_t value) {
  WriteLittle16(p, static_cast<std::uint16_t>(value));
  WriteLittle16(p + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace ombrisk
