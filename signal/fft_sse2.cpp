// The stage kernels on two doubles per vector: SSE2 is part of every x86-64 processor.
#include <emmintrin.h>

#include "signal/fft_forward_kernel.h"
#include "signal/fft_inverse_kernel.h"

namespace ombrisk::fft_detail {
namespace {

struct TSse2Ops {
  using V = __m128d;
  static constexpr int kWidth = 2;
  static V Load(const double* p) { return _mm_loadu_pd(p); }
  static void Store(double* p, V v) { _mm_storeu_pd(p, v); }
  static V LoadReversed(const double* p) {
    const V v = _mm_loadu_pd(p);
    return _mm_shuffle_pd(v, v, 1);
  }
  static void StoreReversed(double* p, V v) { _mm_storeu_pd(p, _mm_shuffle_pd(v, v, 1)); }
  static V Set1(double x) { return _mm_set1_pd(x); }
  static void Transpose(V* r) {
    const V a = _mm_unpacklo_pd(r[0], r[1]);
    const V b = _mm_unpackhi_pd(r[0], r[1]);
    r[0] = a;
    r[1] = b;
  }
  static V KeepLane0(V computed, V original) { return _mm_move_sd(computed, original); }
};

}  // namespace

void ForwardSse2(const TFftTableView& t, double* data) { TForwardKernel<TSse2Ops>::Run(t, data); }
void InverseSse2(const TFftTableView& t, double* data) { TInverseKernel<TSse2Ops>::Run(t, data); }

}  // namespace ombrisk::fft_detail
