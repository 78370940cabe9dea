// Loading a picture file into the display picture: a 24-bit TBitmap whose blue, green and red bytes
// are equal (the grey the synthesis reads).
//
//   RegisterPictureFormats(24);          // once per process, before any load
//   LoadPicture(path, displayBitmap);    // displayBitmap untouched when this throws
#pragma once

#include <string>

#include "toolkit/bitmap.h"

namespace ombrisk {

// The start-up registrations, in order: the JPEG kind ("jpeg", then "jpg"), then the PNG kind.
// displayBitsPerPixel decides the JPEG decoding depth (8 or fewer: 8-bit paletted). Runs its work
// only once per process; later calls do nothing.
void RegisterPictureFormats(int displayBitsPerPixel);

void LoadPicture(const std::string& fileName, TBitmap& displayPicture);

}  // namespace ombrisk
