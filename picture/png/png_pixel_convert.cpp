#include "picture/png/png_pixel_convert.h"

#include "picture/png/png_error.h"

namespace ombrisk {

namespace {

using u8 = std::uint8_t;

// Four 2-bit samples s0 s1 s2 s3 become the two bytes s0·16 + s1 and s2·16 + s3.
void TwoToFour(const u8* source, u8* output, u8*, std::int64_t pixels) {
  const std::int64_t bytes = (pixels * 2 + 7) / 8;
  for (std::int64_t i = 0; i < bytes; ++i) {
    const int s = source[i];
    output[2 * i] = static_cast<u8>(((s >> 6) & 3) << 4 | ((s >> 4) & 3));
    output[2 * i + 1] = static_cast<u8>(((s >> 2) & 3) << 4 | (s & 3));
  }
}

void Grey16(const u8* source, u8* output, u8*, std::int64_t pixels) {
  for (std::int64_t i = 0; i < pixels; ++i) output[i] = source[2 * i];
}

void GreyAlpha8(const u8* source, u8* output, u8* alpha, std::int64_t pixels) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    output[i] = source[2 * i];
    alpha[i] = static_cast<u8>(~source[2 * i + 1]);
  }
}

void GreyAlpha16(const u8* source, u8* output, u8* alpha, std::int64_t pixels) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    output[i] = source[4 * i];
    alpha[i] = static_cast<u8>(~source[4 * i + 2]);
  }
}

void Rgb8(const u8* source, u8* output, u8*, std::int64_t pixels) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    const u8* s = source + 3 * i;
    u8* o = output + 3 * i;
    o[0] = s[2];
    o[1] = s[1];
    o[2] = s[0];
  }
}

void Rgb16(const u8* source, u8* output, u8*, std::int64_t pixels) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    const u8* s = source + 6 * i;
    u8* o = output + 3 * i;
    o[0] = s[4];
    o[1] = s[2];
    o[2] = s[0];
  }
}

void Rgba8(const u8* source, u8* output, u8* alpha, std::int64_t pixels) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    const u8* s = source + 4 * i;
    u8* o = output + 3 * i;
    o[0] = s[2];
    o[1] = s[1];
    o[2] = s[0];
    alpha[i] = static_cast<u8>(~s[3]);
  }
}

void Rgba16(const u8* source, u8* output, u8* alpha, std::int64_t pixels) {
  for (std::int64_t i = 0; i < pixels; ++i) {
    const u8* s = source + 8 * i;
    u8* o = output + 3 * i;
    o[0] = s[4];
    o[1] = s[2];
    o[2] = s[0];
    alpha[i] = static_cast<u8>(~s[6]);
  }
}

TPngOutputMapping MapGrey(bool hasAlpha, int depth) {
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) throw EPngError(kSPngGreyBitDepth);
  if (hasAlpha) {
    if (depth < 8) throw EPngError(kSPngGreyAlpha);
    return {8, 2 * depth, depth, depth == 8 ? GreyAlpha8 : GreyAlpha16, true};
  }
  switch (depth) {
    case 1: return {1, 1, 1, nullptr, false};
    case 2: return {4, 2, 2, TwoToFour, false};
    case 4: return {4, 4, 4, nullptr, false};
    case 8: return {8, 8, 8, nullptr, false};
    default: return {8, 16, 16, Grey16, false};
  }
}

TPngOutputMapping MapRgb(bool hasAlpha, int depth) {
  if (depth != 8 && depth != 16) throw EPngError(kSPngBitDepth);
  if (hasAlpha) return {24, 4 * depth, 3 * depth, depth == 8 ? Rgba8 : Rgba16, true};
  return {24, 3 * depth, 3 * depth, depth == 8 ? Rgb8 : Rgb16, false};
}

TPngOutputMapping MapPalette(int depth) {
  switch (depth) {
    case 1: return {1, 1, 1, nullptr, false};
    case 2: return {4, 2, 2, TwoToFour, false};
    case 4: return {4, 4, 4, nullptr, false};
    case 8: return {8, 8, 8, nullptr, false};
    default: throw EPngError(kSPngBitDepth);
  }
}

}  // namespace

TPngOutputMapping MapPngOutput(int colourType, bool hasAlpha, int bitDepth) {
  switch (colourType) {
    case kPngColourGrey: return MapGrey(hasAlpha, bitDepth);
    case kPngColourRgb: return MapRgb(hasAlpha, bitDepth);
    default: return MapPalette(bitDepth);
  }
}

}  // namespace ombrisk
