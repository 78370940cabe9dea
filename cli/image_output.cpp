#include "cli/image_output.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_support.h"
#include "picture/png/png_graphic.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk::cli {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

namespace {

std::string ExtensionOf(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of('/');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : Lower(path.substr(dot + 1));
}

}  // namespace

bool HasPngExtension(const std::string& path) { return ExtensionOf(path) == "png"; }

TImageKind ImageKindOf(const std::string& path, const std::string& argument) {
  const std::string extension = ExtensionOf(path);
  if (extension == "bmp") return TImageKind::Bitmap;
  if (extension == "png") return TImageKind::Png;
  throw TUsageError(argument + " must end in .bmp or .png: '" + path + "'");
}

void SaveImage(TBitmap& picture, const std::string& path, TImageKind kind) {
  if (kind == TImageKind::Bitmap) {
    picture.SaveToFile(path);
    return;
  }
  // The encoder writes a 32-bit bitmap as colour without alpha, so the meaningless fourth byte
  // never becomes transparency.
  TSafeFileStream out(path);
  SavePng(picture, out);
  out.Commit();
}

}  // namespace ombrisk::cli
