// What the transforms compute, against a naive discrete Fourier transform in long double and
// the closed forms of single tones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "signal/wave_fft.h"

namespace ombrisk {
namespace {

constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;

std::vector<double> RandomSamples(std::int32_t n, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& x : v) x = unit(random);
  return v;
}

// cos and sin of 2πm/n for m = 0 … n − 1, so the naive sums index instead of recomputing.
struct TUnitCircle {
  explicit TUnitCircle(std::int32_t n) : cosines(static_cast<std::size_t>(n)), sines(cosines.size()) {
    for (std::int32_t m = 0; m < n; ++m) {
      cosines[static_cast<std::size_t>(m)] = std::cos(kTwoPi * m / n);
      sines[static_cast<std::size_t>(m)] = std::sin(kTwoPi * m / n);
    }
  }
  std::vector<long double> cosines, sines;
};

// The packed spectrum of x by the definition: C(k) at k, S(k) at n − k.
std::vector<long double> NaiveForward(const std::vector<double>& x) {
  const auto n = static_cast<std::int32_t>(x.size());
  const TUnitCircle circle(n);
  std::vector<long double> out(x.size());
  for (std::int32_t k = 0; k <= n / 2; ++k) {
    long double c = 0;
    long double s = 0;
    for (std::int32_t t = 0; t < n; ++t) {
      const auto m = static_cast<std::size_t>((static_cast<std::int64_t>(k) * t) % n);
      c += x[static_cast<std::size_t>(t)] * circle.cosines[m];
      s += x[static_cast<std::size_t>(t)] * circle.sines[m];
    }
    out[static_cast<std::size_t>(k)] = c;
    if (k > 0 && k < n / 2) out[static_cast<std::size_t>(n - k)] = s;
  }
  return out;
}

// The samples a packed spectrum stands for: ½·d[0] + ½·d[n/2]·(−1)^t + Σ d[k]cos + d[n−k]sin.
std::vector<long double> NaiveInverse(const std::vector<double>& d) {
  const auto n = static_cast<std::int32_t>(d.size());
  const TUnitCircle circle(n);
  std::vector<long double> out(d.size());
  for (std::int32_t t = 0; t < n; ++t) {
    long double z = 0.5L * d[0] + 0.5L * d[static_cast<std::size_t>(n / 2)] * (t % 2 == 0 ? 1 : -1);
    for (std::int32_t k = 1; k < n / 2; ++k) {
      const auto m = static_cast<std::size_t>((static_cast<std::int64_t>(k) * t) % n);
      z += d[static_cast<std::size_t>(k)] * circle.cosines[m] + d[static_cast<std::size_t>(n - k)] * circle.sines[m];
    }
    out[static_cast<std::size_t>(t)] = z;
  }
  return out;
}

long double MaxError(const std::vector<double>& got, const std::vector<long double>& want) {
  long double worst = 0;
  for (std::size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::fabs(got[i] - want[i]));
  return worst;
}

// Rounding grows like log2 n relative to the signal; 1e-15·n·log2 n bounds it with room, and a
// wrong twiddle or a swapped index misses by order 1.
double Tolerance(std::int32_t n) { return 1e-15 * n * std::log2(static_cast<double>(n)) + 1e-15; }

std::vector<std::int32_t> PowersOfTwo(std::int32_t upTo) {
  std::vector<std::int32_t> v;
  for (std::int32_t n = 2; n <= upTo; n *= 2) v.push_back(n);
  return v;
}

class EveryLength : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(EveryLength, ForwardAgreesWithNaiveTransform) {
  const std::int32_t n = GetParam();
  const std::vector<double> x = RandomSamples(n, 21 + static_cast<std::uint64_t>(n));
  std::vector<double> d = x;
  ForwardRealFFT(n, d);
  EXPECT_LE(MaxError(d, NaiveForward(x)), Tolerance(n));
}

TEST_P(EveryLength, InverseAgreesWithNaiveSynthesis) {
  const std::int32_t n = GetParam();
  const std::vector<double> spectrum = RandomSamples(n, 99 + static_cast<std::uint64_t>(n));
  std::vector<double> d = spectrum;
  InverseRealFFT(n, d);
  EXPECT_LE(MaxError(d, NaiveInverse(spectrum)), Tolerance(n));
}

TEST_P(EveryLength, InverseOfForwardIsInputTimesHalfN) {
  const std::int32_t n = GetParam();
  const std::vector<double> x = RandomSamples(n, 5 + static_cast<std::uint64_t>(n));
  std::vector<double> d = x;
  ForwardRealFFT(n, d);
  InverseRealFFT(n, d);
  std::vector<long double> want(x.begin(), x.end());
  for (long double& v : want) v *= n / 2;
  EXPECT_LE(MaxError(d, want), Tolerance(n) * n / 2);
}

TEST_P(EveryLength, ConstantLandsInTheDcTermAndBack) {
  const std::int32_t n = GetParam();
  std::vector<double> d(static_cast<std::size_t>(n), 0.75);
  ForwardRealFFT(n, d);
  std::vector<long double> want(d.size(), 0);
  want[0] = 0.75L * n;
  EXPECT_LE(MaxError(d, want), Tolerance(n));

  std::vector<double> lone(static_cast<std::size_t>(n), 0.0);
  lone[0] = 3.0;
  InverseRealFFT(n, lone);
  EXPECT_LE(MaxError(lone, std::vector<long double>(lone.size(), 1.5L)), Tolerance(n));
}

TEST_P(EveryLength, NyquistValueAlternates) {
  const std::int32_t n = GetParam();
  std::vector<double> d(static_cast<std::size_t>(n), 0.0);
  d[static_cast<std::size_t>(n / 2)] = 2.0;
  InverseRealFFT(n, d);
  std::vector<long double> want(d.size());
  for (std::size_t t = 0; t < want.size(); ++t) want[t] = t % 2 == 0 ? 1 : -1;
  EXPECT_LE(MaxError(d, want), Tolerance(n));
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, EveryLength, ::testing::ValuesIn(PowersOfTwo(8192)));

// Every bin of a few lengths: a cosine lands at k, a sine at n − k, each with n/2; a lone value
// at k or n − k comes back as that wave with its peak (or zero crossing) at t = 0.
class Tones : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(Tones, EachBinHoldsItsOwnWave) {
  const std::int32_t n = GetParam();
  for (std::int32_t k = 1; k < n / 2; ++k) {
    for (const bool sine : {false, true}) {
      std::vector<double> d(static_cast<std::size_t>(n));
      for (std::int32_t t = 0; t < n; ++t) {
        const long double a = kTwoPi * ((static_cast<std::int64_t>(k) * t) % n) / n;
        d[static_cast<std::size_t>(t)] = static_cast<double>(sine ? std::sin(a) : std::cos(a));
      }
      const std::vector<double> wave = d;
      ForwardRealFFT(n, d);
      std::vector<long double> want(d.size(), 0);
      want[static_cast<std::size_t>(sine ? n - k : k)] = n / 2;
      ASSERT_LE(MaxError(d, want), Tolerance(n)) << "k = " << k << (sine ? " sine" : " cosine");

      std::vector<double> lone(d.size(), 0.0);
      lone[static_cast<std::size_t>(sine ? n - k : k)] = 1.0;
      InverseRealFFT(n, lone);
      ASSERT_LE(MaxError(lone, std::vector<long double>(wave.begin(), wave.end())), Tolerance(n))
          << "k = " << k << (sine ? " sine" : " cosine");
      if (!sine) {
        EXPECT_EQ(lone[0], 1.0) << "the peak sits on the first sample, k = " << k;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, Tones, ::testing::Values(4, 8, 16, 64, 256, 1024));

TEST(SmallestLength, TwoPointsAreSumAndDifference) {
  std::vector<double> d{3.0, 5.0};
  ForwardRealFFT(2, d);
  EXPECT_EQ(d, (std::vector<double>{8.0, -2.0}));
  InverseRealFFT(2, d);  // (a/2 + b/2, a/2 − b/2)
  EXPECT_EQ(d, (std::vector<double>{3.0, 5.0}));
  std::vector<double> e{1.0, 0.5};
  InverseRealFFT(2, e);
  EXPECT_EQ(e, (std::vector<double>{0.75, 0.25}));
}

}  // namespace
}  // namespace ombrisk
