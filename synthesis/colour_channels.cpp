#include "synthesis/colour_channels.h"

#include <cstddef>
#include <cstdint>

#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

void SplitRedGreen(const TBitmap& colours, TBitmap& red, TBitmap& green) {
  TPixelBitmap source;  // 32 bits: blue, green, red, unused
  source.Assign(colours);
  const int width = source.Width();
  const int height = source.Height();
  for (TBitmap* channel : {&red, &green}) {
    channel->SetPixelFormat(TPixelFormat::pf24bit);
    channel->SetSize(width, height);
  }
  const auto columns = static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = source.ScanLine(y);
    std::uint8_t* r = red.ScanLine(y);
    std::uint8_t* g = green.ScanLine(y);
    for (std::size_t x = 0; x < columns; ++x, in += 4, r += 3, g += 3) {
      r[0] = r[1] = r[2] = in[2];
      g[0] = g[1] = g[2] = in[1];
    }
  }
}

}  // namespace ombrisk
