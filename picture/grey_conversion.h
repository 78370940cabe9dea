// The grey of the display picture: R × 0.298912 + G × 0.586611 + B × 0.114478, multiplied and added
// in long double in that order (red, plus green, plus blue) and rounded to nearest, halves to even.
// The weights add up to 1.000001, so the grey never exceeds 255.
//
//   ConvertToGrey(bitmap);                 // any depth in; 24 bits, blue = green = red out
//   const std::uint8_t g = GreyLevel(255, 0, 0);   // 76
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/bitmap.h"

namespace ombrisk {

std::uint8_t GreyLevel(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Turns width pixels of blue, green, red bytes into their grey, in place or into grey (three bytes
// a pixel too).
void ConvertRowToGrey(std::uint8_t* pixels, std::size_t width);
void ConvertRowToGrey(const std::uint8_t* pixels, std::uint8_t* grey, std::size_t width);

// Sets the bitmap to 24 bits per pixel (paletted pixels take their palette colours), then greys
// every pixel, rows from the top, pixels from the left.
void ConvertToGrey(TBitmap& bitmap);

// Sets source to 24 bits per pixel, then writes its grey into dest in one pass, dest taking the
// source's size, palette and transparency as a copy would: this saves copying the picture and then
// greying the copy. Once source is converted only dest's allocation can fail, which leaves dest as
// it was (at 24 bits per pixel, if it had another depth).
void WriteGreyInto(TBitmap& source, TBitmap& dest);

}  // namespace ombrisk
