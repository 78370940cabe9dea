// ombrisk-cli grey: the display picture a load would make, written as a 24-bit grey Windows bitmap.
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "picture/load_picture.h"
#include "toolkit/bitmap.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kGreyUsage =
    "usage: ombrisk-cli grey PICTURE BITMAP\n"
    "Loads PICTURE (bmp, jpg, jpeg or png) as the desktop program loads its display picture and\n"
    "writes that picture, the exact one that would be turned into sound, to BITMAP as a 24-bit\n"
    "Windows bitmap whose blue, green and red bytes are equal.\n";

}  // namespace

int RunGrey(const std::vector<std::string>& args) {
  return RunCommand("grey", kGreyUsage, args, [&] {
    const TCommandLine line = ParseCommandLine(args, TOptionSpec{});
    RequirePositionals(line, {"PICTURE", "BITMAP"});
    RegisterPictureFormats(24);
    TBitmap display;
    LoadPicture(line.Positionals[0], display);
    display.SaveToFile(line.Positionals[1]);
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
