// The bit-reversal reordering, the same permutation for both transforms.
#pragma once

#include <cstdint>

#include "signal/fft_kernel_base.h"
#include "signal/fft_table_view.h"

namespace ombrisk::fft_detail {

template <class Ops>
struct TReorderKernel : TKernelBase<Ops> {
  using B = TKernelBase<Ops>;
  using V = typename B::V;
  static constexpr int W = B::W;

  static std::int32_t ReverseBits(std::int32_t v, int bits) {
    std::int32_t r = 0;
    for (int i = 0; i < bits; ++i, v >>= 1) r = (r << 1) | (v & 1);
    return r;
  }

  // Moving values changes no bits, so any order of the swaps gives the same array. With index
  // i = [a | m | c] (a and c three bits each) the reverse is [rev c | rev m | rev a]: the 8 × 8
  // tile of middle m, whose rows are whole cache lines, trades places with the tile of middle
  // rev m, transposed. Rows are taken in bit-reversed order so that a plain W × W transpose
  // does the rest.
  static void Run(const TFftTableView& t, double* d) {
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
    const int middleBits = B::Log2(n) - 6;
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
