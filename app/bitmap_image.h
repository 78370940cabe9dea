// A TBitmap as Qt can draw it. The toolkit's rows are blue, green, red (and a fourth byte at 32 bits);
// the image is a copy and stays valid after the bitmap changes.
//
//   painter.drawImage(0, 0, ToQImage(picture));
#pragma once

#include <QImage>

#include "toolkit/bitmap.h"

namespace ombrisk {

// A null image for an empty bitmap. Bitmaps of other depths than 24 and 32 bits are converted on a copy.
QImage ToQImage(const TBitmap& bitmap);

}  // namespace ombrisk
