#include "picture/png/custom_graphic_read_stream.h"

#include <utility>
#include <vector>

#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

// Puts back what a run changed, on every way out. The failure path must not hide the decoder's own
// exception behind a second one from repositioning the source.
class TRunCleanup {
public:
  TRunCleanup(TCustomReadStream& reader, TBitmap& bitmap, std::unique_ptr<std::uint8_t[]>& paletteBuffer)
      : m_reader(reader), m_bitmap(bitmap), m_paletteBuffer(paletteBuffer), m_onChange(std::move(bitmap.OnChange)) {
    m_bitmap.OnChange = nullptr;
  }
  TRunCleanup(const TRunCleanup&) = delete;
  TRunCleanup& operator=(const TRunCleanup&) = delete;
  ~TRunCleanup() {
    if (m_done) return;
    try {
      m_reader.Close();
    } catch (...) {
    }
    Restore();
  }
  // The ordinary end, where a failure to reposition the source is reported.
  void Finish() {
    m_done = true;
    try {
      m_reader.Close();
    } catch (...) {
      Restore();
      throw;
    }
    Restore();
  }

private:
  void Restore() {
    m_paletteBuffer.reset();
    m_bitmap.OnChange = std::move(m_onChange);
  }

  TCustomReadStream& m_reader;
  TBitmap& m_bitmap;
  std::unique_ptr<std::uint8_t[]>& m_paletteBuffer;
  TNotifyEvent m_onChange;
  bool m_done = false;
};

}  // namespace

TCustomGraphicReadStream::TCustomGraphicReadStream() { SetMacBinaryCheck(true); }

TPixelFormat TCustomGraphicReadStream::PixelFormatForBits(int bits) {
  switch (bits) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 15: return TPixelFormat::pf15bit;
    case 16: return TPixelFormat::pf16bit;
    case 32: return TPixelFormat::pf32bit;
    default: return TPixelFormat::pf24bit;
  }
}

void TCustomGraphicReadStream::ReadFromStream(TBitmap& bitmap, TStream& source, std::int64_t count) {
  m_target = &bitmap;
  TRunCleanup cleanup(*this, bitmap, m_paletteBuffer);
  Open(source, count);
  m_target = &bitmap;
  m_comment.clear();
  m_paletteCount = 0;
  m_physicalUnit = 0;
  m_pixelsPerUnitX = 0;
  m_pixelsPerUnitY = 0;
  Decode();
  cleanup.Finish();
}

bool TCustomGraphicReadStream::DoProgress(int percent) {
  if (m_target == nullptr || !m_target->OnProgress) return false;
  TProgressStage stage = TProgressStage::psRunning;
  if (percent == 0) {
    stage = TProgressStage::psStarting;
  } else if (percent < 1 || percent > 99) {
    stage = TProgressStage::psEnding;
    percent = 100;
  }
  m_target->OnProgress(*m_target, stage, static_cast<std::uint8_t>(percent), false, TRect{}, m_progressMessage);
  return false;
}

std::uint8_t* TCustomGraphicReadStream::PaletteBuffer() {
  if (!m_paletteBuffer) m_paletteBuffer = std::make_unique<std::uint8_t[]>(kPaletteBufferBytes);
  return m_paletteBuffer.get();
}

void TCustomGraphicReadStream::PrepareBitmap() {
  // Sizes come from the file: refuse what cannot be held before touching the target.
  CheckBitmapSize(m_width, m_height, BitsPerPixel(PixelFormatForBits(m_outputBits)));
  TBitmap& target = *m_target;
  target.Clear();
  target.SetPalette({});
  target.SetTransparent(false);
  target.SetPixelFormat(PixelFormatForBits(m_outputBits));
  target.SetSize(static_cast<int>(m_width), static_cast<int>(m_height));
  if (m_paletteBuffer) {
    std::vector<TPaletteEntry> palette(static_cast<std::size_t>(m_paletteCount));
    for (int i = 0; i < m_paletteCount; ++i) {
      const std::uint8_t* entry = m_paletteBuffer.get() + 4 * i;
      palette[static_cast<std::size_t>(i)] = TPaletteEntry{entry[2], entry[1], entry[0], 0};
    }
    target.SetPalette(std::move(palette));
  }
}

}  // namespace ombrisk
