// TPngRowSource: the encoder's view of a bitmap as rows of PNG samples.
//
//   TPngRowSource source(bitmap, mask, colourType, bitDepth);
//   source.Unpack(y, samples);                        // one byte per sample, Channels() per pixel
//   source.Pack(samples, pixels, start, step, row);   // pass pixels start + i·step, PNG layout
//
// colourType is the PNG one (0, 2, 3, 4 or 6); bitDepth is the PNG sample depth (1, 4 or 8).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "toolkit/bitmap.h"

namespace ombrisk {

// The grey sample the encoder writes for a colour, at a sample depth of bitDepth bits: the grey
// 0 … 255 from weights 77, 150 and 29 out of 256, then scaled to the depth, rounded.
inline int GreySampleOf(int red, int green, int blue, int bitDepth) {
  const int grey = (red * 77 + green * 150 + blue * 29 + 128) >> 8;
  return (grey * ((1 << bitDepth) - 1) + 127) / 255;
}

class TPngRowSource {
public:
  // mask: 8-bit, 255 minus alpha, as large as bitmap; used for colour types 4 and 6 only.
  TPngRowSource(const TBitmap& bitmap, const TBitmap* mask, int colourType, int bitDepth);

  int Channels() const { return m_channels; }
  // Bits per pixel in the packed PNG row.
  int PackedBits() const { return m_channels * m_bitDepth; }

  void Unpack(int y, std::uint8_t* samples) const;
  void Pack(const std::uint8_t* samples, std::int64_t pixels, std::int64_t start, std::int64_t step,
            std::uint8_t* out) const;

  // The grey sample, at the bit depth, that a paletted bitmap's index stands for.
  std::uint8_t GreySample(int index) const { return m_greySample[static_cast<std::size_t>(index & 0xFF)]; }

  // Whether Pack over a whole row at 1 pixel a step copies the samples unchanged.
  bool PacksAsUnpacked() const { return m_bitDepth == 8; }

private:
  bool UnpackPlain(const std::uint8_t* line, std::uint8_t* samples) const;

  const TBitmap& m_bitmap;
  const TBitmap* m_mask;
  int m_colourType;
  int m_bitDepth;
  int m_channels;
  int m_bitmapBits;
  std::array<std::uint8_t, 256> m_greySample{};
};

// The highest palette index a 1-, 4- or 8-bit bitmap uses (0 for an empty one).
int HighestPaletteIndex(const TBitmap& bitmap);

}  // namespace ombrisk
