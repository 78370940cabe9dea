#include <cstdint>
#include <cstring>
#include <vector>

#include "toolkit/bmp_file.h"
#include "toolkit/bmp_layout.h"
#include "toolkit/pixel_conversion.h"

namespace ombrisk {

namespace {

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutLong(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutWord(out, value & 0xFFFF);
  PutWord(out, value >> 16);
}

// The palette written: the bitmap's own, or its format's default, cut to what the depth holds.
std::vector<TPaletteEntry> ColourTableOf(const TBitmap& bitmap) {
  const TPixelFormat format = bitmap.PixelFormat();
  if (!IsPaletted(format)) return {};
  const std::size_t capacity = std::size_t{1} << BitsPerPixel(format);
  std::vector<TPaletteEntry> table = bitmap.Palette().empty() ? DefaultPalette(format) : bitmap.Palette();
  if (table.size() > capacity) table.resize(capacity);
  return table;
}

// Everything before the pixels: the file header, the info header, the 5-6-5 masks of 16-bit
// pixels and the colour table.
std::vector<std::uint8_t> HeadersOf(const TBitmap& bitmap, const std::vector<TPaletteEntry>& table) {
  const TPixelFormat format = bitmap.PixelFormat();
  const int bits = BitsPerPixel(format);
  const bool bitFields = format == TPixelFormat::pf16bit;
  const std::uint32_t tableBytes = static_cast<std::uint32_t>(4 * table.size()) + (bitFields ? 12u : 0u);
  const std::uint32_t offBits = kBmpFileHeaderBytes + kBmpInfoHeaderBytes + tableBytes;
  // The size limits keep a bitmap's pixels far below 4 GiB, so these fit the 32-bit fields.
  const auto imageBytes = static_cast<std::uint32_t>(bitmap.BytesPerScanLine() * static_cast<std::size_t>(bitmap.Height()));

  std::vector<std::uint8_t> header;
  header.reserve(offBits);
  header.push_back('B');
  header.push_back('M');
  PutLong(header, offBits + imageBytes);
  PutLong(header, 0);  // two reserved words
  PutLong(header, offBits);
  PutLong(header, kBmpInfoHeaderBytes);
  PutLong(header, static_cast<std::uint32_t>(bitmap.Width()));
  PutLong(header, static_cast<std::uint32_t>(bitmap.Height()));  // positive: rows stored bottom-up
  PutWord(header, 1);
  PutWord(header, static_cast<std::uint32_t>(bits));
  PutLong(header, bitFields ? kBiBitFields : kBiRgb);
  PutLong(header, imageBytes);
  PutLong(header, 0);  // horizontal resolution
  PutLong(header, 0);  // vertical resolution
  // A table shorter than the depth allows says how long it is; a full one leaves the count 0.
  const bool shortTable = !table.empty() && table.size() < (std::size_t{1} << bits);
  PutLong(header, shortTable ? static_cast<std::uint32_t>(table.size()) : 0);
  PutLong(header, 0);  // important colours
  if (bitFields) {
    PutLong(header, 0xF800);
    PutLong(header, 0x07E0);
    PutLong(header, 0x001F);
  }
  for (const TPaletteEntry& e : table) {
    header.push_back(e.peBlue);
    header.push_back(e.peGreen);
    header.push_back(e.peRed);
    header.push_back(0);
  }
  return header;
}

// Bottom row first. Only the pixels' own bits go out: the padding, and the fourth byte of a
// 32-bit pixel, are 0.
void WriteRows(const TBitmap& bitmap, TStream& stream) {
  const TPixelFormat format = bitmap.PixelFormat();
  const int bits = BitsPerPixel(format);
  const int width = bitmap.Width();
  const std::size_t stride = bitmap.BytesPerScanLine();
  const std::size_t usedBytes = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8;
  const unsigned spareBits = static_cast<unsigned>(usedBytes * 8 - static_cast<std::size_t>(width) * bits);
  std::vector<std::uint8_t> row(stride);
  for (int y = bitmap.Height() - 1; y >= 0; --y) {
    const std::uint8_t* source = bitmap.ScanLine(y);
    std::memcpy(row.data(), source, usedBytes);
    std::memset(row.data() + usedBytes, 0, stride - usedBytes);
    if (spareBits != 0) row[usedBytes - 1] = static_cast<std::uint8_t>(row[usedBytes - 1] & (0xFFu << spareBits));
    if (format == TPixelFormat::pf32bit) {
      for (int x = 0; x < width; ++x) row[4 * static_cast<std::size_t>(x) + 3] = 0;
    }
    stream.WriteBuffer(row.data(), stride);
  }
}

}  // namespace

void WriteWindowsBitmap(const TBitmap& bitmap, TStream& stream) {
  if (bitmap.Empty()) return;
  const std::vector<std::uint8_t> header = HeadersOf(bitmap, ColourTableOf(bitmap));
  stream.WriteBuffer(header.data(), header.size());
  WriteRows(bitmap, stream);
}

}  // namespace ombrisk
