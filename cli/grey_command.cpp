// ombrisk-cli grey: the display picture a load would make, written as a 24-bit grey Windows bitmap
// or as a PNG.
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/image_output.h"
#include "picture/load_picture.h"
#include "toolkit/bitmap.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kGreyUsage =
    "usage: ombrisk-cli grey PICTURE IMAGE\n"
    "Loads PICTURE (bmp, jpg, jpeg or png) as the desktop program loads its display picture and\n"
    "writes that picture, the exact one that would be turned into sound, to IMAGE: an 8-bit\n"
    "greyscale PNG when the name ends in .png, else a 24-bit Windows bitmap whose blue, green and\n"
    "red bytes are equal.\n";

}  // namespace

int RunGrey(const std::vector<std::string>& args) {
  return RunCommand("grey", kGreyUsage, args, [&] {
    const TCommandLine line = ParseCommandLine(args, TOptionSpec{});
    RequirePositionals(line, {"PICTURE", "IMAGE"});
    // Any other name is a bitmap, as it always was.
    const TImageKind kind = HasPngExtension(line.Positionals[1]) ? TImageKind::Png : TImageKind::Bitmap;
    RegisterPictureFormats(24);
    TBitmap display;
    LoadPicture(line.Positionals[0], display);
    SaveImage(display, line.Positionals[1], kind);
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
