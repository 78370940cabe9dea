#include <cstdio>

#include "cli/commands.h"

namespace ombrisk::cli {

int RunGrey(const std::vector<std::string>&) {
  std::fputs("ombrisk-cli: grey is not available in this build\n", stderr);
  return 2;
}

}  // namespace ombrisk::cli
