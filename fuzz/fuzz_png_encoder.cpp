// The PNG encoder: a bitmap of any depth and size with any of the encoder's settings, written and
// read back by our decoder, must give the same pixels, the same mask and every value the file
// carries. A difference aborts with what differed; a setting out of range must raise EPngError.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "picture/png/png_error.h"
#include "picture/png/png_graphic.h"
#include "picture/png/png_write_stream.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/stream.h"

namespace {

using ombrisk::TBitmap;
using ombrisk::TColor;
using ombrisk::TPixelFormat;

constexpr TPixelFormat kFormats[] = {TPixelFormat::pf1bit,  TPixelFormat::pf4bit,  TPixelFormat::pf8bit,
                                     TPixelFormat::pf15bit, TPixelFormat::pf16bit, TPixelFormat::pf24bit,
                                     TPixelFormat::pf32bit};

int DepthOf(TPixelFormat format) { return format == TPixelFormat::pf15bit ? 15 : ombrisk::BitsPerPixel(format); }

std::vector<std::uint8_t> Rgb24(const TBitmap& bitmap) {
  TBitmap copy(bitmap);
  copy.SetPixelFormat(TPixelFormat::pf24bit);
  std::vector<std::uint8_t> out;
  for (int y = 0; y < copy.Height(); ++y) {
    const std::uint8_t* line = copy.ScanLine(y);
    out.insert(out.end(), line, line + 3 * static_cast<std::size_t>(copy.Width()));
  }
  return out;
}

std::vector<std::uint8_t> Bytes8(const TBitmap& bitmap) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* line = bitmap.ScanLine(y);
    out.insert(out.end(), line, line + bitmap.Width());
  }
  return out;
}

// A palette of 1 … 2^depth entries; indices beyond it are black. For grey files the palette is full
// and every entry a grey the depth holds exactly, so that the greys come back as they went in (the
// encoder writes an index without entry as that grey sample, not as black).
std::vector<ombrisk::TPaletteEntry> MakePalette(FuzzedDataProvider& in, int depth, bool grey) {
  const int most = 1 << depth;
  const int count = grey ? most : in.ConsumeIntegralInRange(1, most);
  std::vector<ombrisk::TPaletteEntry> palette(static_cast<std::size_t>(count));
  for (ombrisk::TPaletteEntry& e : palette) {
    if (grey) {
      const auto v = static_cast<std::uint8_t>(in.ConsumeIntegralInRange(0, most - 1) * 255 / (most - 1));
      e = {v, v, v, 0};
    } else {
      e = {in.ConsumeIntegral<std::uint8_t>(), in.ConsumeIntegral<std::uint8_t>(), in.ConsumeIntegral<std::uint8_t>(),
           0};
    }
  }
  return palette;
}

// A colour setting: none, a palette index (in range or not), a colour, or a value with stray high bits.
TColor MakeColour(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return ombrisk::kClNone;
    case 1:
      return ombrisk::kPaletteIndexColour + in.ConsumeIntegralInRange(0, 300);
    case 2:
      return static_cast<TColor>(in.ConsumeIntegral<std::uint32_t>() & 0xFFFFFF);
    default:
      return static_cast<TColor>(in.ConsumeIntegral<std::uint32_t>());
  }
}

double MakeGamma(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return 0.0;
    case 1:
      return in.ConsumeIntegral<std::uint32_t>() / 100000.0;
    case 2:
      return -in.ConsumeProbability<double>();
    default:
      return in.ConsumeFloatingPoint<double>();
  }
}

// What the decoder gives back for a background or transparent colour the encoder was handed.
TColor CarriedColour(TColor colour, int colourType, int depth, int paletteCount,
                     const std::vector<ombrisk::TPaletteEntry>& palette) {
  if (colour == ombrisk::kClNone) return ombrisk::kClNone;
  const std::uint32_t high = static_cast<std::uint32_t>(colour) & 0xFF000000u;
  const bool isIndex = high == static_cast<std::uint32_t>(ombrisk::kPaletteIndexColour);
  const int index = colour & 0xFFFFFF;
  if (colourType == 3) return isIndex && index < paletteCount ? colour : ombrisk::kClNone;
  int red = colour & 0xFF;
  int green = (colour >> 8) & 0xFF;
  int blue = (colour >> 16) & 0xFF;
  if (isIndex) {
    if (static_cast<std::size_t>(index) >= palette.size()) return ombrisk::kClNone;
    const ombrisk::TPaletteEntry& e = palette[static_cast<std::size_t>(index)];
    red = e.peRed;
    green = e.peGreen;
    blue = e.peBlue;
  } else if (high != 0) {
    return ombrisk::kClNone;
  }
  if (colourType == 0 || colourType == 4) {
    // A grey sample at the file's depth, read back as that sample in all three bytes.
    const int value = (red * 77 + green * 150 + blue * 29 + 128) >> 8;
    const int sample = (value * ((1 << depth) - 1) + 127) / 255;
    return sample | sample << 8 | sample << 16;
  }
  return red | green << 8 | blue << 16;
}

std::uint8_t ClampBits(std::uint32_t value) { return static_cast<std::uint8_t>(value < 1 || value > 8 ? 8 : value); }

bool TimeInRange(const ombrisk::TPngTime& t) {
  return t.Year != 0 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour < 24 && t.Minute < 60 &&
         t.Second < 61;
}

bool SameTime(const ombrisk::TPngTime& a, const ombrisk::TPngTime& b) {
  return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour && a.Minute == b.Minute &&
         a.Second == b.Second;
}

// Every setting the encoder takes, from the input; out of range now and then.
ombrisk::TPngWriteSettings MakeSettings(FuzzedDataProvider& in) {
  ombrisk::TPngWriteSettings settings;
  settings.Grey = in.ConsumeBool();
  settings.Interlaced = in.ConsumeBool();
  settings.FilterMode = in.ConsumeIntegralInRange(-1, 7);
  settings.Level = in.ConsumeIntegralInRange(-2, 10);
  settings.ChunkSize = in.ConsumeBool() ? in.ConsumeIntegralInRange(256, 4096) : in.ConsumeIntegralInRange(0, 200000);
  settings.WriteCurrentTime = in.ConsumeBool();
  settings.Time = {in.ConsumeIntegral<std::uint16_t>(),      in.ConsumeIntegralInRange<std::uint8_t>(0, 13),
                   in.ConsumeIntegralInRange<std::uint8_t>(0, 32), in.ConsumeIntegralInRange<std::uint8_t>(0, 24),
                   in.ConsumeIntegralInRange<std::uint8_t>(0, 60), in.ConsumeIntegralInRange<std::uint8_t>(0, 61)};
  settings.HasAlpha = in.ConsumeBool();
  settings.BackgroundColor = MakeColour(in);
  settings.TransparentColor = MakeColour(in);
  settings.Gamma = MakeGamma(in);
  settings.SignificantBits = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint32_t>();
  settings.PhysicalUnit = in.ConsumeIntegral<std::uint8_t>();
  settings.PixelsPerUnitX = in.ConsumeIntegralInRange(-1, 100000);
  settings.PixelsPerUnitY = in.ConsumeIntegralInRange(-1, 100000);
  const bool chromaticities = in.ConsumeBool();
  for (std::uint32_t& v : settings.Chromaticities) v = chromaticities ? in.ConsumeIntegral<std::uint32_t>() : 0;
  const bool gifg = in.ConsumeBool();
  for (std::uint8_t& b : settings.Gifg) b = gifg ? in.ConsumeIntegral<std::uint8_t>() : 0;
  settings.Comment = in.ConsumeRandomLengthString(100);
  return settings;
}

// The picture handed to the encoder and its mask.
struct TPictures {
  TBitmap bitmap;
  TBitmap mask;
  int maskKind = 0;  // 0 … 4 a fitting mask, 5 none, 6 one pixel too wide, 7 not 8-bit
};

void MakePictures(FuzzedDataProvider& in, TPixelFormat format, int width, int height,
                  ombrisk::TPngWriteSettings& settings, TPictures& pictures) {
  TBitmap& bitmap = pictures.bitmap;
  TBitmap& mask = pictures.mask;
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  const int bits = DepthOf(format);
  if (bits <= 8) bitmap.SetPalette(MakePalette(in, bits, settings.Grey));
  // A mask of the right kind most of the time; sometimes one that does not fit, which writes no alpha.
  pictures.maskKind = in.ConsumeIntegralInRange(0, 7);
  mask.SetPixelFormat(pictures.maskKind == 7 ? TPixelFormat::pf24bit : TPixelFormat::pf8bit);
  mask.SetSize(pictures.maskKind == 6 ? width + 1 : width, height);
  settings.Mask = pictures.maskKind == 5 ? nullptr : &mask;
  // Every byte of every row, padding included, comes from the input (repeated when it runs short).
  const std::vector<std::uint8_t> fill = in.ConsumeRemainingBytes<std::uint8_t>();
  std::size_t next = 0;
  const auto take = [&] { return fill.empty() ? std::uint8_t{0x5A} : fill[next++ % fill.size()]; };
  for (TBitmap* picture : {&bitmap, &mask}) {
    for (int y = 0; y < picture->Height(); ++y) {
      std::uint8_t* line = picture->ScanLine(y);
      for (std::size_t i = 0; i < picture->BytesPerScanLine(); ++i) line[i] = take();
    }
  }
}

// Aborts with what differed and what the input made.
class TReport {
public:
  void Expect(bool same, const char* what) const {
    if (same) return;
    std::fprintf(stderr, "png encoder round trip: %s differs (%s)\n", what, m_shape.c_str());
    std::abort();
  }
  void SetShape(std::string shape) { m_shape = std::move(shape); }

private:
  std::string m_shape = "settings";
};

// The colour type and depth the file should have.
struct TFileKind {
  int colourType;
  int depth;
  bool alpha;
  bool grey;
};

TFileKind ExpectedKind(int bits, const ombrisk::TPngWriteSettings& settings, int maskKind) {
  int colourType = bits <= 8 ? (settings.Grey ? 0 : 3) : 2;
  const int depth = bits <= 8 ? bits : 8;
  const bool maskFits = settings.HasAlpha && maskKind < 5;
  if (maskFits && colourType == 0 && depth == 8) colourType = 4;
  if (maskFits && colourType == 2) colourType = 6;
  return {colourType, depth, colourType == 4 || colourType == 6, colourType == 0 || colourType == 4};
}

// The palette entries a paletted file carries: the bitmap's, and up to the highest index used.
int PaletteCount(const TBitmap& bitmap, int bits, const TFileKind& kind) {
  if (kind.colourType != 3) return 0;
  int highest = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const std::uint8_t* line = bitmap.ScanLine(y);
      const int index = bits == 8 ? line[x] : bits == 4 ? (line[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15
                                                        : (line[x / 8] >> (7 - x % 8)) & 1;
      highest = std::max(highest, index);
    }
  }
  return std::min(std::max(static_cast<int>(bitmap.Palette().size()), highest + 1), 1 << kind.depth);
}

std::uint32_t ExpectedSignificantBits(const ombrisk::TPngWriteSettings& settings, int bits, const TFileKind& kind) {
  std::uint32_t significant = 0;
  if (kind.grey || (settings.SignificantBits == 0 && bits != 15 && bits != 16)) return 0;
  if (bits == 15 || bits == 16) {
    significant = 5 | (bits == 15 ? 5u : 6u) << 8 | 5u << 16;
  } else {
    for (int i = 0; i < 3; ++i) {
      significant |= std::uint32_t{ClampBits((settings.SignificantBits >> (8 * i)) & 0xFF)} << (8 * i);
    }
  }
  if (kind.alpha) significant |= std::uint32_t{ClampBits(settings.SignificantBits >> 24)} << 24;
  return significant;
}

void CheckImage(const ombrisk::TPngGraphic& png, const TPictures& pictures, const ombrisk::TPngWriteSettings& settings,
                const TFileKind& kind, const TReport& report) {
  report.Expect(png.Width() == pictures.bitmap.Width() && png.Height() == pictures.bitmap.Height(), "size");
  report.Expect(Rgb24(png.Bitmap()) == Rgb24(pictures.bitmap), "pixels");
  report.Expect(png.HasAlpha() == kind.alpha, "alpha flag");
  if (kind.alpha) report.Expect(Bytes8(png.MaskBitmap()) == Bytes8(pictures.mask), "mask");
  report.Expect(png.Interlaced() == settings.Interlaced, "interlacing");
  report.Expect(png.Grey() == kind.grey, "grey flag");
  // The decoder reports colour files by their bits per pixel.
  report.Expect(png.BitDepth() == (kind.grey || kind.colourType == 3 ? kind.depth : 3 * kind.depth), "bit depth");
}

void CheckRecords(const ombrisk::TPngGraphic& png, const TPictures& pictures,
                  const ombrisk::TPngWriteSettings& settings, const TFileKind& kind, const TReport& report) {
  const int bits = DepthOf(pictures.bitmap.PixelFormat());
  const std::vector<ombrisk::TPaletteEntry>& palette = pictures.bitmap.Palette();
  const int paletteCount = PaletteCount(pictures.bitmap, bits, kind);
  report.Expect(png.BackgroundColor() ==
                    CarriedColour(settings.BackgroundColor, kind.colourType, kind.depth, paletteCount, palette),
                "background colour");
  const TColor transparent = kind.alpha ? ombrisk::kClNone
                                        : CarriedColour(settings.TransparentColor, kind.colourType, kind.depth,
                                                        paletteCount, palette);
  report.Expect(png.TransparentColor() == transparent, "transparent colour");

  const long long gamma = std::llrint(static_cast<long double>(settings.Gamma) * 100000.0L);
  report.Expect(png.Gamma() == (gamma > 0 && gamma <= 0xFFFFFFFFLL ? static_cast<double>(gamma) / 100000.0 : 0.0),
                "gamma");
  report.Expect(png.SignificantBits() == ExpectedSignificantBits(settings, bits, kind), "significant bits");
  const bool physical = settings.PixelsPerUnitX >= 1 && settings.PixelsPerUnitY >= 1;
  report.Expect(png.PixelsPerUnitX() == (physical ? settings.PixelsPerUnitX : 0) &&
                    png.PixelsPerUnitY() == (physical ? settings.PixelsPerUnitY : 0) &&
                    png.PhysicalUnit() == (physical ? settings.PhysicalUnit : 0),
                "physical size");
  const bool chrm = settings.Chromaticities[0] != 0 && settings.Chromaticities[1] != 0;
  report.Expect(png.Chromaticities() == (chrm ? settings.Chromaticities : ombrisk::TPngChromaticities{}),
                "chromaticities");
  report.Expect(png.Gifg() == settings.Gifg, "gIFg bytes");
  if (settings.WriteCurrentTime) {
    report.Expect(TimeInRange(png.Time()) && png.Time().Year >= 2024, "current time");
  } else {
    report.Expect(SameTime(png.Time(), TimeInRange(settings.Time) ? settings.Time : ombrisk::TPngTime{}), "time");
  }
  report.Expect(png.Comment() == (settings.Comment.empty() ? std::string() : settings.Comment + "\r\n"), "comment");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const TPixelFormat format = in.PickValueInArray(kFormats);
  const int bits = DepthOf(format);
  const int width = in.ConsumeIntegralInRange(1, 300);
  const int height = in.ConsumeIntegralInRange(1, 40);
  ombrisk::TPngWriteSettings settings = MakeSettings(in);
  TPictures pictures;
  MakePictures(in, format, width, height, settings, pictures);

  TReport report;
  const bool settingsValid =
      settings.ChunkSize >= 256 && settings.ChunkSize <= 100000 && settings.Level >= -1 && settings.Level <= 9;
  ombrisk::TMemoryStream stream;
  try {
    ombrisk::TPngWriteStream(settings).WriteToStream(pictures.bitmap, stream);
  } catch (const ombrisk::EPngError&) {
    report.Expect(!settingsValid, "refusal of valid settings");
    report.Expect(stream.Size() == 0, "output before the refusal");
    return 0;
  }
  report.Expect(settingsValid, "acceptance of settings out of range");

  const TFileKind kind = ExpectedKind(bits, settings, pictures.maskKind);
  report.SetShape(std::to_string(bits) + "-bit " + std::to_string(width) + "x" + std::to_string(height) +
                  ", colour type " + std::to_string(kind.colourType) + ", palette " +
                  std::to_string(pictures.bitmap.Palette().size()) + (settings.Interlaced ? ", interlaced" : "") +
                  ", filter mode " + std::to_string(settings.FilterMode));
  const std::uint8_t* const file = stream.Memory();
  report.Expect(stream.Size() > 33 && file[24] == kind.depth && file[25] == kind.colourType, "colour type or depth");

  stream.SetPosition(0);
  ombrisk::TPngGraphic png;
  png.LoadFromStream(stream);
  CheckImage(png, pictures, settings, kind, report);
  CheckRecords(png, pictures, settings, kind, report);
  return 0;
}
