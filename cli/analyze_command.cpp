#include <cstdio>

#include "cli/commands.h"

namespace ombrisk::cli {

int RunAnalyze(const std::vector<std::string>&) {
  std::fputs("ombrisk-cli: analyze is not available in this build\n", stderr);
  return 2;
}

}  // namespace ombrisk::cli
