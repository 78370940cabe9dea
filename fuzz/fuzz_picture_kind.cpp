// One picture kind, found in the registry by extension: load from a stream, then copy into the
// 24-bit bitmap the display picture is made from.
#include <cstddef>
#include <cstdint>

#include "picture/load_picture.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/picture.h"
#include "toolkit/stream.h"

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
    ombrisk::TBitmap bitmap;
    bitmap.Assign(*graphic);
    bitmap.SetPixelFormat(ombrisk::TPixelFormat::pf24bit);
  } catch (const ombrisk::Exception&) {
  }
  return 0;
}
