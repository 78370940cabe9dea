// ScaleSamples: the transform output as 16-bit samples, worked as wide as the processor allows.
#include <algorithm>
#include <cmath>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
// GCC 12 takes the wide intrinsics' deliberately undefined start values for uninitialised ones.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

#include "synthesis/synthesis_steps.h"
#include "toolkit/instruction_sets.h"

namespace ombrisk {

namespace {

// Round(5x) of the exact product, as extended precision gives it, without leaving double: 4x is
// exact, and 4x + x is split into its rounded sum and the rounding error. The rounded sum rounds
// to the same whole number as the exact value except when it is itself a half; then the error
// decides the side. Values at or beyond the 16-bit range saturate whatever the error.
std::int16_t ScaleSample(double x) {
  const double quadruple = x * 4.0;
  const double sum = quadruple + x;
  if (sum >= 32767.0) return 32767;
  if (!(sum > -32768.0)) return -32768;  // also where x is not a number
  const double addend = sum - quadruple;
  const double error = (quadruple - (sum - addend)) + (x - addend);
  double rounded = std::nearbyint(sum);
  const double offset = rounded - sum;
  if ((offset == 0.5 || offset == -0.5) && error != 0.0) rounded = sum + (error > 0.0 ? 0.5 : -0.5);
  return ClampSample(rounded);
}

#if defined(__x86_64__)
// The same as the four-at-a-time loop below, eight at a time with the wide registers; returns how
// many samples it made. Only called after the processor was asked whether it has them.
__attribute__((target("avx"))) std::size_t ScaleSamplesWide(const double* in, std::int16_t* out, std::size_t count) {
  const __m256d four = _mm256_set1_pd(4.0);
  const __m256d lowest = _mm256_set1_pd(-32768.0);
  const __m256d highest = _mm256_set1_pd(32767.0);
  const __m256d half = _mm256_set1_pd(0.5);
  const __m256d signMask = _mm256_set1_pd(-0.0);
  std::size_t t = 0;
  for (; t + 8 <= count; t += 8) {
    const __m256d x0 = _mm256_loadu_pd(in + t);
    const __m256d x1 = _mm256_loadu_pd(in + t + 4);
    const __m256d c0 = _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(_mm256_mul_pd(x0, four), x0), lowest), highest);
    const __m256d c1 = _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(_mm256_mul_pd(x1, four), x1), lowest), highest);
    const __m128i n0 = _mm256_cvtpd_epi32(c0);
    const __m128i n1 = _mm256_cvtpd_epi32(c1);
    const __m256d o0 = _mm256_andnot_pd(signMask, _mm256_sub_pd(_mm256_cvtepi32_pd(n0), c0));
    const __m256d o1 = _mm256_andnot_pd(signMask, _mm256_sub_pd(_mm256_cvtepi32_pd(n1), c1));
    const __m256d ties = _mm256_or_pd(_mm256_cmp_pd(o0, half, _CMP_EQ_OQ), _mm256_cmp_pd(o1, half, _CMP_EQ_OQ));
    if (_mm256_movemask_pd(ties) != 0) {
      for (std::size_t i = t; i < t + 8; ++i) out[i] = ScaleSample(in[i]);
      continue;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t), _mm_packs_epi32(n0, n1));
  }
  return t;
}

// Sixteen at a time with the widest registers. 5x is one product here: 4x is exact, so 4x + x and
// x × 5 round to the same double.
__attribute__((target("avx512f"))) std::size_t ScaleSamplesWidest(const double* in, std::int16_t* out,
                                                                 std::size_t count) {
  const __m512d five = _mm512_set1_pd(5.0);
  const __m512d lowest = _mm512_set1_pd(-32768.0);
  const __m512d highest = _mm512_set1_pd(32767.0);
  const __m512d half = _mm512_set1_pd(0.5);
  std::size_t t = 0;
  for (; t + 16 <= count; t += 16) {
    const __m512d c0 = _mm512_min_pd(_mm512_max_pd(_mm512_mul_pd(_mm512_loadu_pd(in + t), five), lowest), highest);
    const __m512d c1 = _mm512_min_pd(_mm512_max_pd(_mm512_mul_pd(_mm512_loadu_pd(in + t + 8), five), lowest), highest);
    const __m256i n0 = _mm512_cvtpd_epi32(c0);
    const __m256i n1 = _mm512_cvtpd_epi32(c1);
    const __m512d o0 = _mm512_abs_pd(_mm512_sub_pd(_mm512_cvtepi32_pd(n0), c0));
    const __m512d o1 = _mm512_abs_pd(_mm512_sub_pd(_mm512_cvtepi32_pd(n1), c1));
    if ((_mm512_cmp_pd_mask(o0, half, _CMP_EQ_OQ) | _mm512_cmp_pd_mask(o1, half, _CMP_EQ_OQ)) != 0) {
      for (std::size_t i = t; i < t + 16; ++i) out[i] = ScaleSample(in[i]);
      continue;
    }
    const __m512i joined = _mm512_inserti64x4(_mm512_castsi256_si512(n0), n1, 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + t), _mm512_cvtsepi32_epi16(joined));
  }
  return t;
}
#endif

}  // namespace

TKernelPaths& SampleRoundingPaths() {
  static TKernelPaths paths("sample rounding", {
#if defined(__SSE2__)
    TInstructionSet::Sse2,
#endif
#if defined(__x86_64__)
    TInstructionSet::Avx, TInstructionSet::Avx512,
#endif
  });
  return paths;
}

void ScaleSamples(std::span<const double> output, std::span<std::int16_t> samples) {
  const std::size_t count = std::min(output.size(), samples.size());
  const double* const in = output.data();
  std::int16_t* const out = samples.data();
  std::size_t t = 0;
  [[maybe_unused]] const TInstructionSet path = SampleRoundingPaths().Taken();
#if defined(__x86_64__)
  if (path == TInstructionSet::Avx512) {
    t = ScaleSamplesWidest(in, out, count);
  } else if (path == TInstructionSet::Avx) {
    t = ScaleSamplesWide(in, out, count);
  }
#endif
#if defined(__SSE2__)
  // Four samples at a time: the converting instruction rounds half to even in the default mode and
  // the pack saturates. Only a lane whose rounded sum is exactly a half needs the error term, which
  // is rare, so such groups go through the scalar routine.
  const __m128d four = _mm_set1_pd(4.0);
  const __m128d lowest = _mm_set1_pd(-32768.0);
  const __m128d highest = _mm_set1_pd(32767.0);
  const __m128d half = _mm_set1_pd(0.5);
  const __m128d signMask = _mm_set1_pd(-0.0);
  for (; path != TInstructionSet::Portable && t + 4 <= count; t += 4) {
    const __m128d x0 = _mm_loadu_pd(in + t);
    const __m128d x1 = _mm_loadu_pd(in + t + 2);
    // max takes its second operand when the first is not a number.
    const __m128d c0 = _mm_min_pd(_mm_max_pd(_mm_add_pd(_mm_mul_pd(x0, four), x0), lowest), highest);
    const __m128d c1 = _mm_min_pd(_mm_max_pd(_mm_add_pd(_mm_mul_pd(x1, four), x1), lowest), highest);
    const __m128i n0 = _mm_cvtpd_epi32(c0);
    const __m128i n1 = _mm_cvtpd_epi32(c1);
    const __m128d o0 = _mm_andnot_pd(signMask, _mm_sub_pd(_mm_cvtepi32_pd(n0), c0));
    const __m128d o1 = _mm_andnot_pd(signMask, _mm_sub_pd(_mm_cvtepi32_pd(n1), c1));
    if (_mm_movemask_pd(_mm_or_pd(_mm_cmpeq_pd(o0, half), _mm_cmpeq_pd(o1, half))) != 0) {
      for (std::size_t i = t; i < t + 4; ++i) out[i] = ScaleSample(in[i]);
      continue;
    }
    // Each conversion fills the low two lanes; join them and narrow the four to 16 bits.
    const __m128i joined = _mm_unpacklo_epi64(n0, n1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + t), _mm_packs_epi32(joined, joined));
  }
#endif
  for (; t < count; ++t) out[t] = ScaleSample(in[t]);
}

}  // namespace ombrisk
