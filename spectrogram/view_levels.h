// TViewLevels: what a view of a sound computes to — one level per plot pixel, in dBFS (0 a sine at
// full scale, whatever the window), before any colour is chosen.
//
//   const TViewLevels levels = source.Render(view, {});
//   const float db = levels.At(x, y);        // row 0 the highest frequency, column 0 the start
#pragma once

#include <cstddef>
#include <vector>

namespace ombrisk {

// The level of silence: far below any range a view shows, and finite so that sums stay finite.
inline constexpr float kSilenceDb = -400.0f;

struct TViewLevels {
  int Width = 0;
  int Height = 0;
  std::vector<float> Db;  // Width × Height, row by row from the top
  // How many columns hold their levels: Width when complete, fewer after a cancelled render (the
  // progress calls told which; the others hold kSilenceDb).
  int ColumnsDone = 0;

  bool Complete() const { return ColumnsDone == Width; }
  float At(int x, int y) const { return Db[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)]; }
  float& At(int x, int y) { return Db[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)]; }
};

// Width × height levels of silence.
inline TViewLevels SilentLevels(int width, int height) {
  TViewLevels levels;
  levels.Width = width;
  levels.Height = height;
  levels.Db.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kSilenceDb);
  return levels;
}

}  // namespace ombrisk
