#include "synthesis/colour_channels.h"

#include <cstddef>
#include <cstdint>

namespace ombrisk {

void SplitRedGreen(const TBitmap& colours, TBitmap& red, TBitmap& green) {
  // A loaded colour picture is at 24 bits already; anything else is brought there on a copy.
  TBitmap converted;
  const TBitmap* source = &colours;
  if (colours.PixelFormat() != TPixelFormat::pf24bit) {
    converted.Assign(colours);
    converted.SetPixelFormat(TPixelFormat::pf24bit);
    source = &converted;
  }
  const int width = source->Width();
  const int height = source->Height();
  for (TBitmap* channel : {&red, &green}) {
    channel->SetPixelFormat(TPixelFormat::pf24bit);
    channel->SetSize(width, height);
  }
  const auto bytes = 3 * static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* const in = source->ScanLine(y);  // blue, green, red
    std::uint8_t* const r = red.ScanLine(y);
    std::uint8_t* const g = green.ScanLine(y);
    for (std::size_t i = 0; i < bytes; i += 3) {
      r[i] = r[i + 1] = r[i + 2] = in[i + 2];
      g[i] = g[i + 1] = g[i + 2] = in[i + 1];
    }
  }
}

}  // namespace ombrisk
