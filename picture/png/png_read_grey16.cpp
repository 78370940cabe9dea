#include "picture/png/png_read_grey16.h"

#include "picture/png/png_error.h"
#include "picture/png/png_read_stream.h"
#include "toolkit/bitmap.h"
#include "toolkit/file_stream.h"

namespace ombrisk {

TGrey16Png ReadGrey16Png(const std::string& path) {
  TFileStream file(path, TFileMode::fmOpenRead);
  TGrey16Png png;
  TPngReadStream reader;
  reader.SetGrey16Target(&png.Samples);
  TBitmap bitmap;
  try {
    reader.ReadFromStream(bitmap, file, 0);
  } catch (const EPngError& e) {
    throw EPngError("'" + path + "': " + e.Message());
  }
  png.Width = reader.Width();
  png.Height = reader.Height();
  png.BitDepth = reader.BitDepth();
  png.Grey = reader.Grey();
  png.Alpha = reader.HasAlpha();
  png.Comment = reader.Comment();
  if (!reader.Grey16Complete()) png.Samples.clear();
  // The decoder stops quietly where a file ends; a picture missing rows must not pass for whole.
  const bool grey16Header = png.Grey && !png.Alpha && png.BitDepth == 16;
  if (png.Width <= 0 || png.Height <= 0 || (grey16Header && !reader.Grey16Complete())) {
    throw EPngError("'" + path + "': " + kSPngReadError);
  }
  return png;
}

}  // namespace ombrisk
