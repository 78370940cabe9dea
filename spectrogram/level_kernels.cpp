#include "spectrogram/level_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ombrisk {

namespace {

// Single precision: converting C and S, squaring, adding, the square root and the factor each
// err by half a unit in 2^24, together under 4 × 10^−7 relative, 10^−4 absolute below 256.
constexpr float kHair = 2.5e-4f;
// Keeps the conversion to 32-bit integers in range; anything this loud is level 255 anyway.
constexpr float kCeiling = 1e9f;

void ScalarBin(float c, float s, float factor, std::uint8_t& level, std::uint8_t& undecided) {
  const float m = std::min(std::sqrt(c * c + s * s) * factor, kCeiling);
  const float v = m + 0.5f;
  const int whole = static_cast<int>(v);
  const float fraction = v - static_cast<float>(whole);
  level = static_cast<std::uint8_t>(std::min(whole, 255));
  undecided = fraction < kHair || fraction > 1.0f - kHair ? 1 : 0;
}

#if defined(__SSE2__)
// Bins from..to − 1 (from ≥ 8, a multiple of 8 apart) in groups of four; the sine sums stand in
// reverse order at n − k downwards. Returns the OR of the flags.
bool VectorBinsSse2(const double* t, std::size_t n, std::size_t from, std::size_t to, float factor,
                    std::uint8_t* levels, std::uint8_t* undecided) {
  const __m128 vf = _mm_set1_ps(factor);
  const __m128 ceiling = _mm_set1_ps(kCeiling);
  const __m128 halfOne = _mm_set1_ps(0.5f);
  const __m128 hair = _mm_set1_ps(kHair);
  const __m128 nearOne = _mm_set1_ps(1.0f - kHair);
  const __m128i ones = _mm_set1_epi32(1);
  const auto four = [&](std::size_t at, __m128i& flags) {
    const __m128 c = _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(t + at)), _mm_cvtpd_ps(_mm_loadu_pd(t + at + 2)));
    // t[n − at − 3 … n − at] holds S(at + 3) … S(at); reverse the four.
    const __m128 sr =
        _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(t + n - at - 3)), _mm_cvtpd_ps(_mm_loadu_pd(t + n - at - 1)));
    const __m128 s = _mm_shuffle_ps(sr, sr, _MM_SHUFFLE(0, 1, 2, 3));
    const __m128 m = _mm_min_ps(_mm_mul_ps(_mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(c, c), _mm_mul_ps(s, s))), vf), ceiling);
    const __m128 v = _mm_add_ps(m, halfOne);
    const __m128i whole = _mm_cvttps_epi32(v);
    const __m128 fraction = _mm_sub_ps(v, _mm_cvtepi32_ps(whole));
    const __m128 near = _mm_or_ps(_mm_cmplt_ps(fraction, hair), _mm_cmpgt_ps(fraction, nearOne));
    flags = _mm_and_si128(_mm_castps_si128(near), ones);
    return whole;
  };
  __m128i anyFlags = _mm_setzero_si128();
  for (std::size_t k = from; k < to; k += 8) {
    __m128i lowFlags;
    __m128i highFlags;
    const __m128i low = four(k, lowFlags);
    const __m128i high = four(k + 4, highFlags);
    // Saturating packs: 32 to 16 bits, then 16 to unsigned 8 bits, which clamps at 255.
    const __m128i words = _mm_packs_epi32(low, high);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(levels + k), _mm_packus_epi16(words, words));
    const __m128i flagWords = _mm_packs_epi32(lowFlags, highFlags);
    const __m128i flagBytes = _mm_packus_epi16(flagWords, flagWords);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(undecided + k), flagBytes);
    anyFlags = _mm_or_si128(anyFlags, flagBytes);
  }
  return _mm_movemask_epi8(_mm_cmpeq_epi8(anyFlags, _mm_setzero_si128())) != 0xFFFF;
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define OMBRISK_LEVELS_AVX2 1
// The same in groups of eight. Every operation is correctly rounded in both instruction sets,
// so the levels and flags are the same bits; no fused multiply-add is enabled.
__attribute__((target("avx2"))) bool VectorBinsAvx2(const double* t, std::size_t n, std::size_t from,
                                                    std::size_t to, float factor, std::uint8_t* levels,
                                                    std::uint8_t* undecided) {
  const __m256 vf = _mm256_set1_ps(factor);
  const __m256 ceiling = _mm256_set1_ps(kCeiling);
  const __m256 halfOne = _mm256_set1_ps(0.5f);
  const __m256 hair = _mm256_set1_ps(kHair);
  const __m256 nearOne = _mm256_set1_ps(1.0f - kHair);
  const __m256i ones = _mm256_set1_epi32(1);
  const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  __m128i anyFlags = _mm_setzero_si128();
  for (std::size_t k = from; k < to; k += 8) {
    const __m256 c = _mm256_set_m128(_mm256_cvtpd_ps(_mm256_loadu_pd(t + k + 4)), _mm256_cvtpd_ps(_mm256_loadu_pd(t + k)));
    // t[n − k − 7 … n − k] holds S(k + 7) … S(k).
    const __m256 sr = _mm256_set_m128(_mm256_cvtpd_ps(_mm256_loadu_pd(t + n - k - 3)),
                                      _mm256_cvtpd_ps(_mm256_loadu_pd(t + n - k - 7)));
    const __m256 s = _mm256_permutevar8x32_ps(sr, reverse);
    const __m256 m =
        _mm256_min_ps(_mm256_mul_ps(_mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(c, c), _mm256_mul_ps(s, s))), vf), ceiling);
    const __m256 v = _mm256_add_ps(m, halfOne);
    const __m256i whole = _mm256_cvttps_epi32(v);
    const __m256 fraction = _mm256_sub_ps(v, _mm256_cvtepi32_ps(whole));
    const __m256 near = _mm256_or_ps(_mm256_cmp_ps(fraction, hair, _CMP_LT_OQ), _mm256_cmp_ps(fraction, nearOne, _CMP_GT_OQ));
    const __m256i flags = _mm256_and_si256(_mm256_castps_si256(near), ones);
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(whole), _mm256_extracti128_si256(whole, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(levels + k), _mm_packus_epi16(words, words));
    const __m128i flagWords = _mm_packs_epi32(_mm256_castsi256_si128(flags), _mm256_extracti128_si256(flags, 1));
    const __m128i flagBytes = _mm_packus_epi16(flagWords, flagWords);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(undecided + k), flagBytes);
    anyFlags = _mm_or_si128(anyFlags, flagBytes);
  }
  return _mm_movemask_epi8(_mm_cmpeq_epi8(anyFlags, _mm_setzero_si128())) != 0xFFFF;
}
#endif

}  // namespace

TKernelPaths& LinearLevelPaths() {
  static TKernelPaths paths("linear levels", {
#if defined(__SSE2__)
    TInstructionSet::Sse2,
#endif
#if defined(OMBRISK_LEVELS_AVX2)
    TInstructionSet::Avx2,
#endif
  });
  return paths;
}

bool LinearLevels(std::span<const double> transform, double factor, std::span<std::uint8_t> levels,
                  std::span<std::uint8_t> undecided) {
  [[maybe_unused]] const TInstructionSet path = LinearLevelPaths().Taken();
  const std::size_t n = transform.size();
  const std::size_t half = n / 2;
  const double* t = transform.data();
  const auto f = static_cast<float>(factor);
  bool any = false;
  // Bins 0 … 7 one by one, so that vectors start at bin 8 and the last one ends at bin half − 1
  // with every sine index n − k at half + 1 or above.
  std::size_t k = 0;
  for (; k < std::min<std::size_t>(8, half); ++k) {
    ScalarBin(static_cast<float>(t[k]), k == 0 ? 0.0f : static_cast<float>(t[n - k]), f, levels[k], undecided[k]);
    any = any || undecided[k] != 0;
  }
  const std::size_t vectorEnd = k + (half - k) / 8 * 8;
#if defined(OMBRISK_LEVELS_AVX2)
  if (path == TInstructionSet::Avx2) {
    any = VectorBinsAvx2(t, n, k, vectorEnd, f, levels.data(), undecided.data()) || any;
    k = vectorEnd;
  }
#endif
#if defined(__SSE2__)
  if (path != TInstructionSet::Portable) {
    any = VectorBinsSse2(t, n, k, vectorEnd, f, levels.data(), undecided.data()) || any;
    k = vectorEnd;
  }
#endif
  for (; k < half; ++k) {
    ScalarBin(static_cast<float>(t[k]), static_cast<float>(t[n - k]), f, levels[k], undecided[k]);
    any = any || undecided[k] != 0;
  }
  return any;
}

void ReverseFlipped(std::span<const std::uint8_t> levels, std::uint8_t* out, std::uint8_t flip) {
  const std::size_t count = levels.size();
  const std::uint64_t flips = 0x0101010101010101ull * flip;
  std::size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    std::uint64_t chunk = 0;
    std::memcpy(&chunk, levels.data() + k, 8);
    // Reversing eight bytes in memory is a byte swap of the word, whatever the host's byte order.
    chunk = __builtin_bswap64(chunk) ^ flips;
    std::memcpy(out + count - 8 - k, &chunk, 8);
  }
  for (; k < count; ++k) out[count - 1 - k] = static_cast<std::uint8_t>(levels[k] ^ flip);
}

}  // namespace ombrisk
