#include "cli/editable_options.h"

namespace ombrisk::cli {

std::int32_t ParseEditableSize(const std::string& text) {
  const int size = ParseIntOption("--size", text, kSmallestEditableSize, kLargestEditableSize);
  if ((size & (size - 1)) != 0) throw TUsageError("option '--size' takes a power of two, not '" + text + "'");
  return size;
}

double ParseEditableRange(const std::string& text) { return ParseIntOption("--range", text, 1, 400); }

std::int32_t ParseEditableHop(const std::string& text, std::int32_t size) {
  return ParseIntOption("--hop", text, 1, size);
}

}  // namespace ombrisk::cli
