#include "synthesis/synthesis_run.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "signal/wave_fft.h"
#include "signal/wave_header.h"
#include "synthesis/column_pipeline.h"
#include "synthesis/column_reader.h"
#include "synthesis/column_spectrum.h"
#include "synthesis/pixel_bitmap.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"
#include "toolkit/safe_file_stream.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

std::int32_t SamplesPerColumn(int height) {
  if (height <= 0) return 0;
  // log2 of a power of two is exact in extended precision, so H = 2^k gives exactly 2^(k+1).
  const long double power = std::exp2(std::ceil(std::log2(static_cast<long double>(height))));
  const long long n = std::llrint(power * 2.0L);
  if (n > std::numeric_limits<std::int32_t>::max()) {
    throw EOutOfResources(FormatMessage(kSBitmapTooLarge, {"?", std::to_string(height)}));
  }
  return static_cast<std::int32_t>(n);
}

std::uint32_t WaveDataBytes(int width, int height, std::int32_t n) {
  const std::uint64_t columns = static_cast<std::uint64_t>(std::max(width, 0));
  const std::uint64_t bytes = CheckedMultiply(CheckedMultiply(columns, static_cast<std::uint64_t>(n)), 2);
  if (bytes > kMaxWaveDataBytes) {
    throw EOutOfResources(FormatMessage(kSWaveTooLarge, {std::to_string(width), std::to_string(height),
                                                         std::to_string(bytes), std::to_string(kMaxWaveDataBytes)}));
  }
  return static_cast<std::uint32_t>(bytes);
}

void ApplyBinPhase(std::span<double> spectrum, std::int32_t n) {
  const std::size_t half = static_cast<std::size_t>(n >> 1);
  const std::size_t size = static_cast<std::size_t>(n);
  // Every bin turns by the same angle, so one cosine and one sine serve the whole buffer; the
  // reversal of the upper half is done in place rather than through a scratch copy.
  const long double angle = kBinPhaseAngle;
  const long double cosine = std::cos(angle);
  const long double sine = std::sin(angle);
  for (std::size_t i = 0; i < half; ++i) spectrum[i] = static_cast<double>(spectrum[i] * cosine);
  for (std::size_t i = half; i < size; ++i) spectrum[i] = static_cast<double>(spectrum[i] * sine);
  std::reverse(spectrum.begin() + static_cast<std::ptrdiff_t>(half), spectrum.begin() + static_cast<std::ptrdiff_t>(size));
}

std::int16_t ClampSample(double x) {
  if (x > 32767.0) return 32767;
  if (x >= -32768.0) return static_cast<std::int16_t>(x);
  return -32768;  // also where x is not a number, rather than an undefined conversion
}

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

bool HasWideRegisters() {
  static const bool has = __builtin_cpu_supports("avx");
  return has;
}
#endif

}  // namespace

void ScaleSamples(std::span<const double> output, std::span<std::int16_t> samples) {
  const std::size_t count = std::min(output.size(), samples.size());
  const double* const in = output.data();
  std::int16_t* const out = samples.data();
  std::size_t t = 0;
#if defined(__x86_64__)
  if (HasWideRegisters()) t = ScaleSamplesWide(in, out, count);
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
  for (; t + 4 <= count; t += 4) {
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

void RunSynthesis(const TBitmap& picture, const TSynthesisSettings& settings, const std::string& outputPath,
                  TProgressSink& progress) {
  // Opening comes first: a path that cannot be created is the error the user sees, whatever else
  // is wrong. The samples go to a temporary file beside the target that replaces it only when
  // complete, so a failed run leaves the user's old file as it was; everything below is released
  // by destructors on every way out.
  TSafeFileStream file(outputPath);
  TPixelBitmap working;

  const int height = picture.Height();
  const int width = picture.Width();
  const bool hasPixels = width > 0 && height > 0;
  const std::int32_t n = hasPixels ? SamplesPerColumn(height) : 0;
  const std::uint32_t dataBytes = WaveDataBytes(width, height, n);
  const TSynthesisSettings chosen = settings;

  WriteWaveHeader(file, dataBytes);

  progress.SetMax(hasPixels ? width - 1 : 0);
  if (hasPixels) {
    // The display picture is held at 24 bits and is read in place; other depths are first copied
    // to 32 bits. The reader applies the flips and the quarter turn as it reads (column_reader.h),
    // so the picture itself is never changed.
    const TBitmap* source = &picture;
    if (!TColumnReader::CanRead(picture)) {
      working.Assign(picture);
      source = &working;
    }
    TColumnReader reader(*source, chosen.MirrorX, chosen.MirrorY);
    const TColumnSpectrum column(height, n, chosen);
    SynthesizeColumns(reader, column, n, width, file, progress);
  }
  progress.SetPosition(0);
  file.Commit();
}

}  // namespace ombrisk
