// Fills a message template: each %s or %d takes the next argument as given (already text), %% is a
// percent sign. Missing arguments leave the directive empty; spare arguments are ignored.
//
//   FormatMessage("JPEG エラー #%d", {std::to_string(code)});
#pragma once

#include <initializer_list>
#include <string>

namespace ombrisk {

std::string FormatMessage(const std::string& pattern, std::initializer_list<std::string> args);

}  // namespace ombrisk
