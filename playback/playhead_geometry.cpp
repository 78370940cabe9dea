#include "playback/playhead_geometry.h"

#include <algorithm>

namespace ombrisk {

int PlayheadPixel(std::int64_t column, std::int64_t columns, int shownWidth) {
  if (columns <= 0 || shownWidth <= 0) return 0;
  // Both factors stay below 2^31, so the product fits in 64 bits.
  const std::int64_t scaled = column * shownWidth;
  const std::int64_t first = (scaled + columns - 1) / columns;
  return static_cast<int>(std::clamp<std::int64_t>(first, 0, shownWidth - 1));
}

std::optional<std::int64_t> ColumnAtPixel(int pixel, std::int64_t columns, int shownWidth) {
  if (pixel < 0 || pixel >= shownWidth || columns <= 0) return std::nullopt;
  return std::int64_t{pixel} * columns / shownWidth;
}

}  // namespace ombrisk
