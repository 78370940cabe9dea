#include "toolkit/size_limits.h"

#include <string>

#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk {

std::uint64_t CheckedMultiply(std::uint64_t a, std::uint64_t b) {
  std::uint64_t product = 0;
  if (__builtin_mul_overflow(a, b, &product)) {
    throw EOutOfResources(FormatMessage(kSBitmapTooLarge, {std::to_string(a), std::to_string(b)}));
  }
  return product;
}

std::uint64_t ScanLineBytes(std::int64_t width, int bitsPerPixel) {
  const std::uint64_t bits = CheckedMultiply(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(bitsPerPixel));
  return (bits + 31) / 32 * 4;
}

void CheckBitmapSize(std::int64_t width, std::int64_t height, int bitsPerPixel) {
  const auto fail = [&] {
    throw EOutOfResources(FormatMessage(kSBitmapTooLarge, {std::to_string(width), std::to_string(height)}));
  };
  if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) fail();
  const std::uint64_t bytes = ScanLineBytes(width, bitsPerPixel) * static_cast<std::uint64_t>(height);
  if (bytes > kMaxBitmapBytes) fail();
}

}  // namespace ombrisk
