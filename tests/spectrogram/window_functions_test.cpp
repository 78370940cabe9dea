#include "spectrogram/window_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>

#include "tests/spectrogram/spectrogram_reference.h"

namespace ombrisk {
namespace {

struct TWeightCase {
  TWindowFunction Function;
  std::int32_t J;
  double Weight;
  double Tolerance;
};

std::ostream& operator<<(std::ostream& out, const TWeightCase& c) {
  for (int i = 0; i < kWindowFunctionCount; ++i) {
    if (WindowFunctionByIndex(i) == c.Function) out << kWindowFunctionNames[static_cast<std::size_t>(i)];
  }
  return out << " j=" << c.J;
}

class WindowWeightsAt128 : public ::testing::TestWithParam<TWeightCase> {};

TEST_P(WindowWeightsAt128, HasItsKnownValue) {
  const TWeightCase c = GetParam();
  EXPECT_NEAR(c.Function(128, c.J), c.Weight, c.Tolerance) << "j " << c.J;
}

INSTANTIATE_TEST_SUITE_P(
    Ends, WindowWeightsAt128,
    ::testing::Values(TWeightCase{HanningWindow, 0, 0.0, 1e-15}, TWeightCase{HanningWindow, 127, 0.0, 1e-15},
                      TWeightCase{HammingWindow, 0, 0.08, 1e-15}, TWeightCase{HammingWindow, 127, 0.08, 1e-15},
                      TWeightCase{BlackmanWindow, 0, 0.0, 1e-15}, TWeightCase{BlackmanWindow, 127, 0.0, 1e-15},
                      TWeightCase{GaussianWindow, 0, 0.000296, 0.0000005},
                      TWeightCase{GaussianWindow, 127, 0.00038, 0.000005},
                      TWeightCase{RectangularWindow, 0, 1.0, 0.0}, TWeightCase{RectangularWindow, 77, 1.0, 0.0},
                      TWeightCase{RectangularWindow, 127, 1.0, 0.0}));

TEST(WindowFunctions, GaussianPeaksExactlyAtTheHalfNotAtTheCentre) {
  for (const std::int32_t n : {128, 1024, 8192}) {
    EXPECT_EQ(GaussianWindow(n, n / 2), 1.0) << n;
    EXPECT_LT(GaussianWindow(n, n / 2 - 1), 1.0) << n;
    EXPECT_LT(GaussianWindow(n, n / 2 + 1), 1.0) << n;
    // Mirror image about n/2: j and n − j stand equally far from the peak.
    EXPECT_DOUBLE_EQ(GaussianWindow(n, n / 4), GaussianWindow(n, n - n / 4)) << n;
  }
}

TEST(WindowFunctions, EveryWeightMatchesTheTextbookFormAtEveryPosition) {
  // The Blackman window is computed about its centre; the reference uses the form about j = 0.
  for (const std::int32_t n : {128, 2048}) {
    for (int index = 0; index < kWindowFunctionCount; ++index) {
      const TWindowFunction w = WindowFunctionByIndex(index);
      for (std::int32_t j = 0; j < n; ++j) {
        ASSERT_NEAR(w(n, j), static_cast<double>(testing::ReferenceWeight(index, n, j)), 1e-15)
            << kWindowFunctionNames[static_cast<std::size_t>(index)] << " n " << n << " j " << j;
      }
    }
  }
}

}  // namespace
}  // namespace ombrisk
