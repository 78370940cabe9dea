#include "toolkit/pixel_bitmap.h"

#include <cstddef>

namespace ombrisk {

namespace {

constexpr std::size_t kBytesPerPixel = 4;

}  // namespace

TPixelBitmap::TPixelBitmap() { Force32Bit(); }

void TPixelBitmap::Assign(const TGraphic& source) {
  TBitmap::Assign(source);
  Force32Bit();
}

void TPixelBitmap::LoadFromStream(TStream& stream) {
  TBitmap::LoadFromStream(stream);
  Force32Bit();
}

void TPixelBitmap::LoadFromFile(const std::string& fileName) {
  TBitmap::LoadFromFile(fileName);
  Force32Bit();
}

void TPixelBitmap::Force32Bit() { SetPixelFormat(TPixelFormat::pf32bit); }

void TPixelBitmap::SetPixelRGB(int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  std::uint8_t* pixel = ScanLine(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
  pixel[0] = blue;
  pixel[1] = green;
  pixel[2] = red;
}

TRGB TPixelBitmap::GetPixelRGB(int x, int y) const {
  const std::uint8_t* pixel = ScanLine(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
  return TRGB{pixel[2], pixel[1], pixel[0]};
}

TColor TPixelBitmap::GetPixelColor(int x, int y) const {
  const TRGB rgb = GetPixelRGB(x, y);
  return static_cast<TColor>(rgb.Red) + 256 * static_cast<TColor>(rgb.Green) + 65536 * static_cast<TColor>(rgb.Blue);
}

void TPixelBitmap::Fill(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  if (!IsNotEmpty()) return;
  const std::size_t width = static_cast<std::size_t>(Width());
  // The first row is fetched before the height is looked at, so a bitmap that is wide but has
  // no rows fails at row 0 rather than passing silently.
  int y = 0;
  do {
    std::uint8_t* pixel = ScanLine(y);
    for (std::size_t x = 0; x < width; ++x, pixel += kBytesPerPixel) {
      pixel[0] = blue;
      pixel[1] = green;
      pixel[2] = red;
      pixel[3] = 0;
    }
  } while (++y < Height());
}

std::uint8_t ClampByte(std::int32_t value) {
  if (value > 255) return 255;
  if (value < 0) return 0;
  return static_cast<std::uint8_t>(value);
}

}  // namespace ombrisk
