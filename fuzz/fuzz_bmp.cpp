// Windows bitmap reader: any bytes must load or raise one of the toolkit's exceptions.
#include <cstddef>
#include <cstdint>

#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ombrisk::TMemoryStream stream;
  stream.WriteBuffer(data, size);
  stream.SetPosition(0);
  try {
    ombrisk::TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    // Touch every pixel through the public conversions a load is followed by.
    bitmap.SetPixelFormat(ombrisk::TPixelFormat::pf24bit);
    for (int y = 0; y < bitmap.Height(); ++y) (void)bitmap.ScanLine(y)[0];
  } catch (const ombrisk::Exception&) {
  }
  return 0;
}
