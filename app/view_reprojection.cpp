#include "app/view_reprojection.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace ombrisk {

namespace {

// The index of the cell that position lies in, or −1 outside 0 … count.
int CellOf(double position, int count) {
  if (!(position >= 0) || !(position < count)) return -1;
  return static_cast<int>(std::floor(position));
}

}  // namespace

TViewLevels ReprojectLevels(const TViewLevels& levels, const TSoundView& from, const TSoundView& to) {
  TViewLevels out = SilentLevels(to.Width, to.Height);
  out.ColumnsDone = out.Width;
  if (levels.Width != from.Width || levels.Height != from.Height) return out;
  // Pixel middles, looked up once per column and once per row.
  std::vector<int> columns(static_cast<std::size_t>(to.Width));
  for (int x = 0; x < to.Width; ++x) {
    const int column = CellOf(ColumnOfSeconds(from, SecondsAtColumn(to, x + 0.5)), from.Width);
    columns[static_cast<std::size_t>(x)] = column < levels.ColumnsDone ? column : -1;
  }
  for (int y = 0; y < to.Height; ++y) {
    const int row = CellOf(RowOfHz(from, HzAtRow(to, y + 0.5)), from.Height);
    if (row < 0) continue;
    const float* source = levels.Db.data() + static_cast<std::ptrdiff_t>(row) * levels.Width;
    float* target = out.Db.data() + static_cast<std::ptrdiff_t>(y) * out.Width;
    for (int x = 0; x < to.Width; ++x) {
      const int column = columns[static_cast<std::size_t>(x)];
      if (column >= 0) target[x] = source[column];
    }
  }
  return out;
}

}  // namespace ombrisk
