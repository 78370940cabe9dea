#include "toolkit/conventions.h"

#include <cctype>

namespace ombrisk {

std::string UserErrorText(const std::string& message) {
  // Compared as unsigned bytes: the last byte of a multi-byte UTF-8 character is above '.',
  // as a wide character code would be.
  if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + ".";
}

std::string ApplicationTitle(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of('/');
  std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  for (std::size_t i = 1; i < name.size(); ++i) {
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  return name;
}

}  // namespace ombrisk
