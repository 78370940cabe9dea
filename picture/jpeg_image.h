// TJPEGImage: the JPEG picture kind. Loading copies the whole file into memory and reads only its
// header; the pixels are decoded by libjpeg when the picture is copied into a bitmap.
//
//   TJPEGImage jpeg; jpeg.LoadFromFile("photo.jpg");
//   TBitmap bitmap; bitmap.Assign(jpeg);   // 24 bits, or 8 bits paletted (see PixelFormat)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/graphic.h"
#include "toolkit/picture.h"

namespace ombrisk {

// The decoding depth: 24-bit bitmaps, or 8-bit paletted ones through libjpeg's quantiser.
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage : public TGraphic {
public:
  static const TGraphicClass& Class();

  // The depth new pictures decode at, decided once at start-up from the display.
  static TJPEGPixelFormat DefaultPixelFormat();
  static void SetDefaultPixelFormat(TJPEGPixelFormat format);

  TJPEGImage();

  std::string ClassName() const override { return "TJPEGImage"; }

  // Copies the stream from its position to its end and reads the header; a libjpeg error raises
  // "JPEG エラー #%d" and leaves the picture as it was.
  void LoadFromStream(TStream& stream) override;
  // Writes the file's bytes as loaded.
  void SaveToStream(TStream& stream) override;

  int Width() const override { return m_width; }
  int Height() const override { return m_height; }
  bool Grayscale() const { return m_grayscale; }
  bool ProgressiveEncoding() const { return m_progressive; }

  TJPEGPixelFormat PixelFormat() const { return m_pixelFormat; }
  void SetPixelFormat(TJPEGPixelFormat format) { m_pixelFormat = format; }

  // Decodes into dest: greyscale pictures, and all pictures at jf8Bit, through the quantiser into an
  // 8-bit paletted bitmap, other pictures into a 24-bit bitmap. An empty picture gives an empty
  // bitmap. dest is unchanged when decoding fails.
  void AssignTo(TBitmap& dest) const override;

private:
  std::vector<std::uint8_t> m_data;
  int m_width = 0;
  int m_height = 0;
  bool m_grayscale = false;
  bool m_progressive = false;
  TJPEGPixelFormat m_pixelFormat;
};

}  // namespace ombrisk
