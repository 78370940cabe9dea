// Descriptive records a PNG file carries beside its pixels, shared by the reader, the picture kind
// and the writer.
//
//   TPngTime t{2024, 5, 17, 12, 0, 0};   // UTC
//   const TPngTime now = CurrentPngTime();
#pragma once

#include <array>
#include <cstdint>
#include <ctime>

namespace ombrisk {

// Modification time, as the file stores it (UTC).
struct TPngTime {
  std::uint16_t Year = 0;
  std::uint8_t Month = 0;
  std::uint8_t Day = 0;
  std::uint8_t Hour = 0;
  std::uint8_t Minute = 0;
  std::uint8_t Second = 0;
};

// The clock's time now, in UTC, as a PNG file stores it.
inline TPngTime CurrentPngTime() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return TPngTime{static_cast<std::uint16_t>(utc.tm_year + 1900), static_cast<std::uint8_t>(utc.tm_mon + 1),
                  static_cast<std::uint8_t>(utc.tm_mday), static_cast<std::uint8_t>(utc.tm_hour),
                  static_cast<std::uint8_t>(utc.tm_min), static_cast<std::uint8_t>(utc.tm_sec)};
}

// White x, white y, red x, red y, green x, green y, blue x, blue y, each times 100000 as stored.
using TPngChromaticities = std::array<std::uint32_t, 8>;

// The raw content of a "gIFg" chunk.
using TPngGifg = std::array<std::uint8_t, 4>;

// Chunk types as their four letters read big-endian.
constexpr std::uint32_t PngChunkType(const char (&name)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(name[3]));
}

// The chunk the chunk reader and the inflater's input both stop at.
inline constexpr std::uint32_t kPngIdat = PngChunkType("IDAT");

inline constexpr std::array<std::uint8_t, 8> kPngSignature = {137, 80, 78, 71, 13, 10, 26, 10};

// Toolkit colours naming a palette index are this plus the index.
inline constexpr std::int32_t kPaletteIndexColour = 0x01000000;

}  // namespace ombrisk
