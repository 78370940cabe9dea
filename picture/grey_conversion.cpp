#include "picture/grey_conversion.h"

#include <cmath>

#include "picture/grey_kernels.h"
#include "toolkit/instruction_sets.h"

namespace ombrisk {

namespace grey {

[[gnu::noinline, gnu::cold]] std::uint8_t ExactGrey(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const long double sum = static_cast<long double>(red) * kRedWeight +
                          static_cast<long double>(green) * kGreenWeight +
                          static_cast<long double>(blue) * kBlueWeight;
  return static_cast<std::uint8_t>(std::llrint(sum));
}

// Chunks keep the first loop free of branches, so that compilers vectorise it; the rare chunk
// holding a colour near a half is walked a second time.
void GreyRowPortable(const std::uint8_t* in, std::uint8_t* out, std::size_t width) {
  constexpr std::size_t kChunk = 64;
  std::uint8_t greys[kChunk];
  while (width > 0) {
    const std::size_t n = width < kChunk ? width : kChunk;
    std::uint32_t anyNearHalf = 0;  // an integer: GCC vectorises an OR of integers, not of bools
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t sum = FixedSum(in[3 * i + 2], in[3 * i + 1], in[3 * i]);
      anyNearHalf |= static_cast<std::uint32_t>(NearHalf(sum));
      greys[i] = static_cast<std::uint8_t>(sum >> kFractionBits);
    }
    if (anyNearHalf != 0) {
      for (std::size_t i = 0; i < n; ++i) greys[i] = PixelGrey(in + 3 * i);
    }
    for (std::size_t i = 0; i < n; ++i) {
      out[3 * i] = greys[i];
      out[3 * i + 1] = greys[i];
      out[3 * i + 2] = greys[i];
    }
    in += 3 * n;
    out += 3 * n;
    width -= n;
  }
}

}  // namespace grey

namespace {

using RowKernel = void (*)(const std::uint8_t*, std::uint8_t*, std::size_t);

RowKernel ChooseKernel() {
  return grey::GreyRowPaths().Taken() == TInstructionSet::Sse41 ? grey::GreyRowSse41 : grey::GreyRowPortable;
}

}  // namespace

std::uint8_t GreyLevel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const std::uint8_t bgr[3] = {blue, green, red};
  return grey::PixelGrey(bgr);
}

void ConvertRowToGrey(std::uint8_t* pixels, std::size_t width) { ChooseKernel()(pixels, pixels, width); }

void ConvertRowToGrey(const std::uint8_t* pixels, std::uint8_t* grey, std::size_t width) {
  ChooseKernel()(pixels, grey, width);
}

void ConvertToGrey(TBitmap& bitmap) {
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  const int height = bitmap.Height();
  const auto width = static_cast<std::size_t>(bitmap.Width());
  for (int y = 0; y < height; ++y) ConvertRowToGrey(bitmap.ScanLine(y), width);
}

void WriteGreyInto(TBitmap& source, TBitmap& dest) {
  source.SetPixelFormat(TPixelFormat::pf24bit);
  dest.SetPixelFormat(TPixelFormat::pf24bit);
  dest.SetSize(source.Width(), source.Height());
  const int height = source.Height();
  const auto width = static_cast<std::size_t>(source.Width());
  for (int y = 0; y < height; ++y) ConvertRowToGrey(source.ScanLine(y), dest.ScanLine(y), width);
  dest.SetTransparentColor(source.TransparentColor());
  dest.SetTransparent(source.Transparent());
  // Setting the palette always signals the change, now that the pixels are in place.
  dest.SetPalette(source.Palette());
}

}  // namespace ombrisk
