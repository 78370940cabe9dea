// Inside the grey conversion: the fixed-point shortcut shared by its row kernels, and the kernels.
// Not for use outside picture/ (tests check every kernel against the long double formula).
//
// The fast path works in 8.24 fixed point with the weights rounded to 24 fraction bits. Each
// channel's product is then off the long double product by at most 255 × half a unit, the three by
// at most 383 units (the long double sum's own error is far below a unit). So wherever the
// fixed-point sum lies at least kGreyMargin units from a half, both round to the same integer; only
// near a half is the sum redone in long double. The weights are six-decimal numbers, so that
// happens for about a thousand of the 16.7 million colours (sums that are n + 0.5 give or take a
// few millionths).
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/instruction_sets.h"

namespace ombrisk::grey {

inline constexpr long double kRedWeight = 0.298912L;
inline constexpr long double kGreenWeight = 0.586611L;
inline constexpr long double kBlueWeight = 0.114478L;

inline constexpr int kFractionBits = 24;
inline constexpr long double kScale = 16777216.0L;  // 2^kFractionBits
inline constexpr std::uint32_t kRedFixed = static_cast<std::uint32_t>(kRedWeight * kScale + 0.5L);
inline constexpr std::uint32_t kGreenFixed = static_cast<std::uint32_t>(kGreenWeight * kScale + 0.5L);
inline constexpr std::uint32_t kBlueFixed = static_cast<std::uint32_t>(kBlueWeight * kScale + 0.5L);
inline constexpr std::uint32_t kHalf = std::uint32_t{1} << (kFractionBits - 1);
inline constexpr std::uint32_t kFractionMask = (std::uint32_t{1} << kFractionBits) - 1;
inline constexpr std::uint32_t kMargin = 512;
// 255 × (sum of the fixed weights) + a half stays below 2^32.
static_assert(255ULL * (kRedFixed + kGreenFixed + kBlueFixed) + kHalf < (1ULL << 32));

// The grey exactly as defined: the long double products added red, green, blue, rounded half to
// even. Out of line, so that it does not hinder the vectorisation of the row loops.
std::uint8_t ExactGrey(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Fixed-point sum, plus a half, so that its integer part is the rounded grey.
inline std::uint32_t FixedSum(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red * kRedFixed + green * kGreenFixed + blue * kBlueFixed + kHalf;
}

inline bool NearHalf(std::uint32_t sum) {
  return (sum & kFractionMask) - kMargin >= kFractionMask + 1 - 2 * kMargin;
}

inline std::uint8_t PixelGrey(const std::uint8_t* bgr) {
  const std::uint32_t sum = FixedSum(bgr[2], bgr[1], bgr[0]);
  return NearHalf(sum) ? ExactGrey(bgr[2], bgr[1], bgr[0]) : static_cast<std::uint8_t>(sum >> kFractionBits);
}

// Row kernels: width pixels of blue, green, red in, their grey three times a pixel out; out may be
// in itself.
void GreyRowPortable(const std::uint8_t* in, std::uint8_t* out, std::size_t width);
// Needs SSE4.1 (and x86-64): taken where GreyRowPaths() says so.
void GreyRowSse41(const std::uint8_t* in, std::uint8_t* out, std::size_t width);

// The paths the row kernels were built with.
TKernelPaths& GreyRowPaths();

}  // namespace ombrisk::grey
