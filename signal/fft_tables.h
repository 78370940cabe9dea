// Twiddle factors and the bit-reversal swap list of one transform length, made once per length
// and kept for the life of the process.
//
//   const TFftTables& t = FftTablesFor(n);   // thread-safe; the first call for n builds them
//   const TFftTableView v = t.View();
//
// Every twiddle is made exactly as the transforms' definition makes it at the point of use:
// the double angle step times the integer index in long double, its cosine or sine in long
// double, rounded once to double. Looking a value up therefore gives the same bits as working
// it out afresh, and the tabulated transforms stay bit-identical to the untabulated ones.
#pragma once

#include <cstdint>
#include <vector>

#include "signal/fft_table_view.h"

namespace ombrisk::fft_detail {

class TFftTables {
public:
  explicit TFftTables(std::int32_t n);
  TFftTableView View() const;

private:
  void MakeSwaps();
  void MakeBlockTwiddles();
  void MakeGroupedTwiddles();  // from the block twiddles
  void MakeInverseTwiddles();

  std::int32_t m_n;
  std::vector<std::uint32_t> m_swaps;
  std::vector<double> m_c3, m_s3, m_c5, m_s5;
  std::vector<double> m_q2c3, m_q2s3, m_q4c3, m_q4s3, m_q4c5, m_q4s5;
  std::vector<double> m_invCos, m_invSin;
  std::vector<std::int32_t> m_invOffset;
};

// The tables of length n (a power of two, 2 ≤ n ≤ 2^30).
const TFftTables& FftTablesFor(std::int32_t n);

// One step of a bit-reversed counter whose top bit is `top`.
inline void AdvanceBitReversed(std::int32_t& j, std::int32_t top) {
  std::int32_t k = top;
  j ^= k;
  while (k > j) {
    k >>= 1;
    j ^= k;
  }
}

}  // namespace ombrisk::fft_detail
