#include "toolkit/bmp_file.h"
#include "toolkit/exception.h"

namespace ombrisk {

void ReadWindowsBitmap(TStream& stream, TBitmap& bitmap) {
  if (stream.Size() - stream.Position() <= 0) {
    bitmap.Clear();
    return;
  }
  throw EInvalidGraphic(kSInvalidBitmap);
}

}  // namespace ombrisk
