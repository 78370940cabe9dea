// WaveFFT: the real-valued fast Fourier transforms, in place on a packed spectrum.
//
//   ForwardRealFFT(n, data);   // n samples in, packed spectrum out (unscaled)
//   InverseRealFFT(n, data);   // packed spectrum in, samples out; Inverse(Forward(x)) = x × n/2
//
// Packed spectrum of n values (n a power of two, at least 2): index k (0 ≤ k ≤ n/2) holds the
// cosine sum C(k) = Σ x(t)·cos(2πkt/n), index n − k (1 ≤ k < n/2) the sine sum S(k) = Σ x(t)·sin(2πkt/n).
// Only elements 0 … n − 1 of data are touched; data must hold at least n values.
//
// Twiddles come from per-length tables built on first use and kept (fft_tables.h); the first call
// for a length costs about n long-double sines and cosines, later calls none. Calls may run at
// once on different arrays. Either routine raises Exception with kSFftBadLength when n is not a
// power of two of at least 2, or kSFftShortData when data holds fewer than n values, before
// touching anything.
#pragma once

#include <cstdint>
#include <span>

namespace ombrisk {

inline constexpr const char* kSFftBadLength = "FFT の長さ %s は 2 以上の 2 のべき乗ではありません";
inline constexpr const char* kSFftShortData = "FFT の長さ %s に対してデータが %s 個しかありません";

void ForwardRealFFT(std::int32_t n, std::span<double> data);
void InverseRealFFT(std::int32_t n, std::span<double> data);

}  // namespace ombrisk
