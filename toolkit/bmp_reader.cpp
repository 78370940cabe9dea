#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "toolkit/bmp_file.h"
#include "toolkit/bmp_layout.h"
#include "toolkit/exception.h"
#include "toolkit/little_endian.h"
#include "toolkit/pixel_conversion.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

// The longest header we look into (BITMAPV5HEADER); longer ones are skipped past.
constexpr std::uint32_t kLongestHeaderBytes = 124;

[[noreturn]] void Invalid() { throw EInvalidGraphic(kSInvalidBitmap); }

// One colour channel of a bit-field pixel: where its bits sit and how many there are.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = __builtin_ctz(mask);
    bits = 32 - __builtin_clz(mask >> shift);
  }
  std::uint8_t Extract(std::uint32_t pixel) const { return WidenChannel((pixel & mask) >> shift, bits); }
};

struct Header {
  std::uint32_t headerBytes = 0;
  bool core = false;
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive; topDown tells the row order
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t imageBytes = 0;
  std::uint32_t colorsUsed = 0;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  bool hasMasks = false;
};

// Reads the parts of one file, each checked against the bytes the stream holds from its start.
class BitmapFileReader {
public:
  BitmapFileReader(TStream& stream, std::uint64_t start, std::uint64_t size)
      : m_stream(stream), m_start(start), m_size(size) {}

  void Read(std::uint64_t offset, void* buffer, std::size_t count) {
    Require(offset, count);
    m_stream.SetPosition(static_cast<std::int64_t>(m_start + offset));
    m_stream.ReadBuffer(buffer, count);
  }
  void Require(std::uint64_t offset, std::uint64_t count) const {
    if (offset > m_size || count > m_size - offset) Invalid();
  }
  void Seek(std::uint64_t offset) { m_stream.SetPosition(static_cast<std::int64_t>(m_start + offset)); }
  void ReadNext(void* buffer, std::size_t count) { m_stream.ReadBuffer(buffer, count); }
  std::uint64_t Size() const { return m_size; }

private:
  TStream& m_stream;
  std::uint64_t m_start;
  std::uint64_t m_size;
};

Header ReadHeader(BitmapFileReader& file) {
  std::array<std::uint8_t, kLongestHeaderBytes> bytes{};
  file.Read(kBmpFileHeaderBytes, bytes.data(), 4);
  Header h;
  h.headerBytes = ReadLittle32(bytes.data());
  if (h.headerBytes != kBmpCoreHeaderBytes && h.headerBytes < kBmpInfoHeaderBytes) Invalid();
  file.Require(kBmpFileHeaderBytes, h.headerBytes);
  const std::uint32_t kept = std::min(h.headerBytes, kLongestHeaderBytes);
  file.Read(kBmpFileHeaderBytes, bytes.data(), kept);
  const std::uint8_t* p = bytes.data();

  std::uint32_t planes = 0;
  if (h.headerBytes == kBmpCoreHeaderBytes) {
    h.core = true;
    h.width = ReadLittle16(p + 4);
    h.height = ReadLittle16(p + 6);
    planes = ReadLittle16(p + 8);
    h.bits = static_cast<int>(ReadLittle16(p + 10));
  } else {
    h.width = static_cast<std::int32_t>(ReadLittle32(p + 4));
    const std::int64_t height = static_cast<std::int32_t>(ReadLittle32(p + 8));
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    planes = ReadLittle16(p + 12);
    h.bits = static_cast<int>(ReadLittle16(p + 14));
    h.compression = ReadLittle32(p + 16);
    h.imageBytes = ReadLittle32(p + 20);
    h.colorsUsed = ReadLittle32(p + 32);
    // Headers from 52 bytes on carry the masks themselves, from 56 bytes on the alpha mask too.
    if (h.headerBytes >= 52) {
      h.masks = {ReadLittle32(p + 40), ReadLittle32(p + 44), ReadLittle32(p + 48), h.headerBytes >= 56 ? ReadLittle32(p + 52) : 0};
      h.hasMasks = true;
    }
  }
  if (planes != 1) Invalid();
  if (h.width < 0) Invalid();
  switch (h.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Invalid();
  }
  switch (h.compression) {
    case kBiRgb: break;
    case kBiRle8: if (h.bits != 8) Invalid(); break;
    case kBiRle4: if (h.bits != 4) Invalid(); break;
    case kBiBitFields:
    case kBiAlphaBitFields: if (h.bits != 16 && h.bits != 32) Invalid(); break;
    default: Invalid();
  }
  return h;
}

bool IsBitFields(const Header& h) { return h.compression == kBiBitFields || h.compression == kBiAlphaBitFields; }

// RLE8 and RLE4 pixel data: runs, end of line, end of bitmap, delta moves and literal runs.
// Pixels the stream never reaches keep index 0; pixels beyond a row's end are dropped.
void DecodeRle(const std::vector<std::uint8_t>& data, bool fourBits, const Header& h, TBitmap& bitmap) {
  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  const int bits = fourBits ? 4 : 8;
  std::size_t p = 0;
  std::int64_t x = 0;
  std::int64_t y = 0;  // counted from the first row stored
  const auto need = [&](std::size_t n) {
    if (n > data.size() - p) Invalid();
  };
  const auto row = [&]() { return bitmap.ScanLine(h.topDown ? static_cast<int>(y) : height - 1 - static_cast<int>(y)); };
  while (y < height) {
    need(2);
    const int count = data[p];
    const int value = data[p + 1];
    p += 2;
    if (count > 0) {
      const std::int64_t inside = std::clamp<std::int64_t>(width - x, 0, count);
      std::uint8_t* line = inside > 0 ? row() : nullptr;
      for (int i = 0; i < inside; ++i) {
        const int index = !fourBits ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F);
        WritePixelIndex(line, static_cast<int>(x) + i, bits, index);
      }
      x += count;
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      need(2);
      x += data[p];
      y += data[p + 1];
      p += 2;
    } else {
      const std::size_t bytes = fourBits ? (static_cast<std::size_t>(value) + 1) / 2 : static_cast<std::size_t>(value);
      need(bytes);
      const std::int64_t inside = std::clamp<std::int64_t>(width - x, 0, value);
      std::uint8_t* line = inside > 0 ? row() : nullptr;
      for (int i = 0; i < inside; ++i) {
        const std::uint8_t b = data[p + static_cast<std::size_t>(fourBits ? i / 2 : i)];
        const int index = !fourBits ? b : (i % 2 == 0 ? b >> 4 : b & 0x0F);
        WritePixelIndex(line, static_cast<int>(x) + i, bits, index);
      }
      x += value;
      // Literal runs are padded to a 16-bit boundary; a file may end before the last pad byte.
      p = std::min(data.size(), p + bytes + (bytes & 1));
    }
  }
}

// Uncompressed rows of bit-field pixels whose masks match no pixel format: each channel is taken by
// its mask and widened to 8 bits.
void ConvertBitFieldRow(const std::uint8_t* source, const Header& h, TPixelFormat out, std::uint8_t* dest) {
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
  const int width = static_cast<int>(h.width);
  for (int x = 0; x < width; ++x) {
    const std::uint32_t pixel = h.bits == 16 ? ReadLittle16(source + 2 * x) : ReadLittle32(source + 4 * x);
    WriteDirectColor(dest, x, out, PackColor(red.Extract(pixel), green.Extract(pixel), blue.Extract(pixel)));
    if (out == TPixelFormat::pf32bit) dest[4 * x + 3] = alpha.Extract(pixel);
  }
}

// A 40-byte header is followed by the masks of bit-field pixels; other pixels take the masks
// their depth implies. Returns where the colour table starts.
std::uint64_t ReadMasks(BitmapFileReader& file, Header& h) {
  std::uint64_t tableStart = std::uint64_t{kBmpFileHeaderBytes} + h.headerBytes;
  if (IsBitFields(h) && !h.hasMasks) {
    const std::size_t maskCount = h.compression == kBiAlphaBitFields ? 4 : 3;
    std::array<std::uint8_t, 16> maskBytes{};
    file.Read(tableStart, maskBytes.data(), 4 * maskCount);
    for (std::size_t i = 0; i < maskCount; ++i) h.masks[i] = ReadLittle32(maskBytes.data() + 4 * i);
    h.hasMasks = true;
    tableStart += 4 * maskCount;
  }
  if (!IsBitFields(h)) {
    // Without bit fields 16 bits are x-5-5-5 and 32 bits blue, green, red and a fourth byte.
    h.masks = h.bits == 16 ? std::array<std::uint32_t, 4>{0x7C00, 0x03E0, 0x001F, 0}
                           : std::array<std::uint32_t, 4>{0xFF0000, 0x00FF00, 0x0000FF, 0};
  }
  return tableStart;
}

struct ColourTable {
  std::vector<TPaletteEntry> palette;
  std::uint64_t end = 0;  // where the pixels start when the file does not say
};

ColourTable ReadColourTable(BitmapFileReader& file, const Header& h, std::uint32_t offBits, std::uint64_t tableStart) {
  ColourTable table;
  table.end = tableStart;
  if (h.bits > 8) return table;
  const std::uint64_t entryBytes = h.core ? 3 : 4;
  std::uint64_t count = std::uint64_t{1} << h.bits;
  if (h.colorsUsed != 0 && h.colorsUsed < count) count = h.colorsUsed;
  // Some writers leave the table shorter than they say; the pixels start where the file says.
  if (offBits != 0 && offBits < tableStart + count * entryBytes) count = (offBits - tableStart) / entryBytes;
  std::vector<std::uint8_t> entries(static_cast<std::size_t>(count * entryBytes));
  file.Read(tableStart, entries.data(), entries.size());
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* e = entries.data() + i * entryBytes;
    table.palette.push_back({e[2], e[1], e[0], 0});
  }
  table.end = tableStart + count * entryBytes;
  return table;
}

// The pixel format the bitmap is held in, and whether the file's rows are that format's rows.
struct PixelLayout {
  TPixelFormat format = TPixelFormat::pf24bit;
  bool copyRows = true;
};

PixelLayout ChooseLayout(const Header& h) {
  switch (h.bits) {
    case 1: return {TPixelFormat::pf1bit, true};
    case 4: return {TPixelFormat::pf4bit, true};
    case 8: return {TPixelFormat::pf8bit, true};
    case 24: return {TPixelFormat::pf24bit, true};
    case 16: {
      const std::array<std::uint32_t, 3> rgb{h.masks[0], h.masks[1], h.masks[2]};
      if (rgb == std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}) return {TPixelFormat::pf15bit, true};
      if (rgb == std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}) return {TPixelFormat::pf16bit, true};
      return {TPixelFormat::pf24bit, false};
    }
    default: {  // 32
      const bool plain = h.masks[0] == 0xFF0000 && h.masks[1] == 0x00FF00 && h.masks[2] == 0x0000FF &&
                         (h.masks[3] == 0 || h.masks[3] == 0xFF000000);
      return {TPixelFormat::pf32bit, plain};
    }
  }
}

bool IsRle(const Header& h) { return h.compression == kBiRle8 || h.compression == kBiRle4; }

// The compressed pixel data, up to the file's end or the length the header gives.
std::vector<std::uint8_t> ReadRleData(BitmapFileReader& file, const Header& h, std::uint64_t dataStart) {
  std::uint64_t length = file.Size() - dataStart;
  if (h.imageBytes != 0 && h.imageBytes < length) length = h.imageBytes;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
  file.Read(dataStart, data.data(), data.size());
  return data;
}

// The last row may lack its padding; every other byte of every row must be there.
void RequireRows(const BitmapFileReader& file, const Header& h, std::uint64_t dataStart) {
  const std::uint64_t rowBytes = ScanLineBytes(static_cast<int>(h.width), h.bits);
  const std::uint64_t lastRowBytes = (CheckedMultiply(static_cast<std::uint64_t>(h.width), h.bits) + 7) / 8;
  file.Require(dataStart, CheckedMultiply(rowBytes, static_cast<std::uint64_t>(h.height - 1)) + lastRowBytes);
}

void ReadRows(BitmapFileReader& file, const Header& h, const PixelLayout& layout, std::uint64_t dataStart,
              TBitmap& bitmap) {
  const int height = static_cast<int>(h.height);
  const std::uint64_t rowBytes = ScanLineBytes(static_cast<int>(h.width), h.bits);
  file.Seek(dataStart);
  std::vector<std::uint8_t> source(layout.copyRows ? 0 : static_cast<std::size_t>(rowBytes));
  for (int r = 0; r < height; ++r) {
    const std::uint64_t offset = dataStart + static_cast<std::uint64_t>(r) * rowBytes;
    const auto count = static_cast<std::size_t>(std::min(rowBytes, file.Size() - offset));
    std::uint8_t* dest = bitmap.ScanLine(h.topDown ? r : height - 1 - r);
    if (layout.copyRows) {
      file.ReadNext(dest, count);
    } else {
      file.ReadNext(source.data(), count);
      ConvertBitFieldRow(source.data(), h, layout.format, dest);
    }
  }
}

}  // namespace

void ReadWindowsBitmap(TStream& stream, TBitmap& bitmap) {
  const std::int64_t start = stream.Position();
  const std::int64_t total = stream.Size() - start;
  if (total <= 0) {
    bitmap.Clear();
    return;
  }
  BitmapFileReader file(stream, static_cast<std::uint64_t>(start), static_cast<std::uint64_t>(total));

  std::array<std::uint8_t, kBmpFileHeaderBytes> fileHeader{};
  file.Read(0, fileHeader.data(), fileHeader.size());
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') Invalid();
  const std::uint32_t offBits = ReadLittle32(fileHeader.data() + 10);
  Header h = ReadHeader(file);
  const std::uint64_t tableStart = ReadMasks(file, h);
  if (offBits != 0 && offBits < tableStart) Invalid();
  ColourTable table = ReadColourTable(file, h, offBits, tableStart);
  const std::uint64_t dataStart = offBits != 0 ? offBits : table.end;
  file.Require(dataStart, 0);

  CheckBitmapSize(h.width, h.height, h.bits);
  // A picture without pixels loads as 0 × 0, so that no row of it has a pixel nobody stored.
  if (h.width == 0 || h.height == 0) h.width = h.height = 0;
  const PixelLayout layout = ChooseLayout(h);
  std::vector<std::uint8_t> rleData;
  if (IsRle(h)) {
    rleData = ReadRleData(file, h, dataStart);
  } else if (h.width > 0 && h.height > 0) {
    RequireRows(file, h, dataStart);
  }

  bitmap.Clear();
  bitmap.SetPixelFormat(layout.format);
  bitmap.SetSize(static_cast<int>(h.width), static_cast<int>(h.height));
  if (!table.palette.empty()) bitmap.SetPalette(std::move(table.palette));
  if (h.width == 0 || h.height == 0) return;

  if (IsRle(h)) {
    DecodeRle(rleData, h.compression == kBiRle4, h, bitmap);
    return;
  }
  ReadRows(file, h, layout, dataStart, bitmap);
}

}  // namespace ombrisk
