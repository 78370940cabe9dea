// LoadPicture by extension: the first byte chooses the extension, the rest is the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "picture/load_picture.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char* const kExtensions[] = {"bmp", "jpg", "jpeg", "png", "ico", "wmf", "emf", "PNG", "txt"};
  ombrisk::RegisterPictureFormats(24);
  const std::string path = "/tmp/ombrisk-fuzz-" + std::to_string(::getpid()) + "." +
                           kExtensions[data[0] % (sizeof kExtensions / sizeof *kExtensions)];
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);
  }
  try {
    ombrisk::TBitmap display;
    ombrisk::LoadPicture(path, display);
  } catch (const ombrisk::Exception&) {
  }
  std::remove(path.c_str());
  return 0;
}
