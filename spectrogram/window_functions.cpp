#include "spectrogram/window_functions.h"

#include <cmath>
#include <numbers>
#include <string>

#include "spectrogram/spectrogram_geometry.h"

namespace ombrisk {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

// 2πj ÷ (n − 1), the phase every cosine window is built on.
long double Phase(std::int32_t n, std::int32_t j) {
  return 2.0L * kPi * static_cast<long double>(j) / static_cast<long double>(n - 1);
}

}  // namespace

double HanningWindow(std::int32_t n, std::int32_t j) {
  return static_cast<double>(0.5L - 0.5L * std::cos(Phase(n, j)));
}

double HammingWindow(std::int32_t n, std::int32_t j) {
  return static_cast<double>(0.54L - 0.46L * std::cos(Phase(n, j)));
}

double BlackmanWindow(std::int32_t n, std::int32_t j) {
  // Written about the centre, hence the plus before the first cosine.
  const long double centre = static_cast<long double>(n - 1) / 2.0L;
  const long double span = static_cast<long double>(n - 1);
  const long double offset = static_cast<long double>(j) - centre;
  return static_cast<double>(0.42L + 0.5L * std::cos(2.0L * kPi * offset / span) +
                             0.08L * std::cos(4.0L * kPi * offset / span));
}

double RectangularWindow(std::int32_t, std::int32_t) { return 1.0; }

double GaussianWindow(std::int32_t n, std::int32_t j) {
  const long double span = static_cast<long double>(n - 1);
  const long double offset = static_cast<long double>(j) - 0.5L - span / 2.0L;
  return static_cast<double>(std::exp(-32.0L * offset * offset / (span * span)));
}

TWindowFunction WindowFunctionByIndex(int index) {
  static constexpr std::array<TWindowFunction, kWindowFunctionCount> kFunctions = {
      HanningWindow, HammingWindow, BlackmanWindow, RectangularWindow, GaussianWindow};
  if (index < 0 || index >= kWindowFunctionCount) {
    throw EInvalidSettings("window function index " + std::to_string(index) + " is not one of 0 to " +
                           std::to_string(kWindowFunctionCount - 1));
  }
  return kFunctions[static_cast<std::size_t>(index)];
}

}  // namespace ombrisk
