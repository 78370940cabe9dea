// TCustomGraphicReadStream: the part of a picture decoder that is not about the format. It binds the
// target TBitmap for one run, silences its OnChange while decoding, forwards progress to its
// OnProgress, prepares it (format, size, palette) when the decoder asks, and holds the palette
// buffer and the comment text.
//
//   class TMyReadStream : public TCustomGraphicReadStream { void Decode() override; };
//   TMyReadStream reader; reader.ReadFromStream(bitmap, stream, 0);   // 0: to the end of stream
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "picture/png/custom_read_stream.h"
#include "toolkit/bitmap.h"

namespace ombrisk {

class TCustomGraphicReadStream : public TCustomReadStream {
public:
  static constexpr int kPaletteEntries = 256;
  static constexpr int kPaletteBufferBytes = kPaletteEntries * 4;

  TCustomGraphicReadStream();

  // One whole decoding run of source (count bytes, or to its end when count ≤ 0) into bitmap.
  // The source is repositioned, the palette buffer released and the bitmap's OnChange restored on
  // every way out.
  void ReadFromStream(TBitmap& bitmap, TStream& source, std::int64_t count);

  bool DoProgress(int percent) override;

  const std::string& Comment() const { return m_comment; }
  std::int64_t Width() const { return m_width; }
  std::int64_t Height() const { return m_height; }
  int OutputBits() const { return m_outputBits; }
  int BitDepth() const { return m_bitDepth; }
  int PaletteCount() const { return m_paletteCount; }
  std::uint8_t PhysicalUnit() const { return m_physicalUnit; }
  std::int32_t PixelsPerUnitX() const { return m_pixelsPerUnitX; }
  std::int32_t PixelsPerUnitY() const { return m_pixelsPerUnitY; }

  // 1, 4, 8, 15, 16 and 32 name their own format; anything else is 24 bits per pixel.
  static TPixelFormat PixelFormatForBits(int bits);

protected:
  virtual void Decode() = 0;
  // Empties and sizes the target: not transparent, the format for the output bits, the width and
  // height, and the palette buffer's entries as its palette when there is a buffer.
  virtual void PrepareBitmap();

  // 256 entries of blue, green, red and an unused byte; allocated zeroed on first request.
  std::uint8_t* PaletteBuffer();
  bool HasPaletteBuffer() const { return m_paletteBuffer != nullptr; }
  TBitmap* Target() { return m_target; }

  std::string m_comment;
  std::int64_t m_width = 0;
  std::int64_t m_height = 0;
  int m_outputBits = 0;
  int m_bitDepth = 0;
  int m_paletteCount = 0;
  std::uint8_t m_physicalUnit = 0;
  std::int32_t m_pixelsPerUnitX = 0;
  std::int32_t m_pixelsPerUnitY = 0;

private:
  TBitmap* m_target = nullptr;
  std::unique_ptr<std::uint8_t[]> m_paletteBuffer;
  std::string m_progressMessage;
};

}  // namespace ombrisk
