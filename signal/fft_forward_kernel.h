// The forward transform (decimation in time) for one instruction set: reorder, then stages of
// half-length h = 1, 2, 4, … up to n/2.
//
// Memory order: the first four stages run on W blocks of 16 side by side, one block per lane;
// the later ones two at a time (stages h and 2h on each block of 4h, so every element is loaded
// and stored once for both), and all stages whose blocks fit in kChunkDoubles chunk by chunk.
#pragma once

#include <cstdint>

#include "signal/fft_kernel_base.h"
#include "signal/fft_reorder_kernel.h"
#include "signal/fft_table_view.h"

namespace ombrisk::fft_detail {

template <class Ops>
struct TForwardKernel : TKernelBase<Ops> {
  using B = TKernelBase<Ops>;
  using V = typename B::V;
  static constexpr int W = B::W;

  // Stage h alone, block at s: quadruples (s + m, s + h + m, s + h − m, s + 2h − m).
  struct TSingle {
    double* d;
    std::int32_t s;
    std::int32_t h;
    double g;
    double o;
    template <class M>
    struct TState {
      using Mem = M;
      typename M::T x1, x2, x3, x4;
    };
    template <class M>
    TState<M> Load(std::int32_t m) const {
      constexpr int r = M::kWidth - 1;
      return {M::Load(d + s + m), M::Load(d + s + h + m), M::LoadReversed(d + s + h - m - r),
              M::LoadReversed(d + s + 2 * h - m - r)};
    }
    template <class S>
    void Compute(S& x) const {
      using M = typename S::Mem;
      B::ForwardButterfly(x.x1, x.x2, x.x3, x.x4, M::Set1(g), M::Set1(o));
    }
    template <class M>
    void Store(std::int32_t m, const TState<M>& x) const {
      constexpr int r = M::kWidth - 1;
      M::Store(d + s + m, x.x1);
      M::Store(d + s + h + m, x.x2);
      M::StoreReversed(d + s + h - m - r, x.x3);
      M::StoreReversed(d + s + 2 * h - m - r, x.x4);
    }
  };

  // Stages h and 2h, block of 4h at s. Offset m of stage h in both halves and offsets m and
  // h − m of stage 2h touch the same eight elements and nothing else.
  struct TPair {
    double* d;
    std::int32_t s;
    std::int32_t h;
    double g0, o0;  // stage h, first half
    double g1, o1;  // stage h, second half
    double g, o;    // stage 2h
    template <class M>
    struct TState {
      using Mem = M;
      typename M::T a1, a2, a3, a4, b1, b2, b3, b4;
    };
    template <class M>
    TState<M> Load(std::int32_t m) const {
      constexpr int r = M::kWidth - 1;
      double* p = d + s;
      return {M::Load(p + m),          M::Load(p + h + m),          M::LoadReversed(p + h - m - r),
              M::LoadReversed(p + 2 * h - m - r), M::Load(p + 2 * h + m), M::Load(p + 3 * h + m),
              M::LoadReversed(p + 3 * h - m - r), M::LoadReversed(p + 4 * h - m - r)};
    }
    template <class S>
    void Compute(S& x) const {
      using M = typename S::Mem;
      B::ForwardButterfly(x.a1, x.a2, x.a3, x.a4, M::Set1(g0), M::Set1(o0));
      B::ForwardButterfly(x.b1, x.b2, x.b3, x.b4, M::Set1(g1), M::Set1(o1));
      B::ForwardButterfly(x.a1, x.b1, x.a4, x.b4, M::Set1(g), M::Set1(o));  // offset m
      B::ForwardButterfly(x.a3, x.b3, x.a2, x.b2, M::Set1(g), M::Set1(o));  // offset h − m
    }
    template <class M>
    void Store(std::int32_t m, const TState<M>& x) const {
      constexpr int r = M::kWidth - 1;
      double* p = d + s;
      M::Store(p + m, x.a1);
      M::Store(p + h + m, x.a2);
      M::StoreReversed(p + h - m - r, x.a3);
      M::StoreReversed(p + 2 * h - m - r, x.a4);
      M::Store(p + 2 * h + m, x.b1);
      M::Store(p + 3 * h + m, x.b2);
      M::StoreReversed(p + 3 * h - m - r, x.b3);
      M::StoreReversed(p + 4 * h - m - r, x.b4);
    }
  };

  static void SingleBlock(const TFftTableView& t, double* d, std::int32_t s, std::int32_t h, std::int32_t beta) {
    B::SumDifference(d[s], d[s + h]);
    if (h == 1) return;
    const std::int32_t q = h >> 1;
    if (beta != 0) B::ForwardTurn(d[s + q], d[s + q + h], t.c3[beta], t.s3[beta]);
    if (h == 2) return;
    B::OverOffsets(TSingle{d, s, h, t.c5[beta], t.s5[beta]}, q - 1);
  }

  // h ≥ 4; beta is the block number in stage 2h, so the halves are 2·beta and 2·beta + 1 of h.
  static void PairBlock(const TFftTableView& t, double* d, std::int32_t s, std::int32_t h, std::int32_t beta) {
    const std::int32_t q = h >> 1;
    const std::int32_t b0 = 2 * beta;
    const std::int32_t b1 = b0 + 1;
    double* p = d + s;
    // s, s + h, s + 2h, s + 3h: the sums and differences of both stages and the turn of 2h.
    B::SumDifference(p[0], p[h]);
    B::SumDifference(p[2 * h], p[3 * h]);
    B::SumDifference(p[0], p[2 * h]);
    if (beta != 0) B::ForwardTurn(p[h], p[3 * h], t.c3[beta], t.s3[beta]);
    // The turns of stage h, then stage 2h's quadruple at offset q.
    if (b0 != 0) B::ForwardTurn(p[q], p[h + q], t.c3[b0], t.s3[b0]);
    B::ForwardTurn(p[2 * h + q], p[3 * h + q], t.c3[b1], t.s3[b1]);
    B::ForwardButterfly(p[q], p[2 * h + q], p[h + q], p[3 * h + q], t.c5[beta], t.s5[beta]);
    B::OverOffsets(TPair{d, s, h, t.c5[b0], t.s5[b0], t.c5[b1], t.s5[b1], t.c5[beta], t.s5[beta]}, q - 1);
  }

  static void SingleStage(const TFftTableView& t, double* d, std::int32_t h, std::int32_t from, std::int32_t to) {
    std::int32_t beta = from / (2 * h);
    for (std::int32_t s = from; s < to; s += 2 * h, ++beta) SingleBlock(t, d, s, h, beta);
  }

  static void PairStage(const TFftTableView& t, double* d, std::int32_t h, std::int32_t from, std::int32_t to) {
    std::int32_t beta = from / (4 * h);
    for (std::int32_t s = from; s < to; s += 4 * h, ++beta) PairBlock(t, d, s, h, beta);
  }

  // Stages h = 1, 2, 4, 8 on the W 16-element blocks first … first + W − 1 (first a multiple of
  // W), one block per lane. Block number 0 skips the turn: KeepLane0 undoes it in that lane.
  static void Sixteens(const TFftTableView& t, double* d, std::int32_t first) {
    V x[16];
    double* base = d + 16 * first;
    B::LoadSixteens(base, x);
    for (int p = 0; p < 16; p += 2) B::SumDifference(x[p], x[p + 1]);

    const std::int32_t q2 = (first / 4) * 16 + first % 4;
    for (int r = 0; r < 4; ++r) {
      const int p = 4 * r;
      B::SumDifference(x[p], x[p + 2]);
      const V u = x[p + 1];
      const V w = x[p + 3];
      B::ForwardTurn(x[p + 1], x[p + 3], Ops::Load(t.q2c3 + q2 + 4 * r), Ops::Load(t.q2s3 + q2 + 4 * r));
      if (first == 0 && r == 0) {
        x[p + 1] = Ops::KeepLane0(x[p + 1], u);
        x[p + 3] = Ops::KeepLane0(x[p + 3], w);
      }
    }

    const std::int32_t q4 = (first / 4) * 8 + first % 4;
    for (int r = 0; r < 2; ++r) {
      const int p = 8 * r;
      B::SumDifference(x[p], x[p + 4]);
      const V u = x[p + 2];
      const V w = x[p + 6];
      B::ForwardTurn(x[p + 2], x[p + 6], Ops::Load(t.q4c3 + q4 + 4 * r), Ops::Load(t.q4s3 + q4 + 4 * r));
      if (first == 0 && r == 0) {
        x[p + 2] = Ops::KeepLane0(x[p + 2], u);
        x[p + 6] = Ops::KeepLane0(x[p + 6], w);
      }
      B::ForwardButterfly(x[p + 1], x[p + 5], x[p + 3], x[p + 7], Ops::Load(t.q4c5 + q4 + 4 * r),
                          Ops::Load(t.q4s5 + q4 + 4 * r));
    }

    B::SumDifference(x[0], x[8]);
    {
      const V u = x[4];
      const V w = x[12];
      B::ForwardTurn(x[4], x[12], Ops::Load(t.c3 + first), Ops::Load(t.s3 + first));
      if (first == 0) {
        x[4] = Ops::KeepLane0(x[4], u);
        x[12] = Ops::KeepLane0(x[12], w);
      }
    }
    const V g = Ops::Load(t.c5 + first);
    const V o = Ops::Load(t.s5 + first);
    B::ForwardButterfly(x[1], x[9], x[7], x[15], g, o);
    B::ForwardButterfly(x[2], x[10], x[6], x[14], g, o);
    B::ForwardButterfly(x[3], x[11], x[5], x[13], g, o);
    B::StoreSixteens(base, x);
  }

  static void Run(const TFftTableView& t, double* d) {
    TReorderKernel<Ops>::Run(t, d);
    const std::int32_t n = t.n;
    if (n < 64) {
      for (std::int32_t h = 1; 2 * h <= n; h <<= 1) SingleStage(t, d, h, 0, n);
      return;
    }
    const std::int32_t chunk = n < kChunkDoubles ? n : kChunkDoubles;
    // Stages from h = 16 on, in pairs; an odd one out goes first, alone.
    const bool odd = (B::Log2(n) - 4) % 2 != 0;
    std::int32_t h = odd ? 32 : 16;
    while (4 * h <= chunk) h <<= 2;
    for (std::int32_t c = 0; c < n; c += chunk) {
      for (std::int32_t first = c / 16; first < (c + chunk) / 16; first += W) Sixteens(t, d, first);
      if (odd) SingleStage(t, d, 16, c, c + chunk);
      for (std::int32_t hh = odd ? 32 : 16; hh < h; hh <<= 2) PairStage(t, d, hh, c, c + chunk);
    }
    for (; 4 * h <= n; h <<= 2) PairStage(t, d, h, 0, n);
  }
};

}  // namespace ombrisk::fft_detail
