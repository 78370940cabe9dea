#include "toolkit/bitmap.h"

#include <algorithm>
#include <cstring>

#include "toolkit/bmp_file.h"
#include "toolkit/exception.h"
#include "toolkit/pixel_conversion.h"
#include "toolkit/pixel_store.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

struct TBitmap::Image {
  TPixelFormat format = TPixelFormat::pf24bit;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  TPixelStore pixels;  // rows top to bottom, each `stride` bytes
  std::vector<TPaletteEntry> palette;
};

namespace {

constexpr std::size_t kMaxPaletteEntries = 256;

// Copies the first `count` pixels of a row, leaving every other bit of the destination as it was,
// so that pixels cut off by a narrowing never reappear when the bitmap widens again.
void CopyPixels(const std::uint8_t* source, std::uint8_t* dest, int count, int bits) {
  const std::size_t totalBits = static_cast<std::size_t>(count) * static_cast<std::size_t>(bits);
  const std::size_t whole = totalBits / 8;
  std::memcpy(dest, source, whole);
  const unsigned rest = static_cast<unsigned>(totalBits % 8);
  if (rest != 0) {
    const auto mask = static_cast<std::uint8_t>(0xFF00u >> rest);
    dest[whole] = static_cast<std::uint8_t>((dest[whole] & ~mask) | (source[whole] & mask));
  }
}

// Builds the palette a bitmap keeps when it turns to `format`: its own if that fits the depth,
// otherwise the default one.
std::vector<TPaletteEntry> PaletteFor(TPixelFormat format, const std::vector<TPaletteEntry>& current) {
  if (!IsPaletted(format)) return current;
  const std::size_t capacity = std::size_t{1} << BitsPerPixel(format);
  if (!current.empty() && current.size() <= capacity) return current;
  return DefaultPalette(format);
}

}  // namespace

int BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit: return 16;
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
  }
  return 24;
}

TBitmap::TBitmap() : m_image(std::make_unique<Image>()) {}

// Copies take the picture, not the event handlers: those belong to whoever set them on the source.
TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(), m_image(std::make_unique<Image>(*other.m_image)), m_transparentColor(other.m_transparentColor) {
  if (other.Transparent()) TGraphic::SetTransparent(true);
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  other.AssignTo(*this);
  return *this;
}

TBitmap::~TBitmap() = default;

int TBitmap::Width() const { return m_image->width; }
int TBitmap::Height() const { return m_image->height; }

void TBitmap::SetWidth(int width) { SetSize(width, m_image->height); }
void TBitmap::SetHeight(int height) { SetSize(m_image->width, height); }

void TBitmap::SetSize(int width, int height) {
  const int bits = BitsPerPixel(m_image->format);
  CheckBitmapSize(width, height, bits);
  if (width == m_image->width && height == m_image->height) return;
  const auto stride = static_cast<std::size_t>(ScanLineBytes(width, bits));
  TPixelStore pixels(stride * static_cast<std::size_t>(height));
  const int keepWidth = std::min(width, m_image->width);
  const int keepHeight = std::min(height, m_image->height);
  for (int y = 0; y < keepHeight; ++y) {
    CopyPixels(m_image->pixels.data() + static_cast<std::size_t>(y) * m_image->stride,
               pixels.data() + static_cast<std::size_t>(y) * stride, keepWidth, bits);
  }
  m_image->width = width;
  m_image->height = height;
  m_image->stride = stride;
  m_image->pixels = std::move(pixels);
  Changed();
}

TPixelFormat TBitmap::PixelFormat() const { return m_image->format; }

void TBitmap::SetPixelFormat(TPixelFormat format) {
  const Image& old = *m_image;
  if (format == old.format) return;
  // Deeper pixels take more memory: a bitmap within the limits at 1 bit may not be at 32.
  CheckBitmapSize(old.width, old.height, BitsPerPixel(format));
  auto converted = std::make_unique<Image>();
  converted->format = format;
  converted->width = old.width;
  converted->height = old.height;
  converted->palette = PaletteFor(format, old.palette);
  converted->stride = static_cast<std::size_t>(ScanLineBytes(old.width, BitsPerPixel(format)));
  converted->pixels = TPixelStore(converted->stride * static_cast<std::size_t>(old.height));
  NearestPaletteIndex nearest(converted->palette);
  const bool keepIndices = IsPaletted(old.format) && converted->palette == old.palette;
  for (int y = 0; y < old.height; ++y) {
    ConvertRow(old.pixels.data() + static_cast<std::size_t>(y) * old.stride, old.format, old.palette,
               converted->pixels.data() + static_cast<std::size_t>(y) * converted->stride, format, &nearest,
               keepIndices, old.width);
  }
  m_image = std::move(converted);
  Changed();
}

std::size_t TBitmap::BytesPerScanLine() const { return m_image->stride; }

std::uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= m_image->height) throw EInvalidGraphicOperation(kSScanLine);
  return m_image->pixels.data() + static_cast<std::size_t>(y) * m_image->stride;
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= m_image->height) throw EInvalidGraphicOperation(kSScanLine);
  return m_image->pixels.data() + static_cast<std::size_t>(y) * m_image->stride;
}

TColor TBitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_image->width || y >= m_image->height) return kClNone;
  return ReadPixelColor(ScanLine(y), x, m_image->format, m_image->palette);
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= m_image->width || y >= m_image->height || color < 0) return;
  Image& image = *m_image;
  std::uint8_t* row = ScanLine(y);
  const bool byIndex = (static_cast<std::uint32_t>(color) >> 24) == 1;
  const int index = color & 0xFFFFFF;
  if (IsPaletted(image.format)) {
    const int bits = BitsPerPixel(image.format);
    if (byIndex) {
      if (index >= (1 << bits)) return;
      WritePixelIndex(row, x, bits, index);
    } else {
      WritePixelIndex(row, x, bits, FindNearestIndex(image.palette, color & 0xFFFFFF));
    }
  } else if (byIndex) {
    if (static_cast<std::size_t>(index) >= image.palette.size()) return;
    WriteDirectColor(row, x, image.format, PackColor(image.palette[static_cast<std::size_t>(index)]));
  } else {
    WriteDirectColor(row, x, image.format, color & 0xFFFFFF);
  }
  Changed();
}

const std::vector<TPaletteEntry>& TBitmap::Palette() const { return m_image->palette; }

void TBitmap::SetPalette(std::vector<TPaletteEntry> palette) {
  if (palette.size() > kMaxPaletteEntries) palette.resize(kMaxPaletteEntries);
  m_image->palette = std::move(palette);
  Changed();
}

void TBitmap::Assign(const TGraphic& source) { source.AssignTo(*this); }

void TBitmap::AssignTo(TBitmap& dest) const {
  if (&dest == this) return;
  *dest.m_image = *m_image;
  dest.m_transparentColor = m_transparentColor;
  if (dest.Transparent() != Transparent()) {
    dest.SetTransparent(Transparent());  // signals the change
  } else {
    dest.Changed();
  }
}

void TBitmap::Clear() {
  const TPixelFormat format = m_image->format;
  auto empty = std::make_unique<Image>();
  empty->format = format;
  empty->palette = DefaultPalette(format);
  m_image = std::move(empty);
  Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  // Decoded aside, so that a file that fails half-way leaves this bitmap as it was.
  TBitmap loaded;
  loaded.SetPixelFormat(m_image->format);  // what an empty stream leaves
  ReadWindowsBitmap(stream, loaded);
  m_image = std::move(loaded.m_image);
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) { WriteWindowsBitmap(*this, stream); }

TColor TBitmap::TransparentColor() const { return m_transparentColor; }

void TBitmap::SetTransparentColor(TColor color) {
  if (color == m_transparentColor) return;
  m_transparentColor = color;
  Changed();
}

}  // namespace ombrisk
