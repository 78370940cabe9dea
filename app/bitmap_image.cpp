#include "app/bitmap_image.h"

#include <cstring>

namespace ombrisk {

namespace {

QImage FromBgr24(const TBitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_BGR888);
  const auto rowBytes = static_cast<std::size_t>(bitmap.Width()) * 3;
  for (int y = 0; y < bitmap.Height(); ++y) std::memcpy(image.scanLine(y), bitmap.ScanLine(y), rowBytes);
  return image;
}

QImage FromBgrx32(const TBitmap& bitmap) {
  // The fourth byte means nothing in the toolkit; Qt's RGB32 wants it at 255.
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* source = bitmap.ScanLine(y);
    auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x, source += 4) target[x] = qRgb(source[2], source[1], source[0]);
  }
  return image;
}

}  // namespace

QImage ToQImage(const TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf24bit:
      return FromBgr24(bitmap);
    case TPixelFormat::pf32bit:
      return FromBgrx32(bitmap);
    default: {
      TBitmap copy(bitmap);
      copy.SetPixelFormat(TPixelFormat::pf24bit);
      return FromBgr24(copy);
    }
  }
}

}  // namespace ombrisk
