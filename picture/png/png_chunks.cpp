// The chunk loop of TPngReadStream and every chunk handler except the image data.

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "picture/png/png_error.h"
#include "picture/png/png_read_stream.h"

namespace ombrisk {

namespace {

constexpr std::uint32_t kIhdr = PngChunkType("IHDR");
constexpr std::uint32_t kPlte = PngChunkType("PLTE");
constexpr std::uint32_t kTrns = PngChunkType("tRNS");
constexpr std::uint32_t kBkgd = PngChunkType("bKGD");
constexpr std::uint32_t kSbit = PngChunkType("sBIT");
constexpr std::uint32_t kGama = PngChunkType("gAMA");
constexpr std::uint32_t kPhys = PngChunkType("pHYs");
constexpr std::uint32_t kChrm = PngChunkType("cHRM");
constexpr std::uint32_t kGifg = PngChunkType("gIFg");
constexpr std::uint32_t kTime = PngChunkType("tIME");
constexpr std::uint32_t kText = PngChunkType("tEXt");
constexpr std::uint32_t kTpng = PngChunkType("tpNG");
constexpr std::uint32_t kIend = PngChunkType("IEND");

constexpr const char* kCommentKeyword = "Comment";

}  // namespace

void TPngReadStream::Consume(std::int64_t count) {
  const std::int64_t left = static_cast<std::int64_t>(m_chunkRemaining) - count;
  m_chunkRemaining = static_cast<std::int32_t>(std::max<std::int64_t>(left, std::numeric_limits<std::int32_t>::min()));
}

std::uint8_t TPngReadStream::ChunkByte() {
  Consume(1);
  return ReadByte();
}

std::uint16_t TPngReadStream::ChunkWord() {
  Consume(2);
  return ReadWord();
}

std::uint32_t TPngReadStream::ChunkLong() {
  Consume(4);
  return ReadLong();
}

void TPngReadStream::ChunkBytes(void* dest, std::int64_t count) {
  if (count <= 0) return;
  Consume(count);
  ReadBuffer(dest, count);
}

TColor TPngReadStream::ReadSampleColour() {
  const auto sample = [this] {
    const std::uint16_t v = ChunkWord();
    return static_cast<TColor>(m_headerBitDepth == 16 ? v >> 8 : v & 0xFF);
  };
  if (m_colourType == kPngColourGrey) {
    const TColor v = sample();
    return v | v << 8 | v << 16;
  }
  const TColor red = sample();
  const TColor green = sample();
  const TColor blue = sample();
  return red | green << 8 | blue << 16;
}

void TPngReadStream::ReadChunks() {
  while (!Eof() && !Stopped() && !Flag(kEndRead)) {
    m_chunkRemaining = static_cast<std::int32_t>(ReadLong());
    m_chunkType = ReadLong();
    HandleChunk();
    if (m_chunkRemaining > 0) Skip(m_chunkRemaining);
    ReadLong();  // the CRC, not checked
  }
}

void TPngReadStream::HandleChunk() {
  const bool beforeImage = BeforeImage();
  const bool beforePalette = beforeImage && !Flag(kPaletteRead);
  switch (m_chunkType) {
    case kIhdr:
      ReadHeader();
      break;
    case kPlte:
      if (beforePalette && (m_colourType == kPngColourRgb || m_colourType == kPngColourPalette)) ReadPalette();
      break;
    case kTrns:
      if (beforeImage && !m_hasAlpha) ReadTransparency();
      break;
    case kBkgd:
      if (Flag(kHeaderRead)) ReadBackground();
      break;
    case kSbit:
      if (beforePalette && (m_colourType == kPngColourRgb || m_colourType == kPngColourPalette)) {
        ReadSignificantBits();
      }
      break;
    case kGama:
      if (beforePalette) m_gamma = ChunkLong() / 100000.0;
      break;
    case kPhys:
      if (beforeImage) ReadPhysicalSize();
      break;
    case kChrm:
      if (beforePalette && m_chunkRemaining == 32 && m_chromaticitiesTarget != nullptr) ReadChromaticities();
      break;
    case kGifg:
      if (beforePalette && m_chunkRemaining == 4 && m_gifgTarget != nullptr) ChunkBytes(m_gifgTarget->data(), 4);
      break;
    case kTime:
      if (m_chunkRemaining == 7 && m_timeTarget != nullptr) ReadTime();
      break;
    case kText:
      if (m_chunkRemaining > 0) ReadText();
      break;
    case kTpng:
      if (Flag(kHeaderRead) && !Flag(kPrivateRead) && !Flag(kImageDone)) ReadPrivate();
      break;
    case kPngIdat:
      // Image-data chunks after the image are left to the loop's skip.
      if (!Flag(kImageDone)) ReadImage();
      break;
    case kIend:
      m_chunkFlags |= kEndRead;
      break;
    default:
      break;
  }
}

void TPngReadStream::ReadPhysicalSize() {
  m_pixelsPerUnitX = static_cast<std::int32_t>(ChunkLong());
  m_pixelsPerUnitY = static_cast<std::int32_t>(ChunkLong());
  m_physicalUnit = ChunkByte();
}

void TPngReadStream::ReadChromaticities() {
  for (std::uint32_t& value : *m_chromaticitiesTarget) value = ChunkLong();
}

void TPngReadStream::ReadTime() {
  m_timeTarget->Year = ChunkWord();
  m_timeTarget->Month = ChunkByte();
  m_timeTarget->Day = ChunkByte();
  m_timeTarget->Hour = ChunkByte();
  m_timeTarget->Minute = ChunkByte();
  m_timeTarget->Second = ChunkByte();
}

// The private chunk's first bytes are read once and not kept.
void TPngReadStream::ReadPrivate() {
  std::uint8_t content[6];
  ChunkBytes(content, std::min<std::int64_t>(6, m_chunkRemaining));
  m_chunkFlags |= kPrivateRead;
}

void TPngReadStream::ReadHeader() {
  if (Flag(kHeaderRead)) throw EPngError(kSPngTwoHeaders);
  m_width = ReadLong();
  m_height = ReadLong();
  m_bitDepth = ReadByte();
  m_headerBitDepth = m_bitDepth;
  int colourType = ReadByte() & 7;
  if (colourType == 1 || colourType == 5 || colourType == 7) throw EPngError(kSPngColorType);
  if ((colourType & 4) != 0) {
    m_hasAlpha = true;
    colourType &= 3;
  }
  if (colourType == 0) m_grey = true;
  m_colourType = colourType;
  if (ReadByte() >= 2) throw EPngError(kSPngCompression);
  if (ReadByte() >= 2) throw EPngError(kSPngFilterMethod);
  const int interlace = ReadByte();
  if (interlace >= 2) throw EPngError(kSPngInterlace);
  m_interlace = interlace;
  m_chunkFlags |= kHeaderRead;
  UpdateProgress(0);
  Consume(13);
}

void TPngReadStream::ReadPalette() {
  const int count = std::min(std::max(m_chunkRemaining, 0) / 3, kPaletteEntries);
  std::uint8_t rgb[3 * kPaletteEntries];
  ChunkBytes(rgb, 3 * count);
  std::uint8_t* const palette = PaletteBuffer();
  for (int i = 0; i < count; ++i) {
    palette[4 * i] = rgb[3 * i + 2];
    palette[4 * i + 1] = rgb[3 * i + 1];
    palette[4 * i + 2] = rgb[3 * i];
    palette[4 * i + 3] = 0;
  }
  m_paletteCount = count;
  m_chunkFlags |= kPaletteRead;
}

void TPngReadStream::ReadTransparency() {
  if (m_colourType == kPngColourPalette) {
    const int count = std::min(std::max(m_chunkRemaining, 0), m_paletteCount);
    ChunkBytes(m_paletteAlpha.data(), count);
    m_transparentColor = kPaletteAlphaPending;
    return;
  }
  m_transparentColor = ReadSampleColour();
}

void TPngReadStream::ReadBackground() {
  if (m_colourType == kPngColourPalette) {
    m_backgroundColor = kPaletteIndexColour + ChunkByte();
    return;
  }
  m_backgroundColor = ReadSampleColour();
}

void TPngReadStream::ReadSignificantBits() {
  std::uint32_t bits = ChunkByte();
  bits |= static_cast<std::uint32_t>(ChunkByte()) << 8;
  bits |= static_cast<std::uint32_t>(ChunkByte()) << 16;
  if (m_hasAlpha) bits |= static_cast<std::uint32_t>(ChunkByte()) << 24;
  m_significantBits = bits;
}

void TPngReadStream::ReadText() {
  const std::int64_t length = m_chunkRemaining;
  m_chunkRemaining = 0;
  // A length beyond the range cannot be satisfied: take the EOF path without allocating for it.
  if (length > Remaining()) {
    Skip(length);
    return;
  }
  std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
  ReadBuffer(data.data(), length);
  const auto zero = std::find(data.begin(), data.end(), std::uint8_t{0});
  if (std::string(data.begin(), zero) != kCommentKeyword) return;
  if (zero == data.end()) return;
  const std::string text(zero + 1, data.end());
  if (text.empty()) return;
  if (!m_comment.empty()) m_comment += "\r\n";
  m_comment += text;
  m_comment += "\r\n";
  UpdateProgress(0);
}

}  // namespace ombrisk
