// Loading a picture file into the display picture: a 24-bit TBitmap whose blue, green and red bytes
// are equal (the grey the synthesis reads).
//
//   RegisterPictureFormats(24);          // once per process, before any load
//   LoadPicture(path, displayBitmap);    // displayBitmap untouched when this throws
//   LoadColourPicture(path, colours);    // the colours themselves, for a stereo synthesis
#pragma once

#include <string>

#include "toolkit/bitmap.h"

namespace ombrisk {

// The start-up registrations, in order: the JPEG kind ("jpeg", then "jpg"), then the PNG kind.
// displayBitsPerPixel decides the JPEG decoding depth (8 or fewer: 8-bit paletted). Runs its work
// only once per process; later calls do nothing.
void RegisterPictureFormats(int displayBitsPerPixel);

void LoadPicture(const std::string& fileName, TBitmap& displayPicture);
// The same reading through the same picture kinds, without the grey pass: the file's colours at
// 24 bits (colours untouched when this throws).
void LoadColourPicture(const std::string& fileName, TBitmap& colours);

}  // namespace ombrisk
