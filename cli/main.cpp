#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "toolkit/version.h"

namespace {

constexpr const char* kUsage =
    "usage: ombrisk-cli COMMAND ARGS...\n"
    "  synth PICTURE WAVE [--no-invert] [--mirror-x] [--mirror-y] [--log-frequency] [--log-amplitude] [--quiet]\n"
    "  grey PICTURE IMAGE\n"
    "  analyze WAVE IMAGE [--size N] [--window NAME] [--log-frequency] [--log-voltage] [--brightness 0..100]\n"
    "                     [--invert] [--quiet]\n"
    "  analyze SOUND IMAGE.png --decode --editable [--size N] [--hop H] [--range DB] [--channel N]\n"
    "  resynth IMAGE.png SOUND.wav [--iterations K] [--rate R --size N --hop H --range DB]\n"
    "  view SOUND IMAGE [--width W] [--height H] [--from S] [--to S] [--low-hz F] [--high-hz F]\n"
    "                   [--log-frequency] [--range DB] [--colours heat|grey] [--channel N] [--size N]\n"
    "                   [--window NAME] [--no-axes] [--quiet]\n"
    "  --help | --version\n"
    "Run a command with --help for its details.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& command = args.front();
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("ombrisk-cli %s\n", ombrisk::kOmbriskVersion);
    return 0;
  }
  if (command == "synth") return ombrisk::cli::RunSynth(rest);
  if (command == "grey") return ombrisk::cli::RunGrey(rest);
  if (command == "analyze") return ombrisk::cli::RunAnalyze(rest);
  if (command == "resynth") return ombrisk::cli::RunResynth(rest);
  if (command == "view") return ombrisk::cli::RunView(rest);
  std::fprintf(stderr, "ombrisk-cli: unknown command '%s'\n%s", command.c_str(), kUsage);
  return 2;
}
