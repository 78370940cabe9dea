// The inverse transform (decimation in frequency) for one instruction set: halve the two real
// terms, run stages of block length b = n, n/2, … 2, then reorder.
//
// Memory order mirrors the forward kernel: stages from b = n down to 32 two at a time (b and
// b/2 on each block of b), chunk by chunk once blocks fit in kChunkDoubles, and the last four
// stages on W blocks of 16 side by side.
#pragma once

#include <cstdint>

#include "signal/fft_kernel_base.h"
#include "signal/fft_reorder_kernel.h"
#include "signal/fft_table_view.h"

namespace ombrisk::fft_detail {

template <class Ops>
struct TInverseKernel : TKernelBase<Ops> {
  using B = TKernelBase<Ops>;
  using V = typename B::V;
  static constexpr int W = B::W;

  // Stage b alone, block at s: quadruples (s + j, s + h − j, s + h + j, s + b − j), h = b/2.
  struct TSingle {
    double* d;
    std::int32_t s;
    std::int32_t h;
    const double* cosines;
    const double* sines;
    template <class M>
    struct TState {
      using Mem = M;
      typename M::T x1, x2, x3, x4, g, o;
    };
    template <class M>
    TState<M> Load(std::int32_t j) const {
      constexpr int r = M::kWidth - 1;
      double* p = d + s;
      return {M::Load(p + j),     M::LoadReversed(p + h - j - r), M::Load(p + h + j),
              M::LoadReversed(p + 2 * h - j - r), M::Load(cosines + j), M::Load(sines + j)};
    }
    template <class S>
    void Compute(S& x) const {
      B::InverseButterfly(x.x1, x.x2, x.x3, x.x4, x.g, x.o);
    }
    template <class M>
    void Store(std::int32_t j, const TState<M>& x) const {
      constexpr int r = M::kWidth - 1;
      double* p = d + s;
      M::Store(p + j, x.x1);
      M::StoreReversed(p + h - j - r, x.x2);
      M::Store(p + h + j, x.x3);
      M::StoreReversed(p + 2 * h - j - r, x.x4);
    }
  };

  // Stages b and b/2, block at s, h = b/2, q = b/4. Offsets j and q − j of stage b and offset j
  // of stage b/2 in both halves touch the same eight elements and nothing else.
  struct TPair {
    double* d;
    std::int32_t s;
    std::int32_t h;
    std::int32_t q;
    const double* cosines;      // stage b
    const double* sines;
    const double* halfCosines;  // stage b/2
    const double* halfSines;
    template <class M>
    struct TState {
      using Mem = M;
      typename M::T x1, x2, x3, x4, y1, y2, y3, y4;
      typename M::T g, o, gq, oq, gh, oh;
    };
    template <class M>
    TState<M> Load(std::int32_t j) const {
      constexpr int r = M::kWidth - 1;
      double* p = d + s;
      return {M::Load(p + j),
              M::LoadReversed(p + h - j - r),
              M::Load(p + h + j),
              M::LoadReversed(p + 2 * h - j - r),
              M::LoadReversed(p + q - j - r),
              M::Load(p + q + j),
              M::LoadReversed(p + h + q - j - r),
              M::Load(p + h + q + j),
              M::Load(cosines + j),
              M::Load(sines + j),
              M::LoadReversed(cosines + q - j - r),
              M::LoadReversed(sines + q - j - r),
              M::Load(halfCosines + j),
              M::Load(halfSines + j)};
    }
    template <class S>
    void Compute(S& x) const {
      B::InverseButterfly(x.x1, x.x2, x.x3, x.x4, x.g, x.o);    // stage b, offset j
      B::InverseButterfly(x.y1, x.y2, x.y3, x.y4, x.gq, x.oq);  // stage b, offset q − j
      B::InverseButterfly(x.x1, x.y1, x.y2, x.x2, x.gh, x.oh);  // stage b/2, first half
      B::InverseButterfly(x.x3, x.y3, x.y4, x.x4, x.gh, x.oh);  // stage b/2, second half
    }
    template <class M>
    void Store(std::int32_t j, const TState<M>& x) const {
      constexpr int r = M::kWidth - 1;
      double* p = d + s;
      M::Store(p + j, x.x1);
      M::StoreReversed(p + h - j - r, x.x2);
      M::Store(p + h + j, x.x3);
      M::StoreReversed(p + 2 * h - j - r, x.x4);
      M::StoreReversed(p + q - j - r, x.y1);
      M::Store(p + q + j, x.y2);
      M::StoreReversed(p + h + q - j - r, x.y3);
      M::Store(p + h + q + j, x.y4);
    }
  };

  static const double* Cosines(const TFftTableView& t, int k) { return t.invCos + t.invOffset[k]; }
  static const double* Sines(const TFftTableView& t, int k) { return t.invSin + t.invOffset[k]; }

  // Block length b = 2^k at s.
  static void SingleBlock(const TFftTableView& t, double* d, std::int32_t s, int k) {
    const std::int32_t h = std::int32_t{1} << (k - 1);
    const std::int32_t q = h >> 1;
    B::SumDifference(d[s], d[s + h]);
    B::OverOffsets(TSingle{d, s, h, Cosines(t, k), Sines(t, k)}, q - 1);
  }

  // Stages 2^k and 2^(k−1) on the block at s; k ≥ 4.
  static void PairBlock(const TFftTableView& t, double* d, std::int32_t s, int k) {
    const std::int32_t h = std::int32_t{1} << (k - 1);
    const std::int32_t q = h >> 1;
    const std::int32_t r = q >> 1;
    double* p = d + s;
    const double* cosines = Cosines(t, k);
    const double* sines = Sines(t, k);
    // s, s + q, s + h, s + h + q: the sums and differences of both stages.
    B::SumDifference(p[0], p[h]);
    B::SumDifference(p[0], p[q]);
    B::SumDifference(p[h], p[h + q]);
    // Stage b at offset q/2, whose elements stage b/2 leaves alone.
    B::InverseButterfly(p[r], p[h - r], p[h + r], p[2 * h - r], cosines[r], sines[r]);
    B::OverOffsets(TPair{d, s, h, q, cosines, sines, Cosines(t, k - 1), Sines(t, k - 1)}, r - 1);
  }

  static void SingleStage(const TFftTableView& t, double* d, int k, std::int32_t from, std::int32_t to) {
    for (std::int32_t s = from; s < to; s += std::int32_t{1} << k) SingleBlock(t, d, s, k);
  }

  static void PairStage(const TFftTableView& t, double* d, int k, std::int32_t from, std::int32_t to) {
    for (std::int32_t s = from; s < to; s += std::int32_t{1} << k) PairBlock(t, d, s, k);
  }

  // Stages b = 16, 8, 4, 2 on W 16-element blocks side by side.
  static void Sixteens(const TFftTableView& t, double* d, std::int32_t first) {
    V x[16];
    double* base = d + 16 * first;
    B::LoadSixteens(base, x);
    B::SumDifference(x[0], x[8]);
    const double* c16 = Cosines(t, 4);
    const double* s16 = Sines(t, 4);
    B::InverseButterfly(x[1], x[7], x[9], x[15], Ops::Set1(c16[1]), Ops::Set1(s16[1]));
    B::InverseButterfly(x[2], x[6], x[10], x[14], Ops::Set1(c16[2]), Ops::Set1(s16[2]));
    B::InverseButterfly(x[3], x[5], x[11], x[13], Ops::Set1(c16[3]), Ops::Set1(s16[3]));
    const V g8 = Ops::Set1(Cosines(t, 3)[1]);
    const V o8 = Ops::Set1(Sines(t, 3)[1]);
    for (int p = 0; p < 16; p += 8) {
      B::SumDifference(x[p], x[p + 4]);
      B::InverseButterfly(x[p + 1], x[p + 3], x[p + 5], x[p + 7], g8, o8);
    }
    for (int p = 0; p < 16; p += 4) B::SumDifference(x[p], x[p + 2]);
    for (int p = 0; p < 16; p += 2) B::SumDifference(x[p], x[p + 1]);
    B::StoreSixteens(base, x);
  }

  static void Run(const TFftTableView& t, double* d) {
    const std::int32_t n = t.n;
    d[0] = d[0] / 2;
    d[n >> 1] = d[n >> 1] / 2;
    const int levels = B::Log2(n);
    if (n < 64) {
      for (int k = levels; k >= 1; --k) SingleStage(t, d, k, 0, n);
    } else {
      const std::int32_t chunk = n < kChunkDoubles ? n : kChunkDoubles;
      // Stages from b = n down to 32 in pairs; an odd one out (b = 32) comes last, alone.
      int k = levels;
      for (; k >= 6 && (std::int32_t{1} << k) > chunk; k -= 2) PairStage(t, d, k, 0, n);
      for (std::int32_t c = 0; c < n; c += chunk) {
        int kk = k;
        for (; kk >= 6; kk -= 2) PairStage(t, d, kk, c, c + chunk);
        if (kk == 5) SingleStage(t, d, 5, c, c + chunk);
        for (std::int32_t first = c / 16; first < (c + chunk) / 16; first += W) Sixteens(t, d, first);
      }
    }
    TReorderKernel<Ops>::Run(t, d);
  }
};

}  // namespace ombrisk::fft_detail
