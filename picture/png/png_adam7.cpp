#include "picture/png/png_adam7.h"

#include <cstring>

namespace ombrisk {

std::int64_t Adam7Pixels(int pass, std::int64_t width) {
  switch (pass) {
    case 0: return (width + 7) / 8;
    case 1: return (width + 3) / 8;
    case 2: return (width + 3) / 4;
    case 3: return (width + 1) / 4;
    case 4: return (width + 1) / 2;
    case 5: return width / 2;
    default: return width;
  }
}

std::int64_t Adam7Rows(int pass, std::int64_t height) {
  switch (pass) {
    case 0:
    case 1: return (height + 7) / 8;
    case 2: return (height + 3) / 8;
    case 3: return (height + 3) / 4;
    case 4: return (height + 1) / 4;
    case 5: return (height + 1) / 2;
    default: return height / 2;
  }
}

bool Adam7Skipped(int pass, std::int64_t width, std::int64_t height) {
  switch (pass) {
    case 1: return width < 5;
    case 2: return height < 5;
    case 3: return width < 3;
    case 4: return height < 3;
    case 5: return width < 2;
    case 6: return height < 2;
    default: return false;
  }
}

std::int64_t Adam7RowTotal(std::int64_t h) {
  std::int64_t total = 2 * ((h + 7) / 8) + (h + 3) / 4 + (h + 1) / 2;
  if (h >= 5) total += (h + 3) / 8;
  if (h >= 3) total += (h + 1) / 4;
  if (h >= 2) total += h / 2;
  return total;
}

void PlaceScattered1(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                     std::int64_t step) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    const int bit = (source[i >> 3] >> (7 - (i & 7))) & 1;
    const std::int64_t x = start + i * step;
    const auto mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
    if (bit != 0) {
      line[x >> 3] = static_cast<std::uint8_t>(line[x >> 3] | mask);
    } else {
      line[x >> 3] = static_cast<std::uint8_t>(line[x >> 3] & ~mask);
    }
  }
}

void PlaceScattered4(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                     std::int64_t step) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    const int nibble = (i & 1) == 0 ? source[i >> 1] >> 4 : source[i >> 1] & 0x0F;
    const std::int64_t x = start + i * step;
    std::uint8_t& byte = line[x >> 1];
    byte = (x & 1) == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | (nibble << 4))
                        : static_cast<std::uint8_t>((byte & 0xF0) | nibble);
  }
}

void PlaceScattered8(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                     std::int64_t step) {
  for (std::int64_t i = 0; i < pixels; ++i) line[start + i * step] = source[i];
}

void PlaceScattered24(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                      std::int64_t step) {
  for (std::int64_t i = 0; i < pixels; ++i) std::memcpy(line + start + i * step, source + 3 * i, 3);
}

}  // namespace ombrisk
