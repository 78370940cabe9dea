// The encoder's image data: the bitmap's rows (by Adam7 pass when interlaced) filtered, deflated
// and cut into "IDAT" chunks of at most the chunk size.
//
//   WritePngImageData(stream, bitmap, settings, layout, progress);   // after the header chunks
#pragma once

#include <cstdint>
#include <functional>

#include "picture/png/png_write_header.h"
#include "picture/png/png_write_stream.h"
#include "toolkit/bitmap.h"
#include "toolkit/stream.h"

namespace ombrisk {

// Called with the rows' share written so far, 1 … 99, each time it grows.
using TPngRowProgress = std::function<void(std::uint8_t percent)>;

// Raises EPngError kSPngWriteError when zlib refuses the level or fails.
void WritePngImageData(TStream& stream, const TBitmap& bitmap, const TPngWriteSettings& settings,
                       const TPngLayout& layout, const TPngRowProgress& progress);

}  // namespace ombrisk
