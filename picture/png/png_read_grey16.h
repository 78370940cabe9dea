// A PNG file read for its 16-bit grey samples and its "Comment" text, through our decoder.
//
//   const TGrey16Png png = ReadGrey16Png(path);   // EPngError naming the file when it is not PNG
//   if (!png.IsGrey16()) ...                      // Samples empty: not 16-bit grey
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ombrisk {

struct TGrey16Png {
  std::int64_t Width = 0;
  std::int64_t Height = 0;
  // The header's bits per sample and whether it is grey without alpha.
  int BitDepth = 0;
  bool Grey = false;
  bool Alpha = false;
  // Width × Height samples, row after row from the top; empty unless 16-bit grey without alpha.
  std::vector<std::uint16_t> Samples;
  // The "Comment" texts joined, each followed by CR LF, as the decoder gives them.
  std::string Comment;

  bool IsGrey16() const { return !Samples.empty(); }
};

// Raises EPngError "'PATH': MESSAGE" for a file our decoder refuses or that ends before its last
// row, and the stream errors for a file that cannot be opened.
TGrey16Png ReadGrey16Png(const std::string& path);

}  // namespace ombrisk
