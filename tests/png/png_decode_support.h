// Decoding helpers for the PNG tests: a run of TPngReadStream over bytes with every target set,
// and pixel access that does not depend on the bitmap's depth.
#pragma once

#include <memory>
#include <string>

#include "picture/png/png_error.h"
#include "picture/png/png_read_stream.h"
#include "png_builder.h"
#include "toolkit/bitmap.h"

namespace ombrisk::testing {

struct TDecoded {
  TBitmap bitmap;
  TBitmap mask;
  TPngReadStream reader;
  TPngTime time;
  TPngChromaticities chromaticities{};
  TPngGifg gifg{};
  std::int64_t streamPositionAfter = 0;
};

inline std::unique_ptr<TDecoded> Decode(const Bytes& bytes) {
  auto d = std::make_unique<TDecoded>();
  d->reader.SetMaskTarget(&d->mask);
  d->reader.SetTimeTarget(&d->time);
  d->reader.SetChromaticitiesTarget(&d->chromaticities);
  d->reader.SetGifgTarget(&d->gifg);
  auto stream = ToStream(bytes);
  d->reader.ReadFromStream(d->bitmap, *stream, 0);
  d->streamPositionAfter = stream->Position();
  return d;
}

// The message of the exception decoding raises, or "" when it loads.
inline std::string DecodeError(const Bytes& bytes) {
  try {
    Decode(bytes);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

inline bool IsPngError(const Bytes& bytes) {
  try {
    Decode(bytes);
  } catch (const EPngError&) {
    return true;
  } catch (...) {
  }
  return false;
}

// Red, green, blue of every pixel after conversion to 24 bits, row by row.
inline Bytes Rgb24(const TBitmap& bitmap) {
  TBitmap copy(bitmap);
  copy.SetPixelFormat(TPixelFormat::pf24bit);
  Bytes out;
  out.reserve(static_cast<std::size_t>(copy.Width()) * static_cast<std::size_t>(copy.Height()) * 3);
  for (int y = 0; y < copy.Height(); ++y) {
    const std::uint8_t* line = copy.ScanLine(y);
    for (int x = 0; x < copy.Width(); ++x) {
      out.push_back(line[3 * x + 2]);
      out.push_back(line[3 * x + 1]);
      out.push_back(line[3 * x]);
    }
  }
  return out;
}

// The bytes of an 8-bit bitmap, row by row without padding.
inline Bytes Bytes8(const TBitmap& bitmap) {
  Bytes out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* line = bitmap.ScanLine(y);
    out.insert(out.end(), line, line + bitmap.Width());
  }
  return out;
}

}  // namespace ombrisk::testing
