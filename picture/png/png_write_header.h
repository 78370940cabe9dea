// The encoder's stages before the image data: the layout it writes a bitmap in, and every chunk
// from "IHDR" to "pHYs" in their order.
//
//   const TPngLayout layout = PngLayoutFor(bitmap, settings);
//   WritePngHeaderChunks(stream, bitmap, settings, layout);   // after the signature
#pragma once

#include "picture/png/png_write_stream.h"
#include "toolkit/bitmap.h"
#include "toolkit/stream.h"

namespace ombrisk {

struct TPngLayout {
  int Width = 0;
  int Height = 0;
  // The bitmap's own depth, 15 for pf15bit.
  int BitmapBits = 0;
  // PNG colour type (0, 2, 3, 4 or 6) and bits per sample.
  int ColourType = 2;
  int Depth = 8;
  bool WritesAlpha = false;
  bool Grey = false;
};

TPngLayout PngLayoutFor(const TBitmap& bitmap, const TPngWriteSettings& settings);

void WritePngHeaderChunks(TStream& stream, const TBitmap& bitmap, const TPngWriteSettings& settings,
                          const TPngLayout& layout);

}  // namespace ombrisk
