// Reads a picture column by column, as the synthesis consumes it: for column x (after the
// requested flips), the channel sums (red + green + blue) of its pixels from the bottom up.
//
//   TColumnReader reader(picture, mirrorX, mirrorY);      // picture held at 24 or 32 bits
//   const std::span<const std::uint16_t> sums = reader.Sums(x);   // H values, bottom pixel first
//
// What it gives is what flipping a copy of the picture and turning it a quarter turn clockwise
// would put in row x of the turned copy, but it is read straight from the picture's scan lines, a
// block of neighbouring columns at a time: every row is visited once per block instead of once
// per column, and no copy of the whole picture is made.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/instruction_sets.h"

namespace ombrisk {

class TColumnReader {
public:
  // picture must be at 24 or 32 bits per pixel and outlive the reader.
  TColumnReader(const TBitmap& picture, bool mirrorX, bool mirrorY);
  // Another reader of the same picture and flips, for another thread: it shares nothing it
  // changes, and holds the sums of at most blockColumns columns at a time.
  TColumnReader(const TColumnReader& other, int blockColumns);

  // Valid until the next call; columns are cheapest read in increasing order.
  std::span<const std::uint16_t> Sums(int x);
  // Reads columns first … first + count − 1 (at most a block) now, so that Sums gives them
  // without reading again: for a caller that takes runs of columns not aligned to blocks.
  void LoadColumns(int first, int count);

  static bool CanRead(const TBitmap& picture);

private:

  int m_width;
  int m_height;
  std::size_t m_bytesPerPixel;
  bool m_mirrorX;
  bool m_mirrorY;
  std::vector<const std::uint8_t*> m_rows;
  std::size_t m_columnStride;
  int m_blockColumns;
  int m_blockStart = -1;
  int m_blockCount = 0;  // columns loaded from m_blockStart on
  std::vector<std::uint16_t> m_sums;
};

// The paths the column sums were built with.
TKernelPaths& ColumnSumPaths();

}  // namespace ombrisk
