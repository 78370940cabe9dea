// The grey row kernel with SSE4.1: sixteen pixels (48 bytes) a step. Byte shuffles gather each
// pixel's blue and green, and its red with a 1 beside it, into pairs of 16-bit lanes; pmaddwd then
// forms the fixed-point sum, the weights split into 12-bit halves because its factors are signed
// 16-bit numbers. The sums are bit for bit those of FixedSum, including the rounding half (the 1
// beside red meets the half's upper part).
#include "picture/grey_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ombrisk::grey {

#if defined(__x86_64__)

namespace {

constexpr int HighPart(std::uint32_t w) { return static_cast<int>(w >> 12); }
constexpr int LowPart(std::uint32_t w) { return static_cast<int>(w & 4095); }
static_assert(kHalf % 4096 == 0 && (kHalf >> 12) < 32768);

// The fixed-point sums of the four pixels in the low 12 bytes of window.
__attribute__((target("sse4.1"))) inline __m128i FourSums(__m128i window) {
  const __m128i blueGreen = _mm_shuffle_epi8(window, _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1));
  const __m128i redOne = _mm_or_si128(_mm_shuffle_epi8(window, _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1)),
                                      _mm_set1_epi32(0x00010000));
  const __m128i highBlueGreen = _mm_set1_epi32((HighPart(kGreenFixed) << 16) | HighPart(kBlueFixed));
  const __m128i lowBlueGreen = _mm_set1_epi32((LowPart(kGreenFixed) << 16) | LowPart(kBlueFixed));
  const __m128i highRedHalf = _mm_set1_epi32((static_cast<int>(kHalf >> 12) << 16) | HighPart(kRedFixed));
  const __m128i lowRed = _mm_set1_epi32(LowPart(kRedFixed));
  const __m128i high = _mm_add_epi32(_mm_madd_epi16(blueGreen, highBlueGreen), _mm_madd_epi16(redOne, highRedHalf));
  const __m128i low = _mm_add_epi32(_mm_madd_epi16(blueGreen, lowBlueGreen), _mm_madd_epi16(redOne, lowRed));
  return _mm_add_epi32(_mm_slli_epi32(high, 12), low);
}

// The fraction shifted by the margin: below 2 × kMargin exactly when the sum is near a half.
__attribute__((target("sse4.1"))) inline __m128i ShiftedFraction(__m128i sums) {
  return _mm_and_si128(_mm_add_epi32(sums, _mm_set1_epi32(kMargin)), _mm_set1_epi32(kFractionMask));
}

}  // namespace

__attribute__((target("sse4.1"))) void GreyRowSse41(const std::uint8_t* in, std::uint8_t* out, std::size_t width) {
  const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
  const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
  const __m128i spread2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
  for (; width >= 16; width -= 16, in += 48, out += 48) {
    // All 48 bytes are read before any is written, so out may be in.
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32));
    const __m128i s0 = FourSums(v0);
    const __m128i s1 = FourSums(_mm_alignr_epi8(v1, v0, 12));
    const __m128i s2 = FourSums(_mm_alignr_epi8(v2, v1, 8));
    const __m128i s3 = FourSums(_mm_srli_si128(v2, 4));
    const __m128i closest = _mm_min_epu32(_mm_min_epu32(ShiftedFraction(s0), ShiftedFraction(s1)),
                                          _mm_min_epu32(ShiftedFraction(s2), ShiftedFraction(s3)));
    const __m128i nearHalf = _mm_cmplt_epi32(closest, _mm_set1_epi32(2 * kMargin));
    __m128i greys = _mm_packus_epi16(
        _mm_packus_epi32(_mm_srli_epi32(s0, kFractionBits), _mm_srli_epi32(s1, kFractionBits)),
        _mm_packus_epi32(_mm_srli_epi32(s2, kFractionBits), _mm_srli_epi32(s3, kFractionBits)));
    if (_mm_testz_si128(nearHalf, nearHalf) == 0) {
      alignas(16) std::uint8_t exact[16];
      for (int i = 0; i < 16; ++i) exact[i] = PixelGrey(in + 3 * i);
      greys = _mm_load_si128(reinterpret_cast<const __m128i*>(exact));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(greys, spread0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_shuffle_epi8(greys, spread1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm_shuffle_epi8(greys, spread2));
  }
  GreyRowPortable(in, out, width);
}

#else

void GreyRowSse41(const std::uint8_t* in, std::uint8_t* out, std::size_t width) { GreyRowPortable(in, out, width); }

#endif

TKernelPaths& GreyRowPaths() {
  static TKernelPaths paths("grey row", {
#if defined(__x86_64__)
    TInstructionSet::Sse41,
#endif
  });
  return paths;
}

}  // namespace ombrisk::grey
