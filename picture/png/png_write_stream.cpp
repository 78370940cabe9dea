#include "picture/png/png_write_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <utility>
#include <vector>

#include "picture/png/png_adam7.h"
#include "picture/png/png_error.h"
#include "picture/png/png_filter.h"
#include "picture/png/png_write_rows.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLong(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutWord(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

void WriteChunk(TStream& stream, const char (&type)[5], const std::uint8_t* data, std::size_t size) {
  Bytes head;
  PutLong(head, static_cast<std::uint32_t>(size));
  head.insert(head.end(), type, type + 4);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, head.data() + 4, 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
  stream.WriteBuffer(head.data(), head.size());
  if (size > 0) stream.WriteBuffer(data, size);
  Bytes tail;
  PutLong(tail, static_cast<std::uint32_t>(crc));
  stream.WriteBuffer(tail.data(), tail.size());
}

void WriteChunk(TStream& stream, const char (&type)[5], const Bytes& data) {
  WriteChunk(stream, type, data.data(), data.size());
}

bool TimeInRange(const TPngTime& t) {
  return t.Year != 0 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour < 24 &&
         t.Minute < 60 && t.Second < 61;
}

TPngTime CurrentTime() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return TPngTime{static_cast<std::uint16_t>(utc.tm_year + 1900), static_cast<std::uint8_t>(utc.tm_mon + 1),
                  static_cast<std::uint8_t>(utc.tm_mday), static_cast<std::uint8_t>(utc.tm_hour),
                  static_cast<std::uint8_t>(utc.tm_min), static_cast<std::uint8_t>(utc.tm_sec)};
}

// The deflate side of the image data: compressed bytes leave in chunks of at most chunkSize.
class TIdatWriter {
public:
  TIdatWriter(TStream& stream, int level, std::size_t chunkSize) : m_stream(stream), m_buffer(chunkSize) {
    m_z.zalloc = Z_NULL;
    m_z.zfree = Z_NULL;
    m_z.opaque = Z_NULL;
    if (deflateInit2(&m_z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw EPngError(kSPngWriteError);
    m_z.next_out = m_buffer.data();
    m_z.avail_out = static_cast<uInt>(m_buffer.size());
  }
  ~TIdatWriter() { deflateEnd(&m_z); }
  TIdatWriter(const TIdatWriter&) = delete;
  TIdatWriter& operator=(const TIdatWriter&) = delete;

  void Write(const std::uint8_t* data, std::size_t size) { Run(data, size, Z_NO_FLUSH); }
  void Finish() { Run(nullptr, 0, Z_FINISH); }

private:
  void Run(const std::uint8_t* data, std::size_t size, int flush) {
    m_z.next_in = const_cast<Bytef*>(data);
    m_z.avail_in = static_cast<uInt>(size);
    for (;;) {
      const int result = deflate(&m_z, flush);
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) throw EPngError(kSPngWriteError);
      if (m_z.avail_out == 0) Emit();
      if (flush == Z_FINISH ? result == Z_STREAM_END : (m_z.avail_in == 0 && m_z.avail_out > 0)) break;
      if (result == Z_BUF_ERROR && m_z.avail_out > 0) throw EPngError(kSPngWriteError);
    }
    if (flush == Z_FINISH && m_z.avail_out < m_buffer.size()) Emit();
  }
  void Emit() {
    WriteChunk(m_stream, "IDAT", m_buffer.data(), m_buffer.size() - m_z.avail_out);
    m_z.next_out = m_buffer.data();
    m_z.avail_out = static_cast<uInt>(m_buffer.size());
  }

  TStream& m_stream;
  Bytes m_buffer;
  z_stream m_z{};
};

int FilterFor(int filterMode, const std::uint8_t* raw, const std::uint8_t* prior, std::uint8_t* scratch,
              std::size_t rowBytes, std::size_t bpp) {
  if (filterMode == 0) return ChooseFilter(raw, prior, scratch, rowBytes, bpp);
  if (filterMode >= 2 && filterMode <= 5) return filterMode - 1;
  return 0;
}

std::uint8_t ClampBits(int value, int depth) {
  return static_cast<std::uint8_t>(value < 1 || value > depth ? depth : value);
}

}  // namespace

TPngWriteStream::TPngWriteStream(TPngWriteSettings settings) : m_settings(std::move(settings)) {}

void TPngWriteStream::WriteToStream(const TBitmap& bitmap, TStream& stream) {
  const TPngWriteSettings& s = m_settings;
  if (s.ChunkSize < 256 || s.ChunkSize > 100000) throw EPngError(kSPngChunkSize);

  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const int bitmapBits =
      bitmap.PixelFormat() == TPixelFormat::pf15bit ? 15 : BitsPerPixel(bitmap.PixelFormat());
  int colourType = 2;
  int depth = 8;
  if (bitmapBits <= 8) {
    colourType = s.Grey ? 0 : 3;
    depth = bitmapBits;
  }
  const TBitmap* const mask = s.Mask;
  const bool maskFits = s.HasAlpha && mask != nullptr && mask->PixelFormat() == TPixelFormat::pf8bit &&
                        mask->Width() == width && mask->Height() == height;
  if (maskFits && colourType == 0 && depth == 8) colourType = 4;
  if (maskFits && colourType == 2) colourType = 6;
  const bool writesAlpha = colourType == 4 || colourType == 6;
  const bool grey = colourType == 0 || colourType == 4;

  const TPngRowSource source(bitmap, writesAlpha ? mask : nullptr, colourType, depth);
  const std::vector<TPaletteEntry>& palette = bitmap.Palette();

  if (OnProgress) OnProgress(TProgressStage::psStarting, 0);
  stream.WriteBuffer(kPngSignature.data(), kPngSignature.size());

  Bytes data;
  PutLong(data, static_cast<std::uint32_t>(width));
  PutLong(data, static_cast<std::uint32_t>(height));
  data.push_back(static_cast<std::uint8_t>(depth));
  data.push_back(static_cast<std::uint8_t>(colourType));
  data.push_back(0);
  data.push_back(0);
  data.push_back(s.Interlaced ? 1 : 0);
  WriteChunk(stream, "IHDR", data);

  const TPngTime time = s.WriteCurrentTime ? CurrentTime() : s.Time;
  if (TimeInRange(time)) {
    data.clear();
    PutWord(data, time.Year);
    for (const std::uint8_t b : {time.Month, time.Day, time.Hour, time.Minute, time.Second}) data.push_back(b);
    WriteChunk(stream, "tIME", data);
  }
  const auto writeText = [&](const std::string& keyword, const std::string& text) {
    data.clear();
    PutText(data, keyword);
    data.push_back(0);
    PutText(data, text);
    WriteChunk(stream, "tEXt", data);
  };
  if (!s.Comment.empty()) writeText("Comment", s.Comment);
  writeText("Software", kPngSoftware);

  data.assign(kPngPrivateTag, kPngPrivateTag + 4);
  data.push_back(grey ? 1 : 0);
  data.push_back(writesAlpha ? 1 : 0);
  data.push_back(0);
  data.push_back(0);
  WriteChunk(stream, "tpNG", data);

  if (std::any_of(s.Gifg.begin(), s.Gifg.end(), [](std::uint8_t b) { return b != 0; })) {
    WriteChunk(stream, "gIFg", s.Gifg.data(), s.Gifg.size());
  }
  const long long gamma = std::llrint(static_cast<long double>(s.Gamma) * 100000.0L);
  if (gamma > 0 && gamma <= 0xFFFFFFFFLL) {
    data.clear();
    PutLong(data, static_cast<std::uint32_t>(gamma));
    WriteChunk(stream, "gAMA", data);
  }
  if (s.Chromaticities[0] != 0 && s.Chromaticities[1] != 0) {
    data.clear();
    for (const std::uint32_t v : s.Chromaticities) PutLong(data, v);
    WriteChunk(stream, "cHRM", data);
  }
  if (!grey && (s.SignificantBits != 0 || bitmapBits == 15 || bitmapBits == 16)) {
    data.clear();
    if (bitmapBits == 15 || bitmapBits == 16) {
      data = {5, static_cast<std::uint8_t>(bitmapBits == 15 ? 5 : 6), 5};
    } else {
      for (int i = 0; i < 3; ++i) data.push_back(ClampBits((s.SignificantBits >> (8 * i)) & 0xFF, 8));
    }
    if (writesAlpha) data.push_back(ClampBits((s.SignificantBits >> 24) & 0xFF, 8));
    WriteChunk(stream, "sBIT", data);
  }

  int paletteCount = 0;
  if (colourType == 3) {
    // Enough entries for every index in use, and never more than the depth can address.
    const int needed = std::max(static_cast<int>(palette.size()), HighestPaletteIndex(bitmap) + 1);
    paletteCount = std::min(needed, 1 << depth);
    data.clear();
    for (int i = 0; i < paletteCount; ++i) {
      if (static_cast<std::size_t>(i) < palette.size()) {
        const TPaletteEntry& e = palette[static_cast<std::size_t>(i)];
        data.insert(data.end(), {e.peRed, e.peGreen, e.peBlue});
      } else {
        const auto v = static_cast<std::uint8_t>(palette.empty() ? i * 255 / ((1 << depth) - 1) : 0);
        data.insert(data.end(), {v, v, v});
      }
    }
    WriteChunk(stream, "PLTE", data);
  }

  // bKGD and tRNS share their layout; a colour that the colour type cannot name is left out.
  const auto colourChunk = [&](const char (&type)[5], TColor colour, bool transparency) {
    if (colour == kClNone) return;
    const std::uint32_t high = static_cast<std::uint32_t>(colour) & 0xFF000000u;
    const bool isIndex = high == static_cast<std::uint32_t>(kPaletteIndexColour);
    const int index = colour & 0xFFFFFF;
    data.clear();
    if (colourType == 3) {
      if (!isIndex || index >= paletteCount) return;
      if (transparency) {
        data.assign(static_cast<std::size_t>(index) + 1, 255);
        data[static_cast<std::size_t>(index)] = 0;
      } else {
        data.push_back(static_cast<std::uint8_t>(index));
      }
    } else {
      int red = colour & 0xFF;
      int green = (colour >> 8) & 0xFF;
      int blue = (colour >> 16) & 0xFF;
      if (isIndex) {
        if (static_cast<std::size_t>(index) >= palette.size()) return;
        const TPaletteEntry& e = palette[static_cast<std::size_t>(index)];
        red = e.peRed;
        green = e.peGreen;
        blue = e.peBlue;
      } else if (high != 0) {
        return;
      }
      if (grey) {
        const int value = (red * 77 + green * 150 + blue * 29 + 128) >> 8;
        PutWord(data, static_cast<std::uint32_t>((value * ((1 << depth) - 1) + 127) / 255));
      } else {
        PutWord(data, static_cast<std::uint32_t>(red));
        PutWord(data, static_cast<std::uint32_t>(green));
        PutWord(data, static_cast<std::uint32_t>(blue));
      }
    }
    WriteChunk(stream, type, data);
  };
  colourChunk("bKGD", s.BackgroundColor, false);
  if (!writesAlpha) colourChunk("tRNS", s.TransparentColor, true);

  if (s.PixelsPerUnitX >= 1 && s.PixelsPerUnitY >= 1) {
    data.clear();
    PutLong(data, static_cast<std::uint32_t>(s.PixelsPerUnitX));
    PutLong(data, static_cast<std::uint32_t>(s.PixelsPerUnitY));
    data.push_back(s.PhysicalUnit);
    WriteChunk(stream, "pHYs", data);
  }

  // Image data.
  TIdatWriter idat(stream, s.Level, static_cast<std::size_t>(s.ChunkSize));
  const int channels = source.Channels();
  const int packedBits = source.PackedBits();
  const std::size_t bpp = static_cast<std::size_t>(std::max(1, packedBits / 8));
  const auto rowCapacity = static_cast<std::size_t>(
      (CheckedMultiply(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(packedBits)) + 7) / 8);
  Bytes samples(CheckedMultiply(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(channels)) + 1);
  Bytes raw(rowCapacity + 1);
  Bytes prior(rowCapacity + 1);
  Bytes filtered(rowCapacity + 1);
  Bytes scratch(rowCapacity + 1);

  const int passes = s.Interlaced ? 7 : 1;
  std::int64_t totalRows = 0;
  for (int pass = 0; pass < passes; ++pass) {
    if (!s.Interlaced) {
      totalRows += height;
    } else if (Adam7Pixels(pass, width) > 0) {
      totalRows += Adam7Rows(pass, height);
    }
  }
  std::int64_t rowsDone = 0;
  int lastPercent = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const TAdam7Pass geometry = s.Interlaced ? kAdam7[static_cast<std::size_t>(pass)] : TAdam7Pass{0, 1, 0, 1};
    const std::int64_t pixels = s.Interlaced ? Adam7Pixels(pass, width) : width;
    if (pixels <= 0) continue;
    const auto rowBytes = static_cast<std::size_t>((pixels * packedBits + 7) / 8);
    std::fill(prior.begin(), prior.end(), std::uint8_t{0});
    for (int y = geometry.RowStart; y < height; y += geometry.RowStep) {
      source.Unpack(y, samples.data());
      source.Pack(samples.data(), pixels, geometry.ColumnStart, geometry.ColumnStep, raw.data());
      const int filter = FilterFor(s.FilterMode, raw.data(), prior.data(), scratch.data(), rowBytes, bpp);
      filtered[0] = static_cast<std::uint8_t>(filter);
      FilterRow(filter, raw.data(), prior.data(), filtered.data() + 1, rowBytes, bpp);
      idat.Write(filtered.data(), rowBytes + 1);
      std::swap(raw, prior);
      ++rowsDone;
      const int percent = static_cast<int>(rowsDone * 99 / std::max<std::int64_t>(totalRows, 1));
      if (OnProgress && percent > lastPercent) {
        lastPercent = percent;
        OnProgress(TProgressStage::psRunning, static_cast<std::uint8_t>(percent));
      }
    }
  }
  idat.Finish();
  WriteChunk(stream, "IEND", nullptr, 0);
  if (OnProgress) OnProgress(TProgressStage::psEnding, 100);
}

}  // namespace ombrisk
