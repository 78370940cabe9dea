#include "picture/grey_conversion.h"

#include <cmath>

namespace ombrisk {

namespace {

constexpr long double kRedWeight = 0.298912L;
constexpr long double kGreenWeight = 0.586611L;
constexpr long double kBlueWeight = 0.114478L;

// The fast path works in 8.24 fixed point with the weights rounded to 24 fraction bits. Each
// channel's product is then off the long double product by at most 255 × half a unit, the three by
// at most 383 units (the long double sum's own error is far below a unit). So wherever the
// fixed-point sum lies at least kMargin units from a half, both round to the same integer; only
// near a half is the sum redone in long double. The weights are six-decimal numbers, so that
// happens for about a thousand of the 16.7 million colours (sums that are n + 0.5 give or take a
// few millionths).
constexpr int kFractionBits = 24;
constexpr long double kScale = 16777216.0L;  // 2^kFractionBits
constexpr std::uint32_t kRedFixed = static_cast<std::uint32_t>(kRedWeight * kScale + 0.5L);
constexpr std::uint32_t kGreenFixed = static_cast<std::uint32_t>(kGreenWeight * kScale + 0.5L);
constexpr std::uint32_t kBlueFixed = static_cast<std::uint32_t>(kBlueWeight * kScale + 0.5L);
constexpr std::uint32_t kHalf = std::uint32_t{1} << (kFractionBits - 1);
constexpr std::uint32_t kFractionMask = (std::uint32_t{1} << kFractionBits) - 1;
constexpr std::uint32_t kMargin = 512;
// 255 × (sum of the fixed weights) + a half stays below 2^32.
static_assert(255ULL * (kRedFixed + kGreenFixed + kBlueFixed) + kHalf < (1ULL << 32));

// The grey exactly as defined: the long double products added red, green, blue, rounded half to even.
// Kept out of line so that it does not hinder the vectorisation of the row loop.
[[gnu::noinline, gnu::cold]] std::uint8_t ExactGrey(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const long double sum = static_cast<long double>(red) * kRedWeight +
                          static_cast<long double>(green) * kGreenWeight +
                          static_cast<long double>(blue) * kBlueWeight;
  return static_cast<std::uint8_t>(std::llrint(sum));
}

// Fixed-point sum, plus a half, so that its integer part is the rounded grey.
inline std::uint32_t FixedSum(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red * kRedFixed + green * kGreenFixed + blue * kBlueFixed + kHalf;
}

inline bool NearHalf(std::uint32_t sum) {
  return (sum & kFractionMask) - kMargin >= kFractionMask + 1 - 2 * kMargin;
}

// Chunks keep the first loop free of branches, so that it vectorises; the rare chunk holding a
// colour near a half is walked a second time.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
__attribute__((target_clones("avx2", "sse4.1", "default")))
#endif
#endif
void GreyRow(const std::uint8_t* pixels, std::uint8_t* out, std::size_t width) {
  // out may be pixels itself: each chunk is read whole before it is written.
  constexpr std::size_t kChunk = 64;
  std::uint8_t grey[kChunk];
  while (width > 0) {
    const std::size_t n = width < kChunk ? width : kChunk;
    std::uint32_t anyNearHalf = 0;  // an integer: GCC vectorises an OR of integers, not of bools
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t sum = FixedSum(pixels[3 * i + 2], pixels[3 * i + 1], pixels[3 * i]);
      anyNearHalf |= static_cast<std::uint32_t>(NearHalf(sum));
      grey[i] = static_cast<std::uint8_t>(sum >> kFractionBits);
    }
    if (anyNearHalf != 0) {
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = pixels + 3 * i;
        if (NearHalf(FixedSum(p[2], p[1], p[0]))) grey[i] = ExactGrey(p[2], p[1], p[0]);
      }
    }
    for (std::size_t i = 0; i < n; ++i) {
      out[3 * i] = grey[i];
      out[3 * i + 1] = grey[i];
      out[3 * i + 2] = grey[i];
    }
    pixels += 3 * n;
    out += 3 * n;
    width -= n;
  }
}

}  // namespace

std::uint8_t GreyLevel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const std::uint32_t sum = FixedSum(red, green, blue);
  return NearHalf(sum) ? ExactGrey(red, green, blue) : static_cast<std::uint8_t>(sum >> kFractionBits);
}

void ConvertRowToGrey(std::uint8_t* pixels, std::size_t width) { GreyRow(pixels, pixels, width); }

void ConvertRowToGrey(const std::uint8_t* pixels, std::uint8_t* grey, std::size_t width) {
  GreyRow(pixels, grey, width);
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
