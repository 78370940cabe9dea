#include "app/command_line.h"

namespace ombrisk {

namespace {

TCommandLine UsageError(std::string problem) {
  TCommandLine wrong;
  wrong.Request = TCommandLine::TRequest::Usage;
  wrong.Problem = std::move(problem);
  return wrong;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine commandLine;
  bool optionsEnded = false;
  bool soundNext = false;
  for (const std::string& arg : args) {
    const bool isOption = !optionsEnded && arg.size() > 1 && arg.front() == '-';
    if (soundNext) {
      soundNext = false;
      commandLine.Sound = arg;
    } else if (isOption && arg == "--") {
      optionsEnded = true;
    } else if (isOption && (arg == "--version" || arg == "--help" || arg == "-h")) {
      // Asked alone only: "ombrisk --version photo.jpg" is more likely a slip than a request.
      if (args.size() != 1) return UsageError("'" + arg + "' takes no other argument");
      commandLine.Request = arg == "--version" ? TCommandLine::TRequest::Version : TCommandLine::TRequest::Help;
    } else if (isOption && arg == "--view") {
      if (commandLine.Picture || commandLine.Sound) return UsageError("one file at most");
      soundNext = true;
    } else if (isOption) {
      return UsageError("unknown option '" + arg + "'");
    } else if (commandLine.Sound) {
      return UsageError("one file at most");
    } else if (commandLine.Picture) {
      return UsageError("one picture at most");
    } else {
      commandLine.Picture = arg;
    }
  }
  if (soundNext) return UsageError("option '--view' needs a sound file");
  return commandLine;
}

}  // namespace ombrisk
