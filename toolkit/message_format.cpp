#include "toolkit/message_format.h"

namespace ombrisk {

std::string FormatMessage(const std::string& pattern, std::initializer_list<std::string> args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%' || i + 1 >= pattern.size()) {
      out += c;
      continue;
    }
    const char directive = pattern[i + 1];
    if (directive == '%') {
      out += '%';
      ++i;
    } else if (directive == 's' || directive == 'd') {
      if (next != args.end()) out += *next++;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace ombrisk
