// The stage kernels on four doubles per vector. This file alone is built with -mavx2 (no -mfma:
// a fused multiply-add would change the bits) and is called only after the processor has been
// seen to support AVX2. It includes nothing but intrinsics and the template header, so no
// inline function of common code is ever emitted here with AVX2 instructions.
#include <immintrin.h>

#include "signal/fft_forward_kernel.h"
#include "signal/fft_inverse_kernel.h"

namespace ombrisk::fft_detail {
namespace {

struct TAvx2Ops {
  using V = __m256d;
  static constexpr int kWidth = 4;
  static V Load(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(double* p, V v) { _mm256_storeu_pd(p, v); }
  static V LoadReversed(const double* p) { return _mm256_permute4x64_pd(_mm256_loadu_pd(p), 0x1B); }
  static void StoreReversed(double* p, V v) { _mm256_storeu_pd(p, _mm256_permute4x64_pd(v, 0x1B)); }
  static V Set1(double x) { return _mm256_set1_pd(x); }
  static void Transpose(V* r) {
    const V t0 = _mm256_unpacklo_pd(r[0], r[1]);
    const V t1 = _mm256_unpackhi_pd(r[0], r[1]);
    const V t2 = _mm256_unpacklo_pd(r[2], r[3]);
    const V t3 = _mm256_unpackhi_pd(r[2], r[3]);
    r[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
    r[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
    r[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
    r[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
  }
  static V KeepLane0(V computed, V original) { return _mm256_blend_pd(computed, original, 0x1); }
};

}  // namespace

void ForwardAvx2(const TFftTableView& t, double* data) { TForwardKernel<TAvx2Ops>::Run(t, data); }
void InverseAvx2(const TFftTableView& t, double* data) { TInverseKernel<TAvx2Ops>::Run(t, data); }

}  // namespace ombrisk::fft_detail
