// Windows bitmap reader: any bytes must load or raise one of the toolkit's exceptions.
#include <cstddef>
#include <cstdint>

#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/stream.h"

constexpr long long kMaxConvertedPixels = 1 << 16;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ombrisk::TMemoryStream stream;
  stream.WriteBuffer(data, size);
  stream.SetPosition(0);
  try {
    ombrisk::TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    // Touch every pixel through the public conversions a load is followed by. A few hundred bytes
    // of run-length codes make a picture of a hundred million pixels, whose conversion pixel by
    // pixel takes most of a fuzzing time-out under the sanitizers; the conversion code is the same
    // for a small picture, so only those are converted.
    if (static_cast<long long>(bitmap.Width()) * bitmap.Height() <= kMaxConvertedPixels) {
      bitmap.SetPixelFormat(ombrisk::TPixelFormat::pf24bit);
      for (int y = 0; y < bitmap.Height(); ++y) (void)bitmap.ScanLine(y)[0];
    }
  } catch (const ombrisk::Exception&) {
  }
  return 0;
}
