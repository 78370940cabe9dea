// TBitmap: a device-independent bitmap of 1, 4, 8, 15, 16, 24 or 32 bits per pixel with an optional
// palette (up to 256 entries), scan-line access, per-pixel colour access and conversion between
// formats, read from and written to Windows bitmap files.
//
//   TBitmap b; b.SetPixelFormat(TPixelFormat::pf24bit); b.SetSize(640, 480);
//   std::uint8_t* row = b.ScanLine(0);   // row 0 is the top row; 24-bit pixels are blue, green, red
//
// Pixel layouts of a scan line: 1, 4 and 8 bits hold palette indices (most significant bits first);
// 15 bits are x-rrrrr-ggggg-bbbbb and 16 bits rrrrr-gggggg-bbbbb, little-endian words; 24 bits blue,
// green, red; 32 bits blue, green, red and a fourth byte. Rows are padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/graphic.h"

namespace ombrisk {

enum class TPixelFormat { pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// Bits one pixel takes in a scan line: pf15bit takes 16, like pf16bit.
int BitsPerPixel(TPixelFormat format);

struct TPaletteEntry {
  std::uint8_t peRed = 0;
  std::uint8_t peGreen = 0;
  std::uint8_t peBlue = 0;
  std::uint8_t peFlags = 0;

  bool operator==(const TPaletteEntry&) const = default;
};

class TBitmap : public TGraphic {
public:
  TBitmap();
  // Copies hold their own pixels; the event handlers stay with the source.
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);
  ~TBitmap() override;

  std::string ClassName() const override { return "TBitmap"; }

  int Width() const override;
  int Height() const override;
  // Resizing keeps the pixel format and the pixels that stay inside; new pixels are 0.
  // Sizes beyond the limits of size_limits.h raise EOutOfResources.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const;
  // Converts existing pixels, keeping their colours (paletted pixels take their palette colours;
  // going to a paletted format picks the nearest palette entry, building a palette if there is none).
  // A size beyond the limits at the new depth raises EOutOfResources and changes nothing.
  void SetPixelFormat(TPixelFormat format);

  // Bytes per scan line, padded to 4.
  std::size_t BytesPerScanLine() const;
  // Row y counted from the top. Raises EInvalidGraphicOperation "スキャンライン のインデックスが範囲を越えました"
  // when y is outside 0 … Height() − 1.
  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;

  // Per-pixel colour, as a canvas gives it: packed red + 256 × green + 65536 × blue.
  // Outside the bitmap GetPixel returns kClNone and SetPixel does nothing.
  TColor GetPixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  const std::vector<TPaletteEntry>& Palette() const;
  void SetPalette(std::vector<TPaletteEntry> palette);

  // Copies source into this bitmap (source.AssignTo(*this)): a bitmap is copied with its format,
  // palette and transparency; other kinds decode into it or raise their assignment error.
  void Assign(const TGraphic& source);
  void AssignTo(TBitmap& dest) const override;
  // Back to the empty 0 × 0 state (the pixel format stays).
  void Clear();

  // Windows bitmap files. A zero-length stream loads as an empty 0 × 0 bitmap.
  void LoadFromStream(TStream& stream) override;
  // Writes at the bitmap's own depth: 14-byte file header, 40-byte information header, the colour
  // table for paletted formats (bit-field masks for 16 bits), then the rows bottom-up.
  void SaveToStream(TStream& stream) override;

  // The colour treated as transparent; kClNone until set (then the bottom-left pixel is used).
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

private:
  struct Image;
  std::unique_ptr<Image> m_image;
  TColor m_transparentColor = kClNone;
};

}  // namespace ombrisk
