// The butterfly stages of both transforms, written once over a vector type and instantiated per
// instruction set (fft_portable.cpp, fft_sse2.cpp, fft_avx2.cpp).
//
// Ops supplies V (double, __m128d or __m256d: +, − and × work lane by lane on each), kWidth,
// Load/Store, LoadReversed/StoreReversed (lane l holds p[kWidth − 1 − l]), Set1, Transpose (a
// kWidth × kWidth tile in place) and KeepLane0 (the computed vector with lane 0 taken from the
// original).
//
// Bit-identity with the plain algorithm rests on two facts. Within a stage the butterflies of
// different blocks, and of different offsets inside a block, touch disjoint elements, so any
// order of them gives the same values. And every element still sees the same operations on the
// same operands in the same order: each lane of a vector does exactly what the scalar code does,
// nothing is reassociated and nothing is fused (the library is built with -ffp-contract=off).
// The freedom is used for memory order: stages whose blocks fit in kChunkDoubles run chunk by
// chunk while the chunk sits in the first-level cache, and the first four forward stages (the
// last four inverse stages) run on kWidth 16-element blocks side by side, one block per lane.
//
// Only templates live here: each instantiation takes an Ops type with internal linkage and so
// stays private to its translation unit, built with that unit's instruction set.
#pragma once

#include <cstdint>

#include "signal/fft_table_view.h"

namespace ombrisk::fft_detail {

// 2048 doubles are 16 KiB: a chunk and the twiddles it reads stay in a 32 KiB L1 data cache.
inline constexpr std::int32_t kChunkDoubles = 2048;

template <class Ops>
struct TFftStages {
  using V = typename Ops::V;
  static constexpr int W = Ops::kWidth;

  template <class T>
  static void SumDifference(T& x, T& y) {
    const T a = x;
    const T b = y;
    x = a + b;
    y = a - b;
  }

  // ---- Forward: decimation in time ----------------------------------------------------------

  // Sub-step 3 of a forward stage: the pair (u, w) turned by the block's half angle.
  template <class T>
  static void ForwardTurn(T& u, T& w, T g, T o) {
    const T a = u;
    const T b = w;
    u = g * a + o * b;
    w = g * b - o * a;
  }

  // Sub-step 5 of a forward stage on one quadruple.
  template <class T>
  static void ForwardButterfly(T& x1, T& x2, T& x3, T& x4, T g, T o) {
    const T t1 = x1 - x2;
    const T t2 = x4 - x3;
    x1 = x1 + x2;
    x4 = x4 + x3;
    x3 = g * t1 + o * t2;
    x2 = g * t2 - o * t1;
  }

  // One block of the forward stage with half-length h, starting at s, block number beta.
  static void ForwardBlock(const TFftTableView& t, double* d, std::int32_t s, std::int32_t h,
                           std::int32_t beta) {
    SumDifference(d[s], d[s + h]);
    if (h == 1) return;
    const std::int32_t q = h >> 1;
    if (beta != 0) ForwardTurn(d[s + q], d[s + q + h], t.c3[beta], t.s3[beta]);
    if (h == 2) return;
    const double g = t.c5[beta];
    const double o = t.s5[beta];
    // The first three offsets alone, so the rest is a whole number of vectors (q ≥ 8).
    const std::int32_t scalarEnd = q < 8 ? q : 4;
    std::int32_t m = 1;
    for (; m < scalarEnd; ++m) {
      ForwardButterfly(d[s + m], d[s + h + m], d[s + h - m], d[s + 2 * h - m], g, o);
    }
    const V gv = Ops::Set1(g);
    const V ov = Ops::Set1(o);
    for (; m < q; m += W) {
      double* p1 = d + s + m;
      double* p2 = d + s + h + m;
      double* p3 = d + s + h - m - (W - 1);
      double* p4 = d + s + 2 * h - m - (W - 1);
      V x1 = Ops::Load(p1);
      V x2 = Ops::Load(p2);
      V x3 = Ops::LoadReversed(p3);
      V x4 = Ops::LoadReversed(p4);
      ForwardButterfly(x1, x2, x3, x4, gv, ov);
      Ops::Store(p1, x1);
      Ops::Store(p2, x2);
      Ops::StoreReversed(p3, x3);
      Ops::StoreReversed(p4, x4);
    }
  }

  // x[p] lane l ⇄ base[16·l + p], for p = 0 … 15.
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

  // Forward stages h = 1, 2, 4, 8 on the W 16-element blocks first … first + W − 1 (first a
  // multiple of W), one block per lane. Block number β = 0 skips sub-step 3: KeepLane0 undoes
  // the turn in the one lane that holds it.
  static void ForwardSixteens(const TFftTableView& t, double* d, std::int32_t first) {
    V x[16];
    double* base = d + 16 * first;
    LoadSixteens(base, x);
    for (int p = 0; p < 16; p += 2) SumDifference(x[p], x[p + 1]);

    const std::int32_t q2 = (first / 4) * 16 + first % 4;
    for (int r = 0; r < 4; ++r) {
      const int p = 4 * r;
      SumDifference(x[p], x[p + 2]);
      const V u = x[p + 1];
      const V w = x[p + 3];
      ForwardTurn(x[p + 1], x[p + 3], Ops::Load(t.q2c3 + q2 + 4 * r), Ops::Load(t.q2s3 + q2 + 4 * r));
      if (first == 0 && r == 0) {
        x[p + 1] = Ops::KeepLane0(x[p + 1], u);
        x[p + 3] = Ops::KeepLane0(x[p + 3], w);
      }
    }

    const std::int32_t q4 = (first / 4) * 8 + first % 4;
    for (int r = 0; r < 2; ++r) {
      const int p = 8 * r;
      SumDifference(x[p], x[p + 4]);
      const V u = x[p + 2];
      const V w = x[p + 6];
      ForwardTurn(x[p + 2], x[p + 6], Ops::Load(t.q4c3 + q4 + 4 * r), Ops::Load(t.q4s3 + q4 + 4 * r));
      if (first == 0 && r == 0) {
        x[p + 2] = Ops::KeepLane0(x[p + 2], u);
        x[p + 6] = Ops::KeepLane0(x[p + 6], w);
      }
      ForwardButterfly(x[p + 1], x[p + 5], x[p + 3], x[p + 7], Ops::Load(t.q4c5 + q4 + 4 * r),
                       Ops::Load(t.q4s5 + q4 + 4 * r));
    }

    SumDifference(x[0], x[8]);
    {
      const V u = x[4];
      const V w = x[12];
      ForwardTurn(x[4], x[12], Ops::Load(t.c3 + first), Ops::Load(t.s3 + first));
      if (first == 0) {
        x[4] = Ops::KeepLane0(x[4], u);
        x[12] = Ops::KeepLane0(x[12], w);
      }
    }
    const V g = Ops::Load(t.c5 + first);
    const V o = Ops::Load(t.s5 + first);
    ForwardButterfly(x[1], x[9], x[7], x[15], g, o);
    ForwardButterfly(x[2], x[10], x[6], x[14], g, o);
    ForwardButterfly(x[3], x[11], x[5], x[13], g, o);
    StoreSixteens(base, x);
  }

  // The forward stage of half-length h over the blocks starting at from … to − 1.
  static void ForwardStage(const TFftTableView& t, double* d, std::int32_t h, std::int32_t from, std::int32_t to) {
    std::int32_t beta = from / (2 * h);
    for (std::int32_t s = from; s < to; s += 2 * h, ++beta) ForwardBlock(t, d, s, h, beta);
  }

  static void Forward(const TFftTableView& t, double* d) {
    Reorder(t, d);
    const std::int32_t n = t.n;
    if (n < 64) {
      for (std::int32_t h = 1; 2 * h <= n; h <<= 1) ForwardStage(t, d, h, 0, n);
      return;
    }
    const std::int32_t chunk = n < kChunkDoubles ? n : kChunkDoubles;
    for (std::int32_t c = 0; c < n; c += chunk) {
      for (std::int32_t first = c / 16; first < (c + chunk) / 16; first += W) ForwardSixteens(t, d, first);
      for (std::int32_t h = 16; 2 * h <= chunk; h <<= 1) ForwardStage(t, d, h, c, c + chunk);
    }
    for (std::int32_t h = chunk; 2 * h <= n; h <<= 1) ForwardStage(t, d, h, 0, n);
  }

  // ---- Inverse: decimation in frequency -----------------------------------------------------

  // Sub-step 2 of an inverse stage on one quadruple.
  template <class T>
  static void InverseButterfly(T& x1, T& x2, T& x3, T& x4, T g, T o) {
    const T t1 = x1 - x2;
    const T t2 = x4 + x3;
    x1 = x1 + x2;
    x2 = x4 - x3;
    x3 = g * t1 + o * t2;
    x4 = g * t2 - o * t1;
  }

  // One block of the inverse stage with block length b = 2^k, starting at s.
  static void InverseBlock(const TFftTableView& t, double* d, std::int32_t s, int k) {
    const std::int32_t b = std::int32_t{1} << k;
    const std::int32_t h = b >> 1;
    const std::int32_t q = h >> 1;
    SumDifference(d[s], d[s + h]);
    const double* cosines = t.invCos + t.invOffset[k];
    const double* sines = t.invSin + t.invOffset[k];
    const std::int32_t scalarEnd = q < 8 ? q : 4;
    std::int32_t j = 1;
    for (; j < scalarEnd; ++j) {
      InverseButterfly(d[s + j], d[s + h - j], d[s + h + j], d[s + b - j], cosines[j], sines[j]);
    }
    for (; j < q; j += W) {
      double* p1 = d + s + j;
      double* p2 = d + s + h - j - (W - 1);
      double* p3 = d + s + h + j;
      double* p4 = d + s + b - j - (W - 1);
      V x1 = Ops::Load(p1);
      V x2 = Ops::LoadReversed(p2);
      V x3 = Ops::Load(p3);
      V x4 = Ops::LoadReversed(p4);
      InverseButterfly(x1, x2, x3, x4, Ops::Load(cosines + j), Ops::Load(sines + j));
      Ops::Store(p1, x1);
      Ops::StoreReversed(p2, x2);
      Ops::Store(p3, x3);
      Ops::StoreReversed(p4, x4);
    }
  }

  // Inverse stages b = 16, 8, 4, 2 on W 16-element blocks side by side.
  static void InverseSixteens(const TFftTableView& t, double* d, std::int32_t first) {
    V x[16];
    double* base = d + 16 * first;
    LoadSixteens(base, x);
    SumDifference(x[0], x[8]);
    const double* c16 = t.invCos + t.invOffset[4];
    const double* s16 = t.invSin + t.invOffset[4];
    InverseButterfly(x[1], x[7], x[9], x[15], Ops::Set1(c16[1]), Ops::Set1(s16[1]));
    InverseButterfly(x[2], x[6], x[10], x[14], Ops::Set1(c16[2]), Ops::Set1(s16[2]));
    InverseButterfly(x[3], x[5], x[11], x[13], Ops::Set1(c16[3]), Ops::Set1(s16[3]));
    const V g8 = Ops::Set1(t.invCos[t.invOffset[3] + 1]);
    const V o8 = Ops::Set1(t.invSin[t.invOffset[3] + 1]);
    for (int p = 0; p < 16; p += 8) {
      SumDifference(x[p], x[p + 4]);
      InverseButterfly(x[p + 1], x[p + 3], x[p + 5], x[p + 7], g8, o8);
    }
    for (int p = 0; p < 16; p += 4) SumDifference(x[p], x[p + 2]);
    for (int p = 0; p < 16; p += 2) SumDifference(x[p], x[p + 1]);
    StoreSixteens(base, x);
  }

  static void Inverse(const TFftTableView& t, double* d) {
    const std::int32_t n = t.n;
    d[0] = d[0] / 2;
    d[n >> 1] = d[n >> 1] / 2;
    const int levels = Log2(n);
    if (n < 64) {
      for (int k = levels; k >= 1; --k) {
        for (std::int32_t s = 0; s < n; s += std::int32_t{1} << k) InverseBlock(t, d, s, k);
      }
    } else {
      const std::int32_t chunk = n < kChunkDoubles ? n : kChunkDoubles;
      int k = levels;
      for (; (std::int32_t{1} << k) > chunk; --k) {
        for (std::int32_t s = 0; s < n; s += std::int32_t{1} << k) InverseBlock(t, d, s, k);
      }
      for (std::int32_t c = 0; c < n; c += chunk) {
        for (int kk = k; kk >= 5; --kk) {
          for (std::int32_t s = c; s < c + chunk; s += std::int32_t{1} << kk) InverseBlock(t, d, s, kk);
        }
        for (std::int32_t first = c / 16; first < (c + chunk) / 16; first += W) InverseSixteens(t, d, first);
      }
    }
    Reorder(t, d);
  }

  // ---- Bit-reversal reordering, the same permutation for both transforms ---------------------

  static int Log2(std::int32_t n) {
    int k = 0;
    while ((std::int32_t{1} << k) < n) ++k;
    return k;
  }

  static std::int32_t ReverseBits(std::int32_t v, int bits) {
    std::int32_t r = 0;
    for (int i = 0; i < bits; ++i, v >>= 1) r = (r << 1) | (v & 1);
    return r;
  }

  // Moving values changes no bits, so any order of the swaps gives the same array. With
  // index i = [a | m | c] (a, c three bits each) the reverse is [rev c | rev m | rev a]: the
  // 8 × 8 tile of middle m, whose rows are whole cache lines, trades places with the tile of
  // middle rev m, transposed. Rows are taken in bit-reversed order so that a plain W × W
  // transpose does the rest.
  static void Reorder(const TFftTableView& t, double* d) {
    const std::int32_t n = t.n;
    if (n < 64) {
      const std::uint32_t* swap = t.swaps;
      for (std::int32_t i = 0; i < t.swapCount; ++i, swap += 2) {
        const double x = d[swap[0]];
        d[swap[0]] = d[swap[1]];
        d[swap[1]] = x;
      }
      return;
    }
    constexpr int kRev3[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    const int middleBits = Log2(n) - 6;
    const std::int32_t row = n >> 3;
    for (std::int32_t m = 0; m < (std::int32_t{1} << middleBits); ++m) {
      const std::int32_t rm = ReverseBits(m, middleBits);
      if (rm < m) continue;
      double* const tile = d + (m << 3);
      double* const mate = d + (rm << 3);
      for (int p0 = 0; p0 < 8; p0 += W) {
        for (int c0 = 0; c0 < 8; c0 += W) {
          if (m == rm && c0 < p0) continue;  // a tile that is its own mate: each pair once
          V a[W];
          V b[W];
          for (int k = 0; k < W; ++k) {
            a[k] = Ops::Load(tile + kRev3[p0 + k] * row + c0);
            b[k] = Ops::Load(mate + kRev3[c0 + k] * row + p0);
          }
          Ops::Transpose(a);
          Ops::Transpose(b);
          for (int j = 0; j < W; ++j) {
            Ops::Store(mate + kRev3[c0 + j] * row + p0, a[j]);
            Ops::Store(tile + kRev3[p0 + j] * row + c0, b[j]);
          }
        }
      }
    }
  }
};

}  // namespace ombrisk::fft_detail
