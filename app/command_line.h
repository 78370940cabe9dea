// What the desktop program is asked on its command line, read before anything starts:
// `ombrisk [PICTURE]`, `ombrisk --version`, `ombrisk --help`. Qt's own options are not read.
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
  // Run: the picture to load once the main window is up (the desktop's "Open With" passes one).
  std::optional<std::string> Picture;
  // Usage: what is wrong with the arguments, for the line above the usage text.
  std::string Problem;
};

inline constexpr const char* kOmbriskUsage =
    "usage: ombrisk [PICTURE]\n"
    "       ombrisk --help | --version\n"
    "Starts the desktop program; a PICTURE (BMP, JPEG or PNG) is loaded as \"&Load Picture\" loads it.\n";

// args are the arguments after the program's name. "--" ends the options, so a picture whose
// name starts with "-" can be given after it.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace ombrisk
