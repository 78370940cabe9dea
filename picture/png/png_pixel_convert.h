// From a PNG header's colour type and bit depth to the bitmap that holds the picture: the output
// bits per pixel, the source bits per pixel, and the routine that turns one unfiltered row into an
// output row (and an alpha row of 255 minus alpha).
//
//   const TPngOutputMapping m = MapPngOutput(kPngColourRgb, hasAlpha, 16);   // throws EPngError
//   if (m.Convert) m.Convert(unfiltered, outputRow, alphaRow, pixels); else outputRow = unfiltered;
//
// Samples of 16 bits keep their high byte; colour rows become blue, green, red.
#pragma once

#include <cstdint>

namespace ombrisk {

// Colour types after the alpha bit has been taken off.
inline constexpr int kPngColourGrey = 0;
inline constexpr int kPngColourRgb = 2;
inline constexpr int kPngColourPalette = 3;

// source: the unfiltered pass row (after the filter byte); output and alpha: room for the pass's
// pixels at the output and 8 bits.
using TPngRowConverter = void (*)(const std::uint8_t* source, std::uint8_t* output, std::uint8_t* alpha,
                                  std::int64_t pixels);

struct TPngOutputMapping {
  int OutputBits = 0;
  int SourceBits = 0;
  // The bit depth a caller reports: three times the header's for colour, else the header's.
  int ReportedBitDepth = 0;
  // nullptr: the output row is the unfiltered row itself.
  TPngRowConverter Convert = nullptr;
  bool WritesAlpha = false;
};

// Raises EPngError with the header's bit-depth messages for combinations the format does not allow.
TPngOutputMapping MapPngOutput(int colourType, bool hasAlpha, int bitDepth);

}  // namespace ombrisk
