// LoadPicture by extension: the first byte chooses the extension, the rest is the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "picture/load_picture.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/picture.h"

constexpr long long kMaxLoadedPixels = 1 << 18;

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
  // A few hundred bytes can announce a picture of a hundred million pixels, whose conversion to grey
  // pixel by pixel outlasts a fuzzing time-out under the sanitizers and reaches no code that a small
  // picture does not. The file is loaded once to learn its size; only small pictures go on (and
  // files that fail, to the same failure through LoadPicture).
  bool small = true;
  try {
    ombrisk::TPicture probe;
    probe.LoadFromFile(path);
    small = static_cast<long long>(probe.Width()) * probe.Height() <= kMaxLoadedPixels;
  } catch (const ombrisk::Exception&) {
  }
  if (small) {
    try {
      ombrisk::TBitmap display;
      ombrisk::LoadPicture(path, display);
    } catch (const ombrisk::Exception&) {
    }
  }
  std::remove(path.c_str());
  return 0;
}
