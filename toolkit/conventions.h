// The two presentation rules every front end shares.
//
//   UserErrorText("ビットマップイメージが不正です") -> the text with a "." appended
//   ApplicationTitle("/usr/bin/OMBRISK.bin")       -> "Ombrisk"
#pragma once

#include <string>

namespace ombrisk {

// A period is appended unless the text is empty or its last character's code is not above that of
// the period (a text that already ends in a period or a blank keeps its end).
std::string UserErrorText(const std::string& message);

// The program file's name without its directory, cut at its first dot, every character after the
// first in lower case.
std::string ApplicationTitle(const std::string& programPath);

}  // namespace ombrisk
