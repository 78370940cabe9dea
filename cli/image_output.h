// Where a command writes a picture: a Windows bitmap or a PNG, chosen by the file's extension.
//
//   const TImageKind kind = ImageKindOf(path, "IMAGE");   // checked before any work is done
//   SaveImage(picture, path, kind);
#pragma once

#include <optional>
#include <string>

#include "toolkit/bitmap.h"

namespace ombrisk::cli {

enum class TImageKind { Bitmap, Png };

// .bmp or .png in any case; anything else is a TUsageError naming the argument.
TImageKind ImageKindOf(const std::string& path, const std::string& argument);
// Whether the file name ends in .png, in any case.
bool HasPngExtension(const std::string& path);

// A bitmap at its own depth, or a PNG through our encoder (8-bit grey when every pixel is grey, as
// spectrograms and display pictures are); either replaces the file only when complete.
void SaveImage(TBitmap& picture, const std::string& path, TImageKind kind);

// The 8-bit form of a 24- or 32-bit picture whose blue, green and red are equal everywhere, each
// palette index standing for its own grey; nothing for any other picture.
std::optional<TBitmap> GreyBitmapOf(const TBitmap& picture);

// text in lower case (ASCII letters only).
std::string Lower(std::string text);

}  // namespace ombrisk::cli
