// TPngReadStream: decodes one PNG datastream into a TBitmap and, when the picture carries per-pixel
// transparency, into an 8-bit mask bitmap holding 255 minus alpha.
//
//   TPngReadStream reader;
//   reader.SetMaskTarget(&mask);                      // optional, like the record targets
//   reader.ReadFromStream(bitmap, stream, 0);         // raises EPngError for malformed files
//   if (reader.HasAlpha()) ...                        // mask holds the transparency
//
// Output: grey and palette pictures keep 1, 4 or 8 bits per pixel with a palette (2-bit samples
// become 4-bit indices), colour pictures become 24-bit blue, green, red; 16-bit samples keep their
// high byte (a 16-bit grey picture can leave its full samples in a target as well). CRCs are not checked; chunks without a handler are skipped, critical or not.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "picture/png/custom_graphic_read_stream.h"
#include "picture/png/png_pixel_convert.h"
#include "picture/png/png_records.h"
#include "toolkit/bitmap.h"

namespace ombrisk {

class TPngInflater;

class TPngReadStream : public TCustomGraphicReadStream {
public:
  // Marks palette transparency that is read but not yet analysed.
  static constexpr TColor kPaletteAlphaPending = 0x01FFFFFF;

  TPngReadStream() = default;

  void SetMaskTarget(TBitmap* mask) { m_maskTarget = mask; }
  void SetTimeTarget(TPngTime* time) { m_timeTarget = time; }
  void SetChromaticitiesTarget(TPngChromaticities* chromaticities) { m_chromaticitiesTarget = chromaticities; }
  void SetGifgTarget(TPngGifg* gifg) { m_gifgTarget = gifg; }
  // A 16-bit grey picture without alpha also leaves its samples here at full precision, row after
  // row from the top (width × height values); any other picture leaves it empty.
  void SetGrey16Target(std::vector<std::uint16_t>* samples) { m_grey16Target = samples; }
  // Whether every row of the image data reached the 16-bit target (false for a file cut short).
  bool Grey16Complete() const { return m_grey16Complete; }

  bool HasAlpha() const { return m_hasAlpha; }
  bool Grey() const { return m_grey; }
  TColor BackgroundColor() const { return m_backgroundColor; }
  TColor TransparentColor() const { return m_transparentColor; }
  int InterlaceMethod() const { return m_interlace; }
  double Gamma() const { return m_gamma; }
  // Red, green, blue and alpha in bytes 0 to 3.
  std::uint32_t SignificantBits() const { return m_significantBits; }
  // The mask bitmap the run filled, or nullptr.
  TBitmap* MaskInUse() const { return m_mask; }

protected:
  void Decode() override;
  void PrepareBitmap() override;

private:
  // Chunk flags.
  static constexpr std::uint8_t kHeaderRead = 1;
  static constexpr std::uint8_t kImageDone = 2;
  static constexpr std::uint8_t kEndRead = 4;
  static constexpr std::uint8_t kPaletteRead = 8;
  static constexpr std::uint8_t kPrivateRead = 16;

  void ResetState();
  void ReadChunks();
  void HandleChunk();
  void ReadHeader();
  void ReadPalette();
  void ReadTransparency();
  void ReadBackground();
  void ReadSignificantBits();
  void ReadText();
  void ReadPhysicalSize();
  void ReadChromaticities();  // into the chromaticities target
  void ReadTime();            // into the time target
  void ReadPrivate();
  void ReadImage();
  void RunPasses(TPngInflater& inflater, const TPngOutputMapping& mapping);
  void BuildPaletteMask();

  // Reads within the current chunk, counting what they take off the chunk's remaining bytes.
  std::uint8_t ChunkByte();
  std::uint16_t ChunkWord();
  std::uint32_t ChunkLong();
  // Reads nothing for count ≤ 0, where the buffered reader would raise its Stop flag.
  void ChunkBytes(void* dest, std::int64_t count);
  // Takes count off the remaining bytes. A length field of 2^31 or more reads as negative; the
  // count then stays at its lowest value instead of wrapping round to a huge skip.
  void Consume(std::int64_t count);
  // A grey or colour sample of the header's bit depth as a toolkit colour (tRNS, bKGD).
  TColor ReadSampleColour();

  bool Flag(std::uint8_t flag) const { return (m_chunkFlags & flag) != 0; }
  bool BeforeImage() const { return Flag(kHeaderRead) && !Flag(kImageDone); }

  std::int32_t m_chunkRemaining = 0;
  std::uint32_t m_chunkType = 0;
  std::uint8_t m_chunkFlags = 0;
  // The header's bit depth; the reported one changes when the image data begin.
  int m_headerBitDepth = 0;

  std::unique_ptr<std::uint8_t[]> m_rowBlock;

  bool m_hasAlpha = false;
  bool m_grey = false;
  bool m_needsMask = false;
  int m_interlace = 0;
  int m_colourType = -1;

  TBitmap* m_maskTarget = nullptr;
  TBitmap* m_mask = nullptr;

  double m_gamma = 0.0;
  std::uint32_t m_significantBits = 0;

  TPngTime* m_timeTarget = nullptr;
  TPngChromaticities* m_chromaticitiesTarget = nullptr;
  TPngGifg* m_gifgTarget = nullptr;
  std::vector<std::uint16_t>* m_grey16Target = nullptr;
  bool m_grey16Active = false;
  bool m_grey16Complete = false;

  TColor m_backgroundColor = kClNone;
  TColor m_transparentColor = kClNone;
  std::array<std::uint8_t, 256> m_paletteAlpha{};
};

}  // namespace ombrisk
