// TPngGraphic: the PNG picture kind. It keeps the decoded picture in a main bitmap, per-pixel
// transparency in an 8-bit mask bitmap (255 minus alpha) and the descriptive values of the file;
// every pixel question is answered by the main bitmap.
//
//   RegisterPngFormat();                         // once at start-up, after the JPEG kind
//   TPngGraphic png; png.LoadFromFile(path); bitmap.Assign(png);   // colours only, no mask
//   SavePng(spectrogram, stream);                // a bitmap as PNG with the encoder's defaults
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "picture/png/png_records.h"
#include "toolkit/bitmap.h"
#include "toolkit/graphic.h"
#include "toolkit/picture.h"
#include "toolkit/stream.h"

namespace ombrisk {

class TPngGraphic : public TGraphic {
public:
  TPngGraphic();

  static const TGraphicClass& Class();
  std::string ClassName() const override { return "TPngGraphic"; }

  // Decodes from the stream's position to its end (EPngError for malformed data).
  void LoadFromStream(TStream& stream) override;
  // Encodes the main bitmap with every setting of this graphic.
  void SaveToStream(TStream& stream) override;
  // The toolkit's persistence of picture data: as LoadFromStream without progress and without
  // taking the interlaced flag, and as SaveToStream with the encoder's defaults (nothing for an
  // empty picture).
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

  int Width() const override { return m_bitmap.Width(); }
  int Height() const override { return m_bitmap.Height(); }
  bool Empty() const override { return m_bitmap.Empty(); }
  const std::vector<TPaletteEntry>& Palette() const { return m_bitmap.Palette(); }
  void SetPalette(std::vector<TPaletteEntry> palette);
  void SetWidth(int width);
  void SetHeight(int height);

  // dest receives the main bitmap's picture (the mask stays behind).
  void AssignTo(TBitmap& dest) const override;
  // From another TPngGraphic: both bitmaps and the settings; from any other kind: its picture.
  void Assign(const TGraphic& source);
  void SetTransparent(bool value) override;

  TBitmap& Bitmap() { return m_bitmap; }
  const TBitmap& Bitmap() const { return m_bitmap; }
  TBitmap& MaskBitmap() { return m_mask; }
  const TBitmap& MaskBitmap() const { return m_mask; }

  bool HasAlpha() const { return m_hasAlpha; }
  void SetHasAlpha(bool value) { m_hasAlpha = value; }
  bool Interlaced() const { return m_interlaced; }
  void SetInterlaced(bool value) { m_interlaced = value; }
  bool Grey() const { return m_grey; }
  void SetGrey(bool value) { m_grey = value; }
  int BitDepth() const { return m_bitDepth; }
  TColor BackgroundColor() const { return m_backgroundColor; }
  void SetBackgroundColor(TColor value) { m_backgroundColor = value; }
  TColor TransparentColor() const { return m_transparentColor; }
  void SetTransparentColor(TColor value) { m_transparentColor = value; }
  const std::string& Comment() const { return m_comment; }
  void SetComment(std::string value) { m_comment = std::move(value); }
  double Gamma() const { return m_gamma; }
  void SetGamma(double value) { m_gamma = value; }
  std::uint32_t SignificantBits() const { return m_significantBits; }
  std::uint8_t PhysicalUnit() const { return m_physicalUnit; }
  std::int32_t PixelsPerUnitX() const { return m_pixelsPerUnitX; }
  std::int32_t PixelsPerUnitY() const { return m_pixelsPerUnitY; }
  const TPngTime& Time() const { return m_time; }
  void SetTime(const TPngTime& value) { m_time = value; }
  const TPngChromaticities& Chromaticities() const { return m_chromaticities; }
  const TPngGifg& Gifg() const { return m_gifg; }

  int ChunkSize() const { return m_chunkSize; }
  void SetChunkSize(int value) { m_chunkSize = value; }
  int CompressionLevel() const { return m_compressionLevel; }
  void SetCompressionLevel(int value) { m_compressionLevel = value; }
  int FilterMode() const { return m_filterMode; }
  void SetFilterMode(int value) { m_filterMode = value; }
  bool MacBinaryCheck() const { return m_macBinaryCheck; }
  void SetMacBinaryCheck(bool value) { m_macBinaryCheck = value; }
  bool WriteCurrentTime() const { return m_writeCurrentTime; }
  void SetWriteCurrentTime(bool value) { m_writeCurrentTime = value; }

private:
  void Decode(TStream& stream, bool reportProgress, bool takeInterlaced);
  void Encode(TStream& stream, bool withOwnSettings);
  void SyncAfterChange();

  bool m_transparencySync = false;
  int m_chunkSize = 32768;
  int m_compressionLevel = -1;
  int m_filterMode = 1;
  bool m_interlaced = false;
  bool m_grey = false;
  TBitmap m_mask;
  TBitmap m_bitmap;
  bool m_hasAlpha = false;
  int m_bitDepth = 0;
  TColor m_backgroundColor = kClNone;
  TColor m_transparentColor = kClNone;
  std::string m_comment;
  double m_gamma = 0.45455;
  std::uint32_t m_significantBits = 0;
  std::uint8_t m_physicalUnit = 0;
  std::int32_t m_pixelsPerUnitX = 0;
  std::int32_t m_pixelsPerUnitY = 0;
  bool m_macBinaryCheck = true;
  bool m_writeCurrentTime = true;
  TPngTime m_time{};
  TPngChromaticities m_chromaticities{};
  TPngGifg m_gifg{};
};

// Adds "png" ("PNG Format") to the picture format registry; the start-up registrations call it
// after the JPEG kind's. UnregisterPngFormat takes it out again.
void RegisterPngFormat();
void UnregisterPngFormat();

// Writes bitmap as a PNG file with the encoder's defaults: colour at 8 bits per sample for 15- to
// 32-bit bitmaps, paletted for 1 to 8 bits, filter 0 on every row, zlib's default level.
void SavePng(const TBitmap& bitmap, TStream& stream);

}  // namespace ombrisk
