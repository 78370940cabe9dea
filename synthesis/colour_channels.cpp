#include "synthesis/colour_channels.h"

#include <cstddef>
#include <cstdint>

namespace ombrisk {

void ChannelPicture(const TBitmap& colours, TColourChannel channel, TBitmap& out) {
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
  if (out.PixelFormat() != TPixelFormat::pf24bit) out.SetPixelFormat(TPixelFormat::pf24bit);
  if (out.Width() != width || out.Height() != height) out.SetSize(width, height);
  const std::size_t byte = channel == TColourChannel::Red ? 2 : 1;  // of blue, green, red
  const auto bytes = 3 * static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* const in = source->ScanLine(y);
    std::uint8_t* const grey = out.ScanLine(y);
    for (std::size_t i = 0; i < bytes; i += 3) grey[i] = grey[i + 1] = grey[i + 2] = in[i + byte];
  }
}

}  // namespace ombrisk
