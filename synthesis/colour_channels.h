// The colours a stereo synthesis reads: a picture's red and its green, each as a grey picture the
// column reader takes (24 bits, the channel's value in all three bytes).
//
//   TBitmap red, green;
//   SplitRedGreen(colourPicture, red, green);   // any pixel format; blue is not used
#pragma once

#include "toolkit/bitmap.h"

namespace ombrisk {

void SplitRedGreen(const TBitmap& colours, TBitmap& red, TBitmap& green);

}  // namespace ombrisk
