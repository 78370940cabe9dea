// The production transforms, on every instruction-set path, against the literal algorithm:
// the same bits, not merely close values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "signal/fft_paths.h"
#include "signal/wave_fft.h"
#include "tests/signal/literal_fft.h"
#include "toolkit/exception.h"

namespace ombrisk {
namespace {

using fft_detail::TFftPath;

enum class TData { Uniform, WideRange, SignedZeros };

std::vector<double> MakeData(std::int32_t n, TData kind, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::vector<double> v(static_cast<std::size_t>(n));
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-300, 300);
  std::uniform_int_distribution<int> pick(0, 3);
  std::uniform_int_distribution<std::int32_t> sparse(0, 4 * n);
  for (double& x : v) {
    switch (kind) {
      case TData::Uniform: x = unit(random); break;
      case TData::WideRange: x = std::ldexp(unit(random), exponent(random)); break;
      // Zeros of both signs, and now and then a one: only signed zeros tell a skipped unit turn
      // (the first block of a stage) from an applied one.
      case TData::SignedZeros: {
        const double choices[] = {0.0, -0.0, 1.0, -1.0};
        x = choices[sparse(random) == 0 ? 2 + pick(random) % 2 : pick(random) % 2];
        break;
      }
    }
  }
  return v;
}

// Signed zeros reach the few places where a skipped unit turn shows (the first block of a
// stage) only now and then, so short lengths get many draws.
std::uint64_t Repeats(TData kind, std::int32_t n) {
  return kind == TData::SignedZeros && n <= 512 ? 64 : 1;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

std::string FirstDifference(const std::vector<double>& got, const std::vector<double>& want) {
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (std::memcmp(&got[i], &want[i], sizeof(double)) != 0) {
      return "index " + std::to_string(i) + ": " + std::to_string(got[i]) + " vs " + std::to_string(want[i]);
    }
  }
  return "none";
}

struct TIdentityCase {
  TFftPath path;
  TData data;
};

class BitIdentity : public ::testing::TestWithParam<TIdentityCase> {
protected:
  void SetUp() override {
    const TFftPath path = GetParam().path;
    if (!ProcessorRuns(path)) GTEST_SKIP() << "this processor does not run " << InstructionSetName(path);
  }
};

TEST_P(BitIdentity, ForwardMatchesLiteralForEveryLength) {
  const TIdentityCase c = GetParam();
  for (std::int32_t n = 2; n <= 8192; n *= 2) {
    for (std::uint64_t seed = 0; seed < Repeats(c.data, n); ++seed) {
      std::vector<double> want = MakeData(n, c.data, static_cast<std::uint64_t>(n) * 1000 + seed);
      std::vector<double> got = want;
      literal::ForwardRealFFT(n, want.data());
      fft_detail::ForwardRealFFTOn(c.path, n, got);
      ASSERT_TRUE(SameBits(got, want)) << "n = " << n << ", seed " << seed << ", first difference at "
                                       << FirstDifference(got, want);
    }
  }
}

TEST_P(BitIdentity, InverseMatchesLiteralForEveryLength) {
  const TIdentityCase c = GetParam();
  for (std::int32_t n = 2; n <= 8192; n *= 2) {
    for (std::uint64_t seed = 0; seed < Repeats(c.data, n); ++seed) {
      std::vector<double> want = MakeData(n, c.data, static_cast<std::uint64_t>(n) * 1000 + 500 + seed);
      std::vector<double> got = want;
      literal::InverseRealFFT(n, want.data());
      fft_detail::InverseRealFFTOn(c.path, n, got);
      ASSERT_TRUE(SameBits(got, want)) << "n = " << n << ", seed " << seed << ", first difference at "
                                       << FirstDifference(got, want);
    }
  }
}

std::vector<TIdentityCase> IdentityCases() {
  std::vector<TIdentityCase> cases;
  for (TFftPath path : fft_detail::TransformPaths().Built()) {
    for (TData data : {TData::Uniform, TData::WideRange, TData::SignedZeros}) cases.push_back({path, data});
  }
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<TIdentityCase>& info) {
  const char* data[] = {"Uniform", "WideRange", "SignedZeros"};
  return std::string(InstructionSetName(info.param.path)) + "_" + data[static_cast<int>(info.param.data)];
}

INSTANTIATE_TEST_SUITE_P(Paths, BitIdentity, ::testing::ValuesIn(IdentityCases()), CaseName);

TEST(BitIdentity, PublicEntryPointsTakeTheBestPath) {
  const std::int32_t n = 1024;
  std::vector<double> want = MakeData(n, TData::Uniform, 7);
  std::vector<double> got = want;
  literal::ForwardRealFFT(n, want.data());
  ForwardRealFFT(n, got);
  EXPECT_TRUE(SameBits(got, want));
  literal::InverseRealFFT(n, want.data());
  InverseRealFFT(n, got);
  EXPECT_TRUE(SameBits(got, want));
}

// The synthesis goes beyond 8192; longer lengths add stages outside the cache-sized chunks.
TEST(BitIdentity, LongerLengthsOnEveryPath) {
  for (TFftPath path : fft_detail::AvailableFftPaths()) {
    for (std::int32_t n = 1 << 14; n <= 1 << 17; n *= 2) {
      std::vector<double> want = MakeData(n, TData::Uniform, 77 + static_cast<std::uint64_t>(n));
      std::vector<double> got = want;
      literal::ForwardRealFFT(n, want.data());
      fft_detail::ForwardRealFFTOn(path, n, got);
      ASSERT_TRUE(SameBits(got, want)) << InstructionSetName(path) << " forward, n = " << n;
      literal::InverseRealFFT(n, want.data());
      fft_detail::InverseRealFFTOn(path, n, got);
      ASSERT_TRUE(SameBits(got, want)) << InstructionSetName(path) << " inverse, n = " << n;
    }
  }
}

TEST(BitIdentity, ElementsPastNAreNeverTouched) {
  const std::int32_t n = 256;
  std::vector<double> data = MakeData(n + 16, TData::Uniform, 3);
  const std::vector<double> before = data;
  ForwardRealFFT(n, data);
  InverseRealFFT(n, data);
  for (std::size_t i = n; i < data.size(); ++i) EXPECT_EQ(std::memcmp(&data[i], &before[i], sizeof(double)), 0) << i;
}

// The tables of a length are built on its first use; several threads asking at once must all
// get the finished tables and the same result.
TEST(BitIdentity, ConcurrentFirstUseOfALength) {
  const std::int32_t n = 1 << 15;
  const std::vector<double> input = MakeData(n, TData::Uniform, 11);
  std::vector<double> want = input;
  literal::ForwardRealFFT(n, want.data());
  std::vector<std::vector<double>> results(4, input);
  std::vector<std::thread> threads;
  for (auto& r : results) threads.emplace_back([&r] { ForwardRealFFT(n, r); });
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_TRUE(SameBits(r, want));
}

TEST(FftArguments, LengthsOutsideTheDesignAreRefusedBeforeAnythingIsTouched) {
  std::vector<double> data(64, 1.0);
  for (std::int32_t n : {-8, 0, 1, 3, 12, 48}) {
    try {
      ForwardRealFFT(n, data);
      FAIL() << "n = " << n << " must be refused";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find(std::to_string(n)), std::string::npos) << e.Message();
    }
    EXPECT_THROW(InverseRealFFT(n, data), Exception);
  }
  EXPECT_EQ(data, std::vector<double>(64, 1.0));
  std::vector<double> shortData(100, 1.0);
  EXPECT_THROW(ForwardRealFFT(128, shortData), Exception);
  EXPECT_THROW(InverseRealFFT(128, shortData), Exception);
  EXPECT_EQ(shortData, std::vector<double>(100, 1.0));
}

}  // namespace
}  // namespace ombrisk
