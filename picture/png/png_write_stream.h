// TPngWriteStream: writes a TBitmap as a PNG datastream.
//
//   TPngWriteSettings settings;                      // defaults: 32768-byte IDAT, zlib's level,
//   TPngWriteStream(settings).WriteToStream(bitmap, stream);   // filter 0 on every row, current time
//
// Colour type: grey when Grey is set and the bitmap has 8 or fewer bits per pixel (the palette's
// greys scaled to the depth), else paletted for 1, 4 and 8 bits, else 8-bit colour. With HasAlpha
// and an 8-bit Mask as large as the bitmap (255 minus alpha per pixel, as the reader gives it), 8-bit
// grey gains an alpha channel and colour becomes colour with alpha.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "picture/png/png_records.h"
#include "toolkit/bitmap.h"
#include "toolkit/stream.h"

namespace ombrisk {

struct TPngWriteSettings {
  // Bytes of compressed data per image-data chunk, 256 … 100000.
  int ChunkSize = 32768;
  // zlib's level, -1 … 9; -1 is zlib's default.
  int Level = -1;
  // zlib's strategy: 0 its default, 1 filtered, 2 Huffman codes only, 3 run lengths, 4 fixed codes.
  int Strategy = 0;
  // 0 chooses a filter per row, 2 … 5 use filter 1 … 4, 1 and anything above 5 filter 0.
  int FilterMode = 1;
  bool Interlaced = false;
  // The "tIME" chunk: the current time when set, else Time.
  bool WriteCurrentTime = true;
  TPngTime Time{};

  bool Grey = false;
  bool HasAlpha = false;
  const TBitmap* Mask = nullptr;

  std::string Comment;
  TColor BackgroundColor = kClNone;
  TColor TransparentColor = kClNone;
  double Gamma = 0.0;
  // Red, green, blue and alpha in bytes 0 to 3; 0 for none.
  std::uint32_t SignificantBits = 0;
  std::uint8_t PhysicalUnit = 0;
  std::int32_t PixelsPerUnitX = 0;
  std::int32_t PixelsPerUnitY = 0;
  TPngChromaticities Chromaticities{};
  TPngGifg Gifg{};
};

// The encoder's name and version, written in the "Software" text.
inline constexpr const char* kPngSoftware = "Ombrisk PNG 1.00";
// The tag that opens the private "tpNG" chunk.
inline constexpr const char kPngPrivateTag[5] = "OmbR";

class TPngWriteStream {
public:
  explicit TPngWriteStream(TPngWriteSettings settings);

  // Called with psStarting and 0, psRunning and the rows' share as they are written, psEnding and 100.
  std::function<void(TProgressStage stage, std::uint8_t percent)> OnProgress;

  // Raises EPngError for a chunk size, level or strategy out of range (before anything is
  // written) or a compression failure, the stream's own errors for a failing write.
  void WriteToStream(const TBitmap& bitmap, TStream& stream);

private:
  TPngWriteSettings m_settings;
};

}  // namespace ombrisk
