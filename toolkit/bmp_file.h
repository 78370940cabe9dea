// Windows bitmap files: the reader and the writer behind TBitmap::LoadFromStream and SaveToStream.
//
//   ReadWindowsBitmap(stream, bitmap);    // from the stream's position; bitmap filled on success
//   WriteWindowsBitmap(bitmap, stream);   // 14-byte file header, 40-byte information header, ...
#pragma once

#include "toolkit/bitmap.h"
#include "toolkit/stream.h"

namespace ombrisk {

// Reads one bitmap file from the stream's position into `bitmap` (format, size, palette, pixels).
// An empty stream gives an empty 0 × 0 bitmap. Malformed files raise EInvalidGraphic
// "ビットマップイメージが不正です"; sizes beyond the limits raise EOutOfResources.
void ReadWindowsBitmap(TStream& stream, TBitmap& bitmap);

// Writes the bitmap at its own depth, rows bottom-up. 15-bit pixels are stored as 16-bit BI_RGB,
// 16-bit ones with the 5-6-5 bit-field masks, 32-bit ones as blue, green, red and 0. An empty
// bitmap writes nothing.
void WriteWindowsBitmap(const TBitmap& bitmap, TStream& stream);

}  // namespace ombrisk
