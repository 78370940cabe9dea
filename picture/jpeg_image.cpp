#include "picture/jpeg_image.h"

#include <memory>
#include <utility>

#include "picture/jpeg_decoder.h"
#include "toolkit/bitmap.h"

namespace ombrisk {

namespace {

TJPEGPixelFormat& DefaultFormat() {
  static TJPEGPixelFormat format = TJPEGPixelFormat::jf24Bit;
  return format;
}

}  // namespace

const TGraphicClass& TJPEGImage::Class() {
  static const TGraphicClass kind{"TJPEGImage", &GraphicClass(), [] { return std::make_unique<TJPEGImage>(); }};
  return kind;
}

TJPEGPixelFormat TJPEGImage::DefaultPixelFormat() { return DefaultFormat(); }
void TJPEGImage::SetDefaultPixelFormat(TJPEGPixelFormat format) { DefaultFormat() = format; }

TJPEGImage::TJPEGImage() : m_pixelFormat(DefaultFormat()) {}

void TJPEGImage::LoadFromStream(TStream& stream) {
  std::vector<std::uint8_t> data = ReadRemainingBytes(stream);
  const TJpegHeader header = ReadJpegHeader(data.data(), data.size());
  m_data = std::move(data);
  m_width = header.Width;
  m_height = header.Height;
  m_grayscale = header.Grayscale;
  m_progressive = header.Progressive;
  Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) { stream.WriteBuffer(m_data.data(), m_data.size()); }

void TJPEGImage::AssignTo(TBitmap& dest) const {
  if (m_data.empty()) {
    dest.Assign(TBitmap());
    return;
  }
  const bool quantize = m_grayscale || m_pixelFormat == TJPEGPixelFormat::jf8Bit;
  DecodeJpeg(m_data.data(), m_data.size(), quantize, dest);
}

}  // namespace ombrisk
