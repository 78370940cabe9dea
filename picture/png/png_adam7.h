// Adam7 interlacing: the seven passes' geometry, and the placements that scatter one pass row into
// a full scan line.
//
//   for (int pass = 0; pass < 7; ++pass) if (!Adam7Skipped(pass, w, h)) { ... Adam7Pixels(pass, w) ... }
//   PlaceScattered8(line, passRow, pixels, kAdam7[pass].ColumnStart, kAdam7[pass].ColumnStep);
//
// Passes are numbered 0 … 6 here. Scattering leaves the bits, nibbles and bytes it does not place
// as they were.
#pragma once

#include <array>
#include <cstdint>

namespace ombrisk {

struct TAdam7Pass {
  int ColumnStart;
  int ColumnStep;
  int RowStart;
  int RowStep;
};

inline constexpr std::array<TAdam7Pass, 7> kAdam7 = {{
    {0, 8, 0, 8},
    {4, 8, 0, 8},
    {0, 4, 4, 8},
    {2, 4, 0, 4},
    {0, 2, 2, 4},
    {1, 2, 0, 2},
    {0, 1, 1, 2},
}};

// Pixels in each row of the pass, and rows in the pass, for a width × height picture.
std::int64_t Adam7Pixels(int pass, std::int64_t width);
std::int64_t Adam7Rows(int pass, std::int64_t height);
// A pass that holds no pixel of the picture.
bool Adam7Skipped(int pass, std::int64_t width, std::int64_t height);
// The progress total of an interlaced picture: every pass row the height allows.
std::int64_t Adam7RowTotal(std::int64_t height);

// Pass pixel i goes to column start + i × step of line. For 1 and 4 bits the pass row's bits and
// nibbles are taken most significant first; for 24 bits start and step are in bytes.
void PlaceScattered1(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                     std::int64_t step);
void PlaceScattered4(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                     std::int64_t step);
void PlaceScattered8(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                     std::int64_t step);
void PlaceScattered24(std::uint8_t* line, const std::uint8_t* source, std::int64_t pixels, std::int64_t start,
                      std::int64_t step);

}  // namespace ombrisk
