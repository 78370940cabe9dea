#include "picture/png/png_write_header.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "picture/png/png_records.h"
#include "picture/png/png_write_chunk.h"
#include "picture/png/png_write_rows.h"

namespace ombrisk {

namespace {

void WriteImageHeader(TStream& stream, const TPngWriteSettings& s, const TPngLayout& layout) {
  TPngChunkData data;
  data.Long(static_cast<std::uint32_t>(layout.Width));
  data.Long(static_cast<std::uint32_t>(layout.Height));
  data.Byte(static_cast<std::uint8_t>(layout.Depth));
  data.Byte(static_cast<std::uint8_t>(layout.ColourType));
  data.Byte(0);
  data.Byte(0);
  data.Byte(s.Interlaced ? 1 : 0);
  WritePngChunk(stream, "IHDR", data);
}

bool TimeInRange(const TPngTime& t) {
  return t.Year != 0 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour < 24 &&
         t.Minute < 60 && t.Second < 61;
}

void WriteTime(TStream& stream, const TPngWriteSettings& s) {
  const TPngTime time = s.WriteCurrentTime ? CurrentPngTime() : s.Time;
  if (!TimeInRange(time)) return;
  TPngChunkData data;
  data.Word(time.Year);
  for (const std::uint8_t b : {time.Month, time.Day, time.Hour, time.Minute, time.Second}) data.Byte(b);
  WritePngChunk(stream, "tIME", data);
}

void WriteText(TStream& stream, const std::string& keyword, const std::string& text) {
  TPngChunkData data;
  data.Text(keyword);
  data.Byte(0);
  data.Text(text);
  WritePngChunk(stream, "tEXt", data);
}

void WritePrivate(TStream& stream, const TPngLayout& layout) {
  TPngChunkData data;
  data.Append(reinterpret_cast<const std::uint8_t*>(kPngPrivateTag), 4);
  data.Byte(layout.Grey ? 1 : 0);
  data.Byte(layout.WritesAlpha ? 1 : 0);
  data.Byte(0);
  data.Byte(0);
  WritePngChunk(stream, "tpNG", data);
}

// gIFg, gAMA and cHRM: each only when it says something.
void WriteDescriptive(TStream& stream, const TPngWriteSettings& s) {
  if (std::any_of(s.Gifg.begin(), s.Gifg.end(), [](std::uint8_t b) { return b != 0; })) {
    WritePngChunk(stream, "gIFg", s.Gifg.data(), s.Gifg.size());
  }
  const long long gamma = std::llrint(static_cast<long double>(s.Gamma) * 100000.0L);
  if (gamma > 0 && gamma <= 0xFFFFFFFFLL) {
    TPngChunkData data;
    data.Long(static_cast<std::uint32_t>(gamma));
    WritePngChunk(stream, "gAMA", data);
  }
  if (s.Chromaticities[0] != 0 && s.Chromaticities[1] != 0) {
    TPngChunkData data;
    for (const std::uint32_t v : s.Chromaticities) data.Long(v);
    WritePngChunk(stream, "cHRM", data);
  }
}

std::uint8_t ClampBits(std::uint32_t value, int depth) {
  return static_cast<std::uint8_t>(value < 1 || value > static_cast<std::uint32_t>(depth) ? depth : value);
}

void WriteSignificantBits(TStream& stream, const TPngWriteSettings& s, const TPngLayout& layout) {
  const bool sixteen = layout.BitmapBits == 15 || layout.BitmapBits == 16;
  if (layout.Grey || (s.SignificantBits == 0 && !sixteen)) return;
  TPngChunkData data;
  if (sixteen) {
    data.Byte(5);
    data.Byte(layout.BitmapBits == 15 ? 5 : 6);
    data.Byte(5);
  } else {
    for (int i = 0; i < 3; ++i) data.Byte(ClampBits((s.SignificantBits >> (8 * i)) & 0xFF, 8));
  }
  if (layout.WritesAlpha) data.Byte(ClampBits((s.SignificantBits >> 24) & 0xFF, 8));
  WritePngChunk(stream, "sBIT", data);
}

// Enough entries for every index in use, and never more than the depth can address; returns the count.
int WritePalette(TStream& stream, const TBitmap& bitmap, const TPngLayout& layout) {
  const std::vector<TPaletteEntry>& palette = bitmap.Palette();
  const int depth = layout.Depth;
  const int needed = std::max(static_cast<int>(palette.size()), HighestPaletteIndex(bitmap) + 1);
  const int count = std::min(needed, 1 << depth);
  TPngChunkData data;
  for (int i = 0; i < count; ++i) {
    if (static_cast<std::size_t>(i) < palette.size()) {
      const TPaletteEntry& e = palette[static_cast<std::size_t>(i)];
      data.Byte(e.peRed);
      data.Byte(e.peGreen);
      data.Byte(e.peBlue);
    } else {
      const auto v = static_cast<std::uint8_t>(palette.empty() ? i * 255 / ((1 << depth) - 1) : 0);
      for (int k = 0; k < 3; ++k) data.Byte(v);
    }
  }
  WritePngChunk(stream, "PLTE", data);
  return count;
}

// The data of a paletted bKGD or tRNS; false when the colour names no entry of the palette.
bool IndexColourData(TColor colour, bool transparency, int paletteCount, TPngChunkData& data) {
  const bool isIndex =
      (static_cast<std::uint32_t>(colour) & 0xFF000000u) == static_cast<std::uint32_t>(kPaletteIndexColour);
  const int index = colour & 0xFFFFFF;
  if (!isIndex || index >= paletteCount) return false;
  if (!transparency) {
    data.Byte(static_cast<std::uint8_t>(index));
    return true;
  }
  for (int i = 0; i < index; ++i) data.Byte(255);
  data.Byte(0);
  return true;
}

// The data of a grey or colour bKGD or tRNS; false when the colour cannot be named.
bool SampleColourData(TColor colour, const std::vector<TPaletteEntry>& palette, const TPngLayout& layout,
                      TPngChunkData& data) {
  const std::uint32_t high = static_cast<std::uint32_t>(colour) & 0xFF000000u;
  int red = colour & 0xFF;
  int green = (colour >> 8) & 0xFF;
  int blue = (colour >> 16) & 0xFF;
  if (high == static_cast<std::uint32_t>(kPaletteIndexColour)) {
    const auto index = static_cast<std::size_t>(colour & 0xFFFFFF);
    if (index >= palette.size()) return false;
    red = palette[index].peRed;
    green = palette[index].peGreen;
    blue = palette[index].peBlue;
  } else if (high != 0) {
    return false;
  }
  if (layout.Grey) {
    data.Word(static_cast<std::uint32_t>(GreySampleOf(red, green, blue, layout.Depth)));
  } else {
    data.Word(static_cast<std::uint32_t>(red));
    data.Word(static_cast<std::uint32_t>(green));
    data.Word(static_cast<std::uint32_t>(blue));
  }
  return true;
}

// bKGD and tRNS share their layout; a colour that the colour type cannot name is left out.
void WriteColour(TStream& stream, const char (&type)[5], TColor colour, bool transparency, const TBitmap& bitmap,
                 const TPngLayout& layout, int paletteCount) {
  if (colour == kClNone) return;
  TPngChunkData data;
  const bool named = layout.ColourType == 3 ? IndexColourData(colour, transparency, paletteCount, data)
                                            : SampleColourData(colour, bitmap.Palette(), layout, data);
  if (named) WritePngChunk(stream, type, data);
}

void WritePhysical(TStream& stream, const TPngWriteSettings& s) {
  if (s.PixelsPerUnitX < 1 || s.PixelsPerUnitY < 1) return;
  TPngChunkData data;
  data.Long(static_cast<std::uint32_t>(s.PixelsPerUnitX));
  data.Long(static_cast<std::uint32_t>(s.PixelsPerUnitY));
  data.Byte(s.PhysicalUnit);
  WritePngChunk(stream, "pHYs", data);
}

}  // namespace

TPngLayout PngLayoutFor(const TBitmap& bitmap, const TPngWriteSettings& settings) {
  TPngLayout layout;
  layout.Width = bitmap.Width();
  layout.Height = bitmap.Height();
  layout.BitmapBits = bitmap.PixelFormat() == TPixelFormat::pf15bit ? 15 : BitsPerPixel(bitmap.PixelFormat());
  if (layout.BitmapBits <= 8) {
    layout.ColourType = settings.Grey ? 0 : 3;
    layout.Depth = layout.BitmapBits;
  }
  const TBitmap* const mask = settings.Mask;
  const bool maskFits = settings.HasAlpha && mask != nullptr && mask->PixelFormat() == TPixelFormat::pf8bit &&
                        mask->Width() == layout.Width && mask->Height() == layout.Height;
  if (maskFits && layout.ColourType == 0 && layout.Depth == 8) layout.ColourType = 4;
  if (maskFits && layout.ColourType == 2) layout.ColourType = 6;
  layout.WritesAlpha = layout.ColourType == 4 || layout.ColourType == 6;
  layout.Grey = layout.ColourType == 0 || layout.ColourType == 4;
  return layout;
}

void WritePngHeaderChunks(TStream& stream, const TBitmap& bitmap, const TPngWriteSettings& settings,
                          const TPngLayout& layout) {
  WriteImageHeader(stream, settings, layout);
  WriteTime(stream, settings);
  if (!settings.Comment.empty()) WriteText(stream, "Comment", settings.Comment);
  WriteText(stream, "Software", kPngSoftware);
  WritePrivate(stream, layout);
  WriteDescriptive(stream, settings);
  WriteSignificantBits(stream, settings, layout);
  const int paletteCount = layout.ColourType == 3 ? WritePalette(stream, bitmap, layout) : 0;
  WriteColour(stream, "bKGD", settings.BackgroundColor, false, bitmap, layout, paletteCount);
  if (!layout.WritesAlpha) WriteColour(stream, "tRNS", settings.TransparentColor, true, bitmap, layout, paletteCount);
  WritePhysical(stream, settings);
}

}  // namespace ombrisk
