// The libjpeg side of TJPEGImage: reading a JPEG file's header and decoding its pixels from a
// memory copy of the whole file. Every libjpeg error ends in EInvalidGraphic carrying
// "JPEG エラー #%d" with libjpeg's message code; warnings and trace output are discarded.
//
//   const TJpegHeader header = ReadJpegHeader(bytes.data(), bytes.size());
//   DecodeJpeg(bytes.data(), bytes.size(), /*quantize=*/header.Grayscale, bitmap);
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/bitmap.h"

namespace ombrisk {

inline constexpr const char* kSJpegError = "JPEG エラー #%d";

// The decoder's own buffers (the whole-picture coefficient store of progressive files, the
// picture held for two-pass quantisation) stay within this; beyond it libjpeg reports an error.
inline constexpr long kMaxJpegWorkBytes = 1L << 30;
// Every scan of a progressive file walks every block of the picture, so a small file made of
// thousands of empty scans over a large frame would keep the decoder busy for minutes. Real files
// have a dozen scans or so; the limits leave room for fifty on a 100-megapixel picture.
inline constexpr int kMaxJpegScans = 1000;
inline constexpr std::uint64_t kMaxJpegScanBlocks = std::uint64_t{1} << 28;

struct TJpegHeader {
  int Width = 0;
  int Height = 0;
  bool Grayscale = false;
  bool Progressive = false;
};

TJpegHeader ReadJpegHeader(const std::uint8_t* data, std::size_t size);

// Full size, block smoothing, the accurate integer transform, no progressive display. Without
// quantize: a 24-bit bitmap (colour pictures only). With quantize: libjpeg's colour quantisation to
// at most 236 colours with its default quantiser and dithering, into an 8-bit bitmap with the
// resulting palette. dest is unchanged when decoding fails.
void DecodeJpeg(const std::uint8_t* data, std::size_t size, bool quantize, TBitmap& dest);

}  // namespace ombrisk
