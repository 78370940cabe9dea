// The options the editable spectrogram shares between "analyze --editable" and "resynth".
//
//   const std::int32_t size = ParseEditableSize(text);   // TUsageError naming --size
#pragma once

#include <cstdint>
#include <string>

#include "cli/cli_support.h"
#include "signal/editable_parameters.h"

namespace ombrisk::cli {

// A power of two within 64 … 16384.
std::int32_t ParseEditableSize(const std::string& text);
// Whole decibels 1 … 400.
double ParseEditableRange(const std::string& text);
// 1 … size.
std::int32_t ParseEditableHop(const std::string& text, std::int32_t size);

}  // namespace ombrisk::cli
