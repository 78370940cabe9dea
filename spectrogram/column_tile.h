// TColumnTile: greys of a few neighbouring columns gathered before they go into the picture.
// Drawing a column straight into a wide picture touches one cache line per row; gathering
// kTileColumns columns first lets each row take them in one short copy.
//
//   TColumnTile tile(height);
//   std::uint8_t* column = tile.Column(x, picture);   // flushes the previous group when x leaves it
//   ... column[y] = grey; ...
//   tile.Flush(picture);                               // at the end of the run
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/instruction_sets.h"
#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

class TColumnTile {
public:
  // 256 bytes of every row at a time: few enough pages touched per flush that the address
  // translations stay cached.
  static constexpr int kTileColumns = 64;

  explicit TColumnTile(int height);

  // The greys of column x, one byte per row, top row first. A column starts black (0), as
  // the picture does; greys written to it stay until it is written again.
  std::uint8_t* Column(int x, TPixelBitmap& picture);
  // Writes the gathered columns into the picture as blue, green, red equal and a fourth byte 0.
  void Flush(TPixelBitmap& picture);

private:
  // Rows fromRow … toRow − 1 of the held columns fromColumn … toColumn − 1, one pixel at a time,
  // streamed past the cache when `stream`.
  void FlushPart(TPixelBitmap& picture, std::size_t fromRow, std::size_t toRow, std::size_t fromColumn,
                 std::size_t toColumn, bool stream) const;

  int m_height;
  std::size_t m_columnStride;  // bytes from one held column to the next
  int m_first = -1;  // first column of the group held, -1 when none
  int m_used = 0;    // columns of the group touched so far
  std::vector<std::uint8_t> m_greys;
};

// The paths Flush was built with.
TKernelPaths& ColumnTilePaths();

}  // namespace ombrisk
