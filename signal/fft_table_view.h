// The tables of one transform length as plain pointers, and the stage kernels that read them.
// Kernels exist once per instruction set; this header holds nothing that would be compiled as
// inline code, so a kernel built for a wider instruction set cannot leak into common code.
#pragma once

#include <cstdint>

namespace ombrisk::fft_detail {

// Plain pointers into one length's tables, so that kernels built for other instruction sets
// need none of the standard library's inline code.
struct TFftTableView {
  std::int32_t n = 0;
  // Bit-reversal swaps (i, j) with i < j, as consecutive pairs: 2 × swapCount values. Only for
  // n < 64; longer transforms reorder by tiles.
  const std::uint32_t* swaps = nullptr;
  std::int32_t swapCount = 0;

  // Forward transform, by block number β (0 ≤ β < n/4): β-th value j of the bit-reversed
  // counter with top bit n/4; c3/s3 of the angle (e/2)·j, c5/s5 of the angle e·j, e = −2π/n.
  const double* c3 = nullptr;
  const double* s3 = nullptr;
  const double* c5 = nullptr;
  const double* s5 = nullptr;
  // The same values regrouped for kernels that run four 16-element blocks side by side. For
  // 16-element block B (its lane L = B mod 4, group G = B div 4) and sub-block r:
  //   half-length 2: q2c3[16G + 4r + L] = c3[4B + r]   (r = 0 … 3)
  //   half-length 4: q4xx[8G + 4r + L]  = xx[2B + r]   (r = 0, 1)
  // Half-length 8 uses c3 … s5 at index B directly. Empty (null) when n < 64.
  const double* q2c3 = nullptr;
  const double* q2s3 = nullptr;
  const double* q4c3 = nullptr;
  const double* q4s3 = nullptr;
  const double* q4c5 = nullptr;
  const double* q4s5 = nullptr;

  // Inverse transform: for the stage of block length b = 2^k the twiddles of j = 0 … b/4 − 1
  // start at invCos + invOffset[k] (angle j·e with e = 2π/b as the doubling makes it).
  const double* invCos = nullptr;
  const double* invSin = nullptr;
  const std::int32_t* invOffset = nullptr;
};

// Each transform whole for one instruction set.
void ForwardPortable(const TFftTableView& t, double* data);
void InversePortable(const TFftTableView& t, double* data);
#if defined(__x86_64__)
void ForwardSse2(const TFftTableView& t, double* data);
void InverseSse2(const TFftTableView& t, double* data);
void ForwardAvx2(const TFftTableView& t, double* data);
void InverseAvx2(const TFftTableView& t, double* data);
#endif

}  // namespace ombrisk::fft_detail
