// TPixelBitmap: a TBitmap held at 32 bits per pixel at all times, with direct pixel access through
// scan lines. Pixel bytes are blue, green, red and a fourth byte without meaning.
//
//   TPixelBitmap p; p.Assign(picture);         // now 32 bits per pixel, colours kept
//   const TColor c = p.GetPixelColor(x, y);     // red + 256 × green + 65536 × blue
#pragma once

#include <cstdint>

#include "toolkit/bitmap.h"

namespace ombrisk {

struct TRGB {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
};

class TPixelBitmap : public TBitmap {
public:
  TPixelBitmap();

  // The base operations, each followed by Force32Bit.
  void Assign(const TGraphic& source);
  void LoadFromStream(TStream& stream) override;
  void LoadFromFile(const std::string& fileName);

  void Force32Bit();
  // x is not range-tested; y is, by the scan-line access.
  void SetPixelRGB(int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  TRGB GetPixelRGB(int x, int y) const;
  TColor GetPixelColor(int x, int y) const;
  // Every pixel of every row becomes blue, green, red, 0; nothing happens when IsNotEmpty is false.
  void Fill(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  bool IsNotEmpty() const { return Width() > 0; }
};

// 255 above 255, 0 below 0, else the value.
std::uint8_t ClampByte(std::int32_t value);

}  // namespace ombrisk
