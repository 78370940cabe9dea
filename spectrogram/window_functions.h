// The window functions that weight a block before its forward transform, and the table of them
// in the order of the preview window's list.
//
//   const TWindowFunction w = WindowFunctionByIndex(settings.WindowIndex);
//   const double weight = w(1024, j);   // 0 <= j <= 1023
//
// Each is worked in long double and returned as a double; n is the block length (at least 2).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ombrisk {

using TWindowFunction = double (*)(std::int32_t n, std::int32_t j);

double HanningWindow(std::int32_t n, std::int32_t j);
double HammingWindow(std::int32_t n, std::int32_t j);
double BlackmanWindow(std::int32_t n, std::int32_t j);
double RectangularWindow(std::int32_t n, std::int32_t j);
// Peaks at j = n/2, not at the centre (n - 1)/2: the half-sample shift is part of the formula.
double GaussianWindow(std::int32_t n, std::int32_t j);

inline constexpr int kWindowFunctionCount = 5;
// The list's item texts, index for index ("Rectangler" is spelt as the list spells it).
inline constexpr std::array<std::string_view, kWindowFunctionCount> kWindowFunctionNames = {
    "Hanning", "Hamming", "Blackman", "Rectangler", "Gaussian"};

// Raises EInvalidSettings (spectrogram_analysis.h) outside 0 … kWindowFunctionCount − 1.
TWindowFunction WindowFunctionByIndex(int index);

}  // namespace ombrisk
