// The decoding run of TPngReadStream: the signature, the image data passes and the finishing steps.
// The chunk handlers are in png_chunks.cpp.

#include "picture/png/png_read_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "picture/png/png_adam7.h"
#include "picture/png/png_error.h"
#include "picture/png/png_inflate_input.h"
#include "picture/png/png_unfilter.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

// Bytes of a row of width pixels at bits per pixel, rounded up to a multiple of 4.
std::size_t RowBufferBytes(std::int64_t width, int bits) {
  const std::uint64_t rowBits = CheckedMultiply(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(bits));
  return static_cast<std::size_t>(((rowBits + 7) / 8 + 3) / 4 * 4);
}

std::vector<TPaletteEntry> GreyRamp256() {
  std::vector<TPaletteEntry> ramp(256);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    ramp[static_cast<std::size_t>(i)] = TPaletteEntry{v, v, v, 0};
  }
  return ramp;
}

// How the rows of one run reach the picture, the same for every pass.
struct TRowPlacement {
  const TPngOutputMapping& mapping;
  bool interlaced;
  bool direct;  // byte-sized output without interlacing: converted straight into the scan lines
  bool placeAlpha;
  std::int64_t width;
  std::size_t outputBytes;
  std::uint8_t* converted;
  std::uint8_t* alpha;
};

// The columns one pass fills.
struct TPassColumns {
  TAdam7Pass geometry;
  std::int64_t pixels;
  std::int64_t start;  // in output units (bytes of 24-bit pixels, else pixels)
  std::int64_t step;
};

TPassColumns PassColumns(int pass, bool interlaced, std::int64_t width, int outputBits) {
  const int outputUnit = outputBits == 24 ? 3 : 1;
  const TAdam7Pass geometry = interlaced ? kAdam7[static_cast<std::size_t>(pass)] : TAdam7Pass{0, 1, 0, 1};
  return {geometry, interlaced ? Adam7Pixels(pass, width) : width, std::int64_t{geometry.ColumnStart} * outputUnit,
          std::int64_t{geometry.ColumnStep} * outputUnit};
}

// One unfiltered row into its scan line, and its alpha into the mask's.
void PlaceRow(const TRowPlacement& place, const TPassColumns& pass, const std::uint8_t* unfiltered,
              std::uint8_t* line, std::uint8_t* maskLine) {
  const TPngOutputMapping& mapping = place.mapping;
  const std::int64_t pixels = pass.pixels;
  if (place.direct) {
    if (mapping.Convert != nullptr) {
      mapping.Convert(unfiltered, line, place.placeAlpha ? maskLine : place.alpha, pixels);
    } else {
      std::memcpy(line, unfiltered, place.outputBytes);
    }
    return;
  }
  const std::uint8_t* output = unfiltered;
  if (mapping.Convert != nullptr) {
    mapping.Convert(unfiltered, place.converted, place.alpha, pixels);
    output = place.converted;
  }
  if (!place.interlaced) {
    std::memcpy(line, output, place.outputBytes);
    if (place.placeAlpha) std::memcpy(maskLine, place.alpha, static_cast<std::size_t>(place.width));
    return;
  }
  switch (mapping.OutputBits) {
    case 1: PlaceScattered1(line, output, pixels, pass.start, pass.step); break;
    case 4: PlaceScattered4(line, output, pixels, pass.start, pass.step); break;
    case 8: PlaceScattered8(line, output, pixels, pass.start, pass.step); break;
    default: PlaceScattered24(line, output, pixels, pass.start, pass.step); break;
  }
  if (place.placeAlpha) {
    PlaceScattered8(maskLine, place.alpha, pixels, pass.geometry.ColumnStart, pass.geometry.ColumnStep);
  }
}

}  // namespace

void TPngReadStream::ResetState() {
  m_mask = nullptr;
  m_hasAlpha = false;
  m_grey = false;
  m_needsMask = false;
  m_interlace = 0;
  m_colourType = -1;
  m_backgroundColor = kClNone;
  m_transparentColor = kClNone;
  m_significantBits = 0;
  m_gamma = 0.0;
  m_paletteAlpha.fill(255);
  if (m_timeTarget != nullptr) *m_timeTarget = TPngTime{};
  if (m_chromaticitiesTarget != nullptr) m_chromaticitiesTarget->fill(0);
  if (m_gifgTarget != nullptr) m_gifgTarget->fill(0);
  if (m_grey16Target != nullptr) m_grey16Target->clear();
  m_grey16Active = false;
  m_grey16Complete = false;
  m_bitDepth = 0;
  m_headerBitDepth = 0;
  m_chunkFlags = 0;
}

void TPngReadStream::Decode() {
  BeginProgress();
  NextStage(0, 0, 30);
  ResetState();

  std::uint8_t signature[8] = {};
  ReadBuffer(signature, 8);
  if (!std::equal(kPngSignature.begin(), kPngSignature.end(), signature)) throw EPngError(kSPngNotPng);

  try {
    ReadChunks();
  } catch (...) {
    m_rowBlock.reset();
    throw;
  }
  m_rowBlock.reset();

  if (!Eof() && !Stopped() && !m_hasAlpha && m_transparentColor != kClNone) {
    Target()->SetTransparent(true);
    Target()->SetTransparentColor(m_transparentColor);
  }
  if (m_needsMask && m_mask != nullptr) BuildPaletteMask();
  EndProgress();
}

void TPngReadStream::PrepareBitmap() {
  if (m_grey && m_outputBits <= 8) {
    int entries = 256;
    if (m_headerBitDepth == 1) entries = 2;
    if (m_headerBitDepth == 2) entries = 4;
    if (m_headerBitDepth == 4) entries = 16;
    const int step = 255 / (entries - 1);
    std::uint8_t* const palette = PaletteBuffer();
    for (int i = 0; i < entries; ++i) {
      const auto v = static_cast<std::uint8_t>(i * step);
      palette[4 * i] = v;
      palette[4 * i + 1] = v;
      palette[4 * i + 2] = v;
      palette[4 * i + 3] = 0;
    }
    m_paletteCount = entries;
  }

  if (m_transparentColor == kPaletteAlphaPending) {
    const bool partial = std::any_of(m_paletteAlpha.begin(), m_paletteAlpha.end(),
                                     [](std::uint8_t a) { return a != 0 && a != 255; });
    const auto zeros = std::count(m_paletteAlpha.begin(), m_paletteAlpha.end(), std::uint8_t{0});
    if (!partial && zeros == 1) {
      const auto index = std::find(m_paletteAlpha.begin(), m_paletteAlpha.end(), std::uint8_t{0}) - m_paletteAlpha.begin();
      m_transparentColor = kPaletteIndexColour + static_cast<TColor>(index);
    } else {
      m_transparentColor = kClNone;
      m_needsMask = true;
    }
  }

  TCustomGraphicReadStream::PrepareBitmap();

  if ((m_hasAlpha || m_needsMask) && m_maskTarget != nullptr) {
    const TBitmap& target = *Target();
    CheckBitmapSize(target.Width(), target.Height(), 8);
    TBitmap& mask = *m_maskTarget;
    mask.Clear();
    mask.SetPalette({});
    mask.SetTransparent(false);
    mask.SetPixelFormat(TPixelFormat::pf8bit);
    mask.SetSize(target.Width(), target.Height());
    mask.SetPalette(GreyRamp256());
    m_mask = &mask;
  }
}

void TPngReadStream::ReadImage() {
  const TPngOutputMapping mapping = MapPngOutput(m_colourType, m_hasAlpha, m_headerBitDepth);
  m_outputBits = mapping.OutputBits;
  m_bitDepth = mapping.ReportedBitDepth;

  // Runs after the inflater below has ended its zlib stream, on every way out.
  struct TFinish {
    TPngReadStream& reader;
    ~TFinish() {
      reader.m_rowBlock.reset();
      reader.NextStage(0, 0, 100);
    }
  } finish{*this};

  TPngInflater inflater(*this, m_chunkRemaining, m_chunkType);
  PrepareBitmap();

  const std::size_t sourceLine = RowBufferBytes(m_width, mapping.SourceBits);
  const std::size_t outputLine = RowBufferBytes(m_width, mapping.OutputBits);
  const std::size_t alphaLine = RowBufferBytes(m_width, 8);
  m_rowBlock = std::make_unique<std::uint8_t[]>(2 * (sourceLine + 4) + outputLine + 4 + alphaLine);

  const std::int64_t height = Target()->Height();
  m_grey16Active = m_grey16Target != nullptr && m_grey && !m_hasAlpha && m_headerBitDepth == 16;
  if (m_grey16Active) {
    m_grey16Target->assign(static_cast<std::size_t>(CheckedMultiply(static_cast<std::uint64_t>(Target()->Width()),
                                                                    static_cast<std::uint64_t>(height))),
                           0);
  }
  NextStage(1, m_interlace == 1 ? Adam7RowTotal(height) : height, 98);
  RunPasses(inflater, mapping);
  m_chunkFlags |= kImageDone;
}

void TPngReadStream::RunPasses(TPngInflater& inflater, const TPngOutputMapping& mapping) {
  TBitmap& target = *Target();
  const std::int64_t width = target.Width();
  const std::int64_t height = target.Height();
  if (width <= 0 || height <= 0) return;

  const std::size_t sourceLine = RowBufferBytes(width, mapping.SourceBits);
  const std::size_t outputLine = RowBufferBytes(width, mapping.OutputBits);
  std::uint8_t* current = m_rowBlock.get();
  std::uint8_t* prior = current + sourceLine + 4;
  std::uint8_t* const converted = prior + sourceLine + 4;
  std::uint8_t* const alpha = converted + outputLine + 4;

  const std::size_t bytesPerPixel = static_cast<std::size_t>((mapping.SourceBits + 7) / 8);
  const bool interlaced = m_interlace == 1;
  const int lastPass = interlaced ? 6 : 0;
  const TRowPlacement placement{mapping,
                                interlaced,
                                !interlaced && mapping.OutputBits >= 8,
                                m_mask != nullptr && mapping.WritesAlpha,
                                width,
                                static_cast<std::size_t>((width * mapping.OutputBits + 7) / 8),
                                converted,
                                alpha};

  std::int64_t rowCounter = 1;
  std::int64_t rowsLeft = interlaced ? 0 : height;
  for (int pass = 0; interlaced && pass <= lastPass; ++pass) {
    if (!Adam7Skipped(pass, width, height)) rowsLeft += Adam7Rows(pass, height);
  }
  for (int pass = 0; pass <= lastPass; ++pass) {
    if (interlaced && Adam7Skipped(pass, width, height)) continue;
    const TPassColumns columns = PassColumns(pass, interlaced, width, mapping.OutputBits);
    const std::size_t filteredBytes = static_cast<std::size_t>((columns.pixels * mapping.SourceBits + 7) / 8) + 1;
    std::memset(prior, 0, filteredBytes);
    for (std::int64_t y = columns.geometry.RowStart; y < height; y += columns.geometry.RowStep) {
      std::uint8_t* const line = target.ScanLine(static_cast<int>(y));
      std::uint8_t* const maskLine = m_mask != nullptr ? m_mask->ScanLine(static_cast<int>(y)) : nullptr;
      if (!inflater.ReadRow(current, filteredBytes) ||
          !UnfilterRow(current[0], current + 1, prior + 1, filteredBytes - 1, bytesPerPixel)) {
        throw EPngError(kSPngReadError);
      }
      PlaceRow(placement, columns, current + 1, line, maskLine);
      if (m_grey16Active) {
        const std::uint8_t* const samples = current + 1;
        std::uint16_t* const out = m_grey16Target->data() + static_cast<std::size_t>(y * width);
        for (std::int64_t i = 0; i < columns.pixels; ++i) {
          out[columns.geometry.ColumnStart + i * columns.geometry.ColumnStep] =
              static_cast<std::uint16_t>(samples[2 * i] << 8 | samples[2 * i + 1]);
        }
      }
      --rowsLeft;
      std::swap(current, prior);
      if (rowCounter % 4 == 2 || height < 4) UpdateProgress(rowCounter);
      ++rowCounter;
      if (Stopped()) break;
    }
    if (Eof() || Stopped()) break;
  }
  m_grey16Complete = m_grey16Active && rowsLeft == 0;
}

void TPngReadStream::BuildPaletteMask() {
  TBitmap& target = *Target();
  const int width = target.Width();
  const int height = target.Height();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* const line = target.ScanLine(y);
    std::uint8_t* const maskLine = m_mask->ScanLine(y);
    for (int x = 0; x < width; ++x) {
      int index = 0;
      if (m_outputBits == 1) {
        index = (line[x >> 3] >> (7 - (x & 7))) & 1;
      } else if (m_outputBits == 4) {
        index = (x & 1) == 0 ? line[x >> 1] >> 4 : line[x >> 1] & 0x0F;
      } else {
        index = line[x];
      }
      maskLine[x] = static_cast<std::uint8_t>(255 - m_paletteAlpha[static_cast<std::size_t>(index)]);
    }
  }
  m_hasAlpha = true;
}

}  // namespace ombrisk
