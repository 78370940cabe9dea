// The two transforms written straight from their description: no tables, no reordering of work,
// a fresh cosine and sine for every twiddle use. Slow on purpose; the production code must match
// them bit for bit.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>

namespace ombrisk::literal {

// One step of a bit-reversed counter whose top bit is `top`.
inline void Advance(std::int32_t& j, std::int32_t top) {
  std::int32_t k = top;
  j ^= k;
  while (k > j) {
    k >>= 1;
    j ^= k;
  }
}

inline void ForwardRealFFT(std::int32_t n, double* data) {
  std::int32_t j = 0;
  for (std::int32_t i = 1; i <= n - 2; ++i) {
    Advance(j, n >> 1);
    if (i < j) std::swap(data[i], data[j]);
  }
  const double e = static_cast<double>(-8.0L * std::atan(1.0L) / static_cast<long double>(n));
  for (std::int32_t h = 1; 2 * h <= n; h <<= 1) {
    const std::int32_t b = h << 1;
    for (std::int32_t s = 0; s < n; s += b) {
      const double x = data[s];
      const double y = data[s + h];
      data[s] = x + y;
      data[s + h] = x - y;
    }
    if (h == 1) continue;
    const std::int32_t q = h >> 1;
    j = 0;
    for (std::int32_t s = b; s < n; s += b) {
      Advance(j, n >> 2);
      const long double a = static_cast<long double>(0.5 * e) * j;
      const double g = static_cast<double>(std::cos(a));
      const double o = static_cast<double>(std::sin(a));
      const double u = data[s + q];
      const double w = data[s + q + h];
      data[s + q] = g * u + o * w;
      data[s + q + h] = g * w - o * u;
    }
    if (h == 2) continue;
    j = 0;
    for (std::int32_t s = 0; s < n; s += b) {
      const double g = static_cast<double>(std::cos(static_cast<long double>(e) * j));
      const double o = static_cast<double>(std::sin(static_cast<long double>(e) * j));
      Advance(j, n >> 2);
      for (std::int32_t m = 1; m <= q - 1; ++m) {
        const std::int32_t i1 = s + m;
        const std::int32_t i2 = s + h + m;
        const std::int32_t i3 = s + h - m;
        const std::int32_t i4 = s + 2 * h - m;
        const double t1 = data[i1] - data[i2];
        const double t2 = data[i4] - data[i3];
        data[i1] = data[i1] + data[i2];
        data[i4] = data[i4] + data[i3];
        data[i3] = g * t1 + o * t2;
        data[i2] = g * t2 - o * t1;
      }
    }
  }
}

inline void InverseRealFFT(std::int32_t n, double* data) {
  data[0] = data[0] / 2;
  data[n >> 1] = data[n >> 1] / 2;
  double e = static_cast<double>(8.0L * std::atan(1.0L) / static_cast<long double>(n));
  for (std::int32_t b = n; (b >> 1) >= 1; b >>= 1) {
    const std::int32_t h = b >> 1;
    const std::int32_t q = h >> 1;
    for (std::int32_t s = 0; s < n; s += b) {
      const double x = data[s];
      const double y = data[s + h];
      data[s] = x + y;
      data[s + h] = x - y;
    }
    for (std::int32_t j = 1; j <= q - 1; ++j) {
      const double g = static_cast<double>(std::cos(static_cast<long double>(j) * e));
      const double o = static_cast<double>(std::sin(static_cast<long double>(j) * e));
      for (std::int32_t s = 0; s < n; s += b) {
        const std::int32_t i1 = s + j;
        const std::int32_t i2 = s + h - j;
        const std::int32_t i3 = s + h + j;
        const std::int32_t i4 = s + b - j;
        const double t1 = data[i1] - data[i2];
        const double t2 = data[i4] + data[i3];
        data[i1] = data[i1] + data[i2];
        data[i2] = data[i4] - data[i3];
        data[i3] = g * t1 + o * t2;
        data[i4] = g * t2 - o * t1;
      }
    }
    e = e * 2;
  }
  std::int32_t j = 0;
  for (std::int32_t i = 1; i <= n - 1; ++i) {
    Advance(j, n >> 1);
    if (j > i) std::swap(data[i], data[j]);
  }
}

}  // namespace ombrisk::literal
