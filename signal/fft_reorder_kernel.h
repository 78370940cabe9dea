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
  // rev m, transposed. Rows are taken in bit-reversed order so that plain W × W transposes do
  // the rest. A tile's rows lie n/8 doubles apart, which for n ≥ 4096 is a multiple of 4 KiB:
  // they all fall in one set of the L1 cache, so both tiles are first copied out whole, line by
  // line, and the transposes work from the copies.
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
    const int middleBits = B::Log2(n) - 6;
    const std::int32_t row = n >> 3;
    alignas(64) double tileCopy[64];
    alignas(64) double mateCopy[64];
    for (std::int32_t m = 0; m < (std::int32_t{1} << middleBits); ++m) {
      const std::int32_t rm = ReverseBits(m, middleBits);
      if (rm < m) continue;
      double* const tile = d + (m << 3);
      double* const mate = d + (rm << 3);
      Prefetch(d, row, m + 1, middleBits);
      Copy(tile, row, tileCopy);
      if (rm == m) {
        Transposed(tileCopy, tile, row);
        continue;
      }
      Copy(mate, row, mateCopy);
      Transposed(tileCopy, mate, row);
      Transposed(mateCopy, tile, row);
    }
  }

  // Asks for the lines of the next pair of tiles, which lie 4 KiB or more apart and so defeat
  // the hardware's stride prefetchers; without this each line waits for the cache below.
  static void Prefetch(const double* d, std::int32_t row, std::int32_t m, int middleBits) {
    for (; m < (std::int32_t{1} << middleBits); ++m) {
      const std::int32_t rm = ReverseBits(m, middleBits);
      if (rm < m) continue;
      for (int a = 0; a < 8; ++a) {
        __builtin_prefetch(d + (m << 3) + a * row, 1);
        __builtin_prefetch(d + (rm << 3) + a * row, 1);
      }
      return;
    }
  }

  static void Copy(const double* tile, std::int32_t row, double* copy) {
    for (int a = 0; a < 8; ++a) {
      for (int c = 0; c < 8; c += W) Ops::Store(copy + 8 * a + c, Ops::Load(tile + a * row + c));
    }
  }

  // to[r][p] = from[rev p][rev r], in W × W blocks.
  static void Transposed(const double* from, double* to, std::int32_t row) {
    constexpr int kRev3[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    for (int p0 = 0; p0 < 8; p0 += W) {
      for (int c0 = 0; c0 < 8; c0 += W) {
        V x[W];
        for (int k = 0; k < W; ++k) x[k] = Ops::Load(from + 8 * kRev3[p0 + k] + c0);
        Ops::Transpose(x);
        for (int j = 0; j < W; ++j) Ops::Store(to + kRev3[c0 + j] * row + p0, x[j]);
      }
    }
  }
};

}  // namespace ombrisk::fft_detail
