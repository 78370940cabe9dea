// Named limits for everything whose size comes from a file, and the one checked multiply that
// every allocation computed from file values goes through.
//
//   const std::uint64_t bytes = CheckedMultiply(rowBytes, height);   // throws on overflow
//   CheckBitmapSize(width, height, 24);                                // throws EOutOfResources
#pragma once

#include <cstdint>

namespace ombrisk {

// Pixel memory of one bitmap. 1 GiB holds a 16384 x 16384 picture at 32 bits per pixel, far beyond
// any picture that can be turned into sound in reasonable time, and stays allocatable on a 32-bit
// address space's worth of headroom on a small machine.
inline constexpr std::uint64_t kMaxBitmapBytes = std::uint64_t{1} << 30;
// Width or height of any bitmap, in pixels: keeps width × bits per pixel far from overflow while
// allowing the long, low spectrograms of hour-long sounds.
inline constexpr std::int64_t kMaxBitmapSide = std::int64_t{1} << 24;

inline constexpr const char* kSBitmapTooLarge = "%s × %s ピクセルの画像は大きすぎて扱えません";

// a × b, raising EOutOfResources naming both factors when the product does not fit in 64 bits.
std::uint64_t CheckedMultiply(std::uint64_t a, std::uint64_t b);

// Bytes per scan line of a bitmap, rows padded to 4 bytes. Width must be within kMaxBitmapSide.
std::uint64_t ScanLineBytes(std::int64_t width, int bitsPerPixel);

// Raises EOutOfResources with kSBitmapTooLarge filled with width and height when a bitmap of this
// size and depth exceeds kMaxBitmapSide or kMaxBitmapBytes; negative sizes too.
void CheckBitmapSize(std::int64_t width, std::int64_t height, int bitsPerPixel);

}  // namespace ombrisk
