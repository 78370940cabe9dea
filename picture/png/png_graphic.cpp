#include "picture/png/png_graphic.h"

#include <memory>
#include <utility>

#include "picture/png/png_read_stream.h"
#include "picture/png/png_write_stream.h"

namespace ombrisk {

namespace {

// Puts a bitmap's own OnProgress back however the run ends.
class TProgressSwap {
public:
  TProgressSwap(TBitmap& bitmap, const TProgressEvent& handler) : m_bitmap(bitmap) {
    if (!handler) return;
    m_saved = std::move(m_bitmap.OnProgress);
    m_bitmap.OnProgress = handler;
    m_active = true;
  }
  ~TProgressSwap() {
    if (m_active) m_bitmap.OnProgress = std::move(m_saved);
  }
  TProgressSwap(const TProgressSwap&) = delete;
  TProgressSwap& operator=(const TProgressSwap&) = delete;

private:
  TBitmap& m_bitmap;
  TProgressEvent m_saved;
  bool m_active = false;
};

}  // namespace

TPngGraphic::TPngGraphic() : m_time(CurrentPngTime()) {}

const TGraphicClass& TPngGraphic::Class() {
  static const TGraphicClass kind{"TPngGraphic", &GraphicClass(), [] { return std::make_unique<TPngGraphic>(); }};
  return kind;
}

void TPngGraphic::Decode(TStream& stream, bool reportProgress, bool takeInterlaced) {
  TPngReadStream reader;
  reader.SetMacBinaryCheck(m_macBinaryCheck);
  reader.SetTimeTarget(&m_time);
  reader.SetChromaticitiesTarget(&m_chromaticities);
  reader.SetGifgTarget(&m_gifg);
  // A mask left by an earlier file must never survive into this one.
  m_mask = TBitmap();
  reader.SetMaskTarget(&m_mask);
  {
    const TProgressSwap progress(m_bitmap, reportProgress ? OnProgress : TProgressEvent{});
    reader.ReadFromStream(m_bitmap, stream, 0);
  }
  m_hasAlpha = reader.HasAlpha();
  m_comment = reader.Comment();
  m_backgroundColor = reader.BackgroundColor();
  m_transparentColor = reader.TransparentColor();
  if (takeInterlaced) m_interlaced = reader.InterlaceMethod() != 0;
  m_gamma = reader.Gamma();
  m_physicalUnit = reader.PhysicalUnit();
  m_pixelsPerUnitX = reader.PixelsPerUnitX();
  m_pixelsPerUnitY = reader.PixelsPerUnitY();
  m_significantBits = reader.SignificantBits();
  m_bitDepth = reader.BitDepth();
  m_grey = reader.Grey();
  SyncAfterChange();
}

void TPngGraphic::LoadFromStream(TStream& stream) { Decode(stream, true, true); }

void TPngGraphic::ReadData(TStream& stream) {
  Decode(stream, false, false);
  Changed();
}

void TPngGraphic::Encode(TStream& stream, bool withOwnSettings) {
  TPngWriteSettings settings;
  if (withOwnSettings) {
    settings.ChunkSize = m_chunkSize;
    settings.Level = m_compressionLevel;
    settings.FilterMode = m_filterMode;
    settings.Interlaced = m_interlaced;
    settings.WriteCurrentTime = m_writeCurrentTime;
  }
  settings.Time = m_time;
  settings.Grey = m_grey;
  settings.HasAlpha = m_hasAlpha;
  settings.Mask = &m_mask;
  settings.Comment = m_comment;
  settings.BackgroundColor = m_backgroundColor;
  settings.TransparentColor = m_transparentColor;
  settings.Gamma = m_gamma;
  settings.SignificantBits = m_significantBits;
  settings.PhysicalUnit = m_physicalUnit;
  settings.PixelsPerUnitX = m_pixelsPerUnitX;
  settings.PixelsPerUnitY = m_pixelsPerUnitY;
  settings.Chromaticities = m_chromaticities;
  settings.Gifg = m_gifg;
  TPngWriteStream writer(std::move(settings));
  if (withOwnSettings && OnProgress) {
    writer.OnProgress = [this](TProgressStage stage, std::uint8_t percent) {
      OnProgress(m_bitmap, stage, percent, false, TRect{}, std::string());
    };
  }
  writer.WriteToStream(m_bitmap, stream);
}

void TPngGraphic::SaveToStream(TStream& stream) { Encode(stream, true); }

void TPngGraphic::WriteData(TStream& stream) {
  if (m_bitmap.Empty()) return;
  Encode(stream, false);
}

void TPngGraphic::SyncAfterChange() {
  if (Transparent() == m_bitmap.Transparent()) {
    Changed();
    return;
  }
  m_transparencySync = true;
  SetTransparent(m_bitmap.Transparent());
  m_transparencySync = false;
}

void TPngGraphic::SetTransparent(bool value) {
  if (!m_transparencySync && m_bitmap.Transparent() != value) m_bitmap.SetTransparent(value);
  TGraphic::SetTransparent(value);
}

void TPngGraphic::SetPalette(std::vector<TPaletteEntry> palette) {
  m_bitmap.SetPalette(std::move(palette));
  Changed();
}

void TPngGraphic::SetWidth(int width) {
  if (!m_bitmap.Empty()) m_bitmap.SetWidth(width);
  if (!m_mask.Empty()) m_mask.SetWidth(width);
  Changed();
}

void TPngGraphic::SetHeight(int height) {
  if (!m_bitmap.Empty()) m_bitmap.SetHeight(height);
  if (!m_mask.Empty()) m_mask.SetHeight(height);
  Changed();
}

void TPngGraphic::AssignTo(TBitmap& dest) const { dest.Assign(m_bitmap); }

void TPngGraphic::Assign(const TGraphic& source) {
  if (&source == this) return;
  if (const auto* png = dynamic_cast<const TPngGraphic*>(&source)) {
    m_bitmap.Assign(png->m_bitmap);
    m_mask.Assign(png->m_mask);
    m_compressionLevel = png->m_compressionLevel;
    m_filterMode = png->m_filterMode;
    m_chunkSize = png->m_chunkSize;
    m_interlaced = png->m_interlaced;
    m_grey = png->m_grey;
    m_comment = png->m_comment;
    m_backgroundColor = png->m_backgroundColor;
    m_transparentColor = png->m_transparentColor;
    m_gamma = png->m_gamma;
    m_significantBits = png->m_significantBits;
    m_physicalUnit = png->m_physicalUnit;
    m_pixelsPerUnitX = png->m_pixelsPerUnitX;
    m_pixelsPerUnitY = png->m_pixelsPerUnitY;
    m_writeCurrentTime = png->m_writeCurrentTime;
    m_time = png->m_time;
    m_chromaticities = png->m_chromaticities;
  } else {
    m_bitmap.Assign(source);
  }
  SyncAfterChange();
}

void RegisterPngFormat() { TPicture::RegisterFileFormat("PNG", "PNG Format", TPngGraphic::Class()); }

void UnregisterPngFormat() { TPicture::UnregisterGraphicClass(TPngGraphic::Class()); }

void SavePng(const TBitmap& bitmap, TStream& stream) {
  TPngWriteStream(TPngWriteSettings{}).WriteToStream(bitmap, stream);
}

}  // namespace ombrisk
