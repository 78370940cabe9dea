// What the desktop program is asked on its command line, read before anything starts:
// `ombrisk [FILE]`, `ombrisk --view SOUND`, `ombrisk --version`, `ombrisk --help`. Qt's own
// options are not read.
//
//   const TCommandLine commandLine = ParseCommandLine({argv + 1, argv + argc});
//   if (commandLine.Request == TCommandLine::TRequest::Run && commandLine.Picture) ...
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ombrisk {

struct TCommandLine {
  enum class TRequest { Run, Version, Help, Usage };
  TRequest Request = TRequest::Run;
  // Run: the picture to load once the main window is up (the desktop's "Open With" passes one),
  // or a sound to open in the viewer instead (start-up tells which by the file itself).
  std::optional<std::string> Picture;
  // Run: the sound --view names, opened in the viewer whatever it is.
  std::optional<std::string> Sound;
  // Usage: what is wrong with the arguments, for the line above the usage text.
  std::string Problem;
};

inline constexpr const char* kOmbriskUsage =
    "usage: ombrisk [PICTURE | SOUND]\n"
    "       ombrisk --view SOUND\n"
    "       ombrisk --help | --version\n"
    "Starts the desktop program; a PICTURE (BMP, JPEG or PNG) is loaded as \"&Load Picture\" loads it,\n"
    "a SOUND (WAV, AIFF, FLAC, Ogg, Opus, MP3) opens in the viewer.\n";

// args are the arguments after the program's name. "--" ends the options, so a picture whose
// name starts with "-" can be given after it.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace ombrisk
