#include <cstdio>

#include "cli/commands.h"

namespace ombrisk::cli {

int RunSynth(const std::vector<std::string>&) {
  std::fputs("ombrisk-cli: synth is not available in this build\n", stderr);
  return 2;
}

}  // namespace ombrisk::cli
