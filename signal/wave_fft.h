// WaveFFT: the real-valued fast Fourier transforms, in place on a packed spectrum.
//
//   ForwardRealFFT(n, data);   // n samples in, packed spectrum out (unscaled)
//   InverseRealFFT(n, data);   // packed spectrum in, samples out; Inverse(Forward(x)) = x × n/2
//
// Packed spectrum of n values (n a power of two, at least 2): index k (0 ≤ k ≤ n/2) holds the
// cosine sum C(k) = Σ x(t)·cos(2πkt/n), index n − k (1 ≤ k < n/2) the sine sum S(k) = Σ x(t)·sin(2πkt/n).
// Only elements 0 … n − 1 of data are touched; data must hold at least n values.
#pragma once

#include <cstdint>
#include <span>

namespace ombrisk {

void ForwardRealFFT(std::int32_t n, std::span<double> data);
void InverseRealFFT(std::int32_t n, std::span<double> data);

}  // namespace ombrisk
