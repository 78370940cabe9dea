// What the forward and inverse kernels share: the butterflies of the algorithm, one memory
// adaptor for single doubles and one for vectors, and the walk over a block's offsets.
//
// Ops supplies V (double, __m128d or __m256d: +, − and × work lane by lane on each), kWidth,
// Load/Store, LoadReversed/StoreReversed (lane l holds p[kWidth − 1 − l]), Set1, Transpose (a
// kWidth × kWidth tile in place) and KeepLane0 (the computed vector with lane 0 taken from the
// original).
//
// Bit-identity with the plain algorithm rests on two facts. Within a stage the butterflies of
// different blocks, and of different offsets inside a block, touch disjoint elements, so any
// order of them gives the same values; and a later stage only reads what earlier stages wrote
// into its own block. And every element still sees the same operations on the same operands in
// the same order: each lane of a vector does exactly what the scalar code does, nothing is
// reassociated and nothing is fused (the library is built with -ffp-contract=off).
//
// Only class templates over Ops live in these headers: each instantiation takes an Ops type with
// internal linkage and so stays private to its translation unit and its instruction set.
#pragma once

#include <cstdint>

#include "signal/fft_table_view.h"

namespace ombrisk::fft_detail {

// 2048 doubles are 16 KiB: a chunk and the twiddles it reads stay in a 32 KiB L1 data cache.
inline constexpr std::int32_t kChunkDoubles = 2048;

template <class Ops>
struct TKernelBase {
  using V = typename Ops::V;
  static constexpr int W = Ops::kWidth;

  struct TScalarMem {
    using T = double;
    static constexpr int kWidth = 1;
    static T Load(const double* p) { return *p; }
    static T LoadReversed(const double* p) { return *p; }
    static void Store(double* p, T v) { *p = v; }
    static void StoreReversed(double* p, T v) { *p = v; }
    static T Set1(double x) { return x; }
  };
  struct TVectorMem {
    using T = V;
    static constexpr int kWidth = W;
    static T Load(const double* p) { return Ops::Load(p); }
    static T LoadReversed(const double* p) { return Ops::LoadReversed(p); }
    static void Store(double* p, T v) { Ops::Store(p, v); }
    static void StoreReversed(double* p, T v) { Ops::StoreReversed(p, v); }
    static T Set1(double x) { return Ops::Set1(x); }
  };

  template <class T>
  static void SumDifference(T& x, T& y) {
    const T a = x;
    const T b = y;
    x = a + b;
    y = a - b;
  }

  // Forward sub-step 3: the pair (u, w) turned by the block's half angle.
  template <class T>
  static void ForwardTurn(T& u, T& w, T g, T o) {
    const T a = u;
    const T b = w;
    u = g * a + o * b;
    w = g * b - o * a;
  }

  // Forward sub-step 5 on one quadruple (i1, i2, i3, i4).
  template <class T>
  static void ForwardButterfly(T& x1, T& x2, T& x3, T& x4, T g, T o) {
    const T t1 = x1 - x2;
    const T t2 = x4 - x3;
    x1 = x1 + x2;
    x4 = x4 + x3;
    x3 = g * t1 + o * t2;
    x2 = g * t2 - o * t1;
  }

  // Inverse sub-step 2 on one quadruple (i1, i2, i3, i4).
  template <class T>
  static void InverseButterfly(T& x1, T& x2, T& x3, T& x4, T g, T o) {
    const T t1 = x1 - x2;
    const T t2 = x4 + x3;
    x1 = x1 + x2;
    x2 = x4 - x3;
    x3 = g * t1 + o * t2;
    x4 = g * t2 - o * t1;
  }

  // Offsets 1 … last of a block, W at a time: starts 1, 1 + W, … and a final start last − W + 1,
  // which may overlap its predecessor. The overlapping lanes are worked twice from the same
  // unchanged inputs and so written twice with the same values; that is why the two vectors are
  // both loaded before either is stored. Fewer than W offsets go one by one.
  //
  // Group: template <class M> typename Group::template TState<M> Load(m) const, Compute(state)
  // and Store(m, state), M being TScalarMem or TVectorMem. The group is taken by value: vector
  // stores may alias anything, and only a local copy lets its fields stay in registers. Always
  // inlined: passed to a real call, the freshly built group is reloaded wider than it was stored,
  // which stalls store forwarding once per block.
  template <class Group>
  [[gnu::always_inline]] static void OverOffsets(const Group g, std::int32_t last) {
    if (last < W) {
      for (std::int32_t m = 1; m <= last; ++m) {
        auto x = g.template Load<TScalarMem>(m);
        g.Compute(x);
        g.template Store<TScalarMem>(m, x);
      }
      return;
    }
    const std::int32_t whole = last / W;
    std::int32_t m = 1;
    for (std::int32_t k = 1; k < whole; ++k, m += W) {
      auto x = g.template Load<TVectorMem>(m);
      g.Compute(x);
      g.template Store<TVectorMem>(m, x);
    }
    const std::int32_t tail = last - W + 1;
    auto x = g.template Load<TVectorMem>(m);
    if (tail == m) {
      g.Compute(x);
      g.template Store<TVectorMem>(m, x);
      return;
    }
    auto y = g.template Load<TVectorMem>(tail);
    g.Compute(x);
    g.Compute(y);
    g.template Store<TVectorMem>(m, x);
    g.template Store<TVectorMem>(tail, y);
  }

  static int Log2(std::int32_t n) {
    int k = 0;
    while ((std::int32_t{1} << k) < n) ++k;
    return k;
  }

  // x[p] lane l ⇄ base[16·l + p], for p = 0 … 15: W blocks of 16 side by side.
  static void LoadSixteens(const double* base, V* x) {
    for (int c = 0; c < 16 / W; ++c) {
      V rows[W];
      for (int l = 0; l < W; ++l) rows[l] = Ops::Load(base + 16 * l + W * c);
      Ops::Transpose(rows);
      for (int k = 0; k < W; ++k) x[W * c + k] = rows[k];
    }
  }
  static void StoreSixteens(double* base, const V* x) {
    for (int c = 0; c < 16 / W; ++c) {
      V rows[W];
      for (int k = 0; k < W; ++k) rows[k] = x[W * c + k];
      Ops::Transpose(rows);
      for (int l = 0; l < W; ++l) Ops::Store(base + 16 * l + W * c, rows[l]);
    }
  }
};

}  // namespace ombrisk::fft_detail
