#include "picture/load_picture.h"

#include "picture/grey_conversion.h"
#include "picture/jpeg_image.h"
#include "picture/png/png_graphic.h"
#include "toolkit/picture.h"

namespace ombrisk {

namespace {

constexpr const char* kSJPEGImageFile = "JPEG イメージファイル";

}  // namespace

void RegisterPictureFormats(int displayBitsPerPixel) {
  static bool registered = false;
  if (registered) return;
  registered = true;
  // The depth is fixed before the JPEG kind registers and never follows later display changes.
  TJPEGImage::SetDefaultPixelFormat(displayBitsPerPixel <= 8 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit);
  TPicture::RegisterFileFormat("jpeg", kSJPEGImageFile, TJPEGImage::Class());
  TPicture::RegisterFileFormat("jpg", kSJPEGImageFile, TJPEGImage::Class());
  RegisterPngFormat();
}

void LoadPicture(const std::string& fileName, TBitmap& displayPicture) {
  // TPicture opens the file through TFileStream for reading. Windows would open it letting others
  // read but not write; POSIX has no such sharing mode, and the shared advisory lock (flock) that
  // TFileStream takes while the file is open stands in for it: writers that lock wait for us.
  TPicture picture;
  picture.LoadFromFile(fileName);

  // Reading, decoding and the change to 24 bits work on a bitmap of our own; the display picture
  // is touched only by the grey pass, which can fail only for want of memory, before any change.
  TBitmap colours;
  colours.Assign(*picture.Graphic());
  WriteGreyInto(colours, displayPicture);
}

void LoadColourPicture(const std::string& fileName, TBitmap& colours) {
  TPicture picture;
  picture.LoadFromFile(fileName);
  TBitmap read;
  read.Assign(*picture.Graphic());
  read.SetPixelFormat(TPixelFormat::pf24bit);
  colours.Assign(read);
}

}  // namespace ombrisk
