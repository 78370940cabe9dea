// One picture kind, found in the registry by extension: load from a stream, then copy into the
// 24-bit bitmap the display picture is made from.
#include <cstddef>
#include <cstdint>

#include "picture/load_picture.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/picture.h"
#include "toolkit/stream.h"

constexpr long long kMaxCopiedPixels = 1 << 16;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ombrisk::RegisterPictureFormats(24);
  const ombrisk::TGraphicClass* kind = ombrisk::TPicture::FindExt(OMBRISK_FUZZ_EXTENSION);
  if (kind == nullptr) __builtin_trap();
  ombrisk::TMemoryStream stream;
  stream.WriteBuffer(data, size);
  stream.SetPosition(0);
  try {
    const auto graphic = kind->Create();
    graphic->LoadFromStream(stream);
    // A few bytes can announce a huge picture, which libjpeg then decodes in full from nothing and
    // a conversion walks pixel by pixel: most of a fuzzing time-out under the sanitizers for no
    // code that a small picture does not reach. Such pictures are loaded (the header, or for PNG the
    // whole file) but not copied.
    if (static_cast<long long>(graphic->Width()) * graphic->Height() > kMaxCopiedPixels) return 0;
    ombrisk::TBitmap bitmap;
    bitmap.Assign(*graphic);
    bitmap.SetPixelFormat(ombrisk::TPixelFormat::pf24bit);
  } catch (const ombrisk::Exception&) {
  }
  return 0;
}
