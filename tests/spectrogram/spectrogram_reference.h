// Test helpers: hand-built wave files, and a slow reference spectrogram column worked out by a
// direct long-double sum of cosines and sines, without the library's transform or window table.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "spectrogram/spectrogram_analysis.h"
#include "toolkit/pixel_bitmap.h"

namespace ombrisk::testing {

using Samples = std::vector<std::int16_t>;
using Bytes = std::vector<std::uint8_t>;

inline void PutLe(Bytes& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A 16-bit mono header announcing dataBytes, then the samples as they are.
inline Bytes WaveBytes(std::uint32_t dataBytes, const Samples& samples) {
  Bytes bytes(44, 0);
  const char* ids = "RIFF....WAVEfmt ";
  for (int i = 0; i < 16; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ids[i]);
  PutLe(bytes, 4, 36 + dataBytes, 4);
  PutLe(bytes, 16, 16, 4);
  PutLe(bytes, 20, 1, 2);
  PutLe(bytes, 22, 1, 2);
  PutLe(bytes, 24, 44100, 4);
  PutLe(bytes, 28, 88200, 4);
  PutLe(bytes, 32, 2, 2);
  PutLe(bytes, 34, 16, 2);
  for (int i = 0; i < 4; ++i) bytes[36 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>("data"[i]);
  PutLe(bytes, 40, dataBytes, 4);
  for (const std::int16_t s : samples) {
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
  }
  return bytes;
}

inline Bytes WaveBytes(const Samples& samples) {
  return WaveBytes(static_cast<std::uint32_t>(samples.size() * 2), samples);
}

// A file in the temporary folder, named after the running test, removed at the end.
class TTempFile {
public:
  explicit TTempFile(const std::string& suffix = ".wav") {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("ombrisk-preview-") + std::to_string(::getpid()) + "-" + info->name() + suffix;
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    m_path = (std::filesystem::temp_directory_path() / name).string();
  }
  explicit TTempFile(const Bytes& bytes) : TTempFile() { Write(bytes); }
  ~TTempFile() { std::filesystem::remove(m_path); }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  void Write(const Bytes& bytes) const {
    std::ofstream(m_path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const std::string& Path() const { return m_path; }

private:
  std::string m_path;
};

inline long double ReferenceWeight(int window, std::int32_t n, std::int32_t j) {
  constexpr long double kPi = std::numbers::pi_v<long double>;
  const long double span = n - 1;
  const long double phase = 2 * kPi * j / span;
  switch (window) {
    case 0: return 0.5L - 0.5L * std::cos(phase);
    case 1: return 0.54L - 0.46L * std::cos(phase);
    case 2: return 0.42L - 0.5L * std::cos(phase) + 0.08L * std::cos(2 * phase);
    case 4: {
      const long double d = j - 0.5L - span / 2;
      return std::exp(-32 * d * d / (span * span));
    }
    default: return 1;
  }
}

// The row of bin k counted from the bottom, or -1 for a bin that draws nothing.
inline int ReferenceRowFromBottom(std::int32_t n, std::int32_t k, bool logFrequency) {
  if (!logFrequency) return k;
  if (k == 0) return -1;
  const long double top = n / 2 - 1;
  return static_cast<int>(std::nearbyint(top * std::log10(static_cast<long double>(k)) / std::log10(top)));
}

// Expected pixel of every row, top row first, for one block: block holds the block's samples
// (at most N/2, the rest of the N positions silent). Rows no bin reaches are 0 (the black fill).
inline std::vector<int> ReferenceColumn(const Samples& block, const TSpectrogramSettings& s) {
  const std::int32_t n = s.SampleSize;
  const std::int32_t h = n / 2;
  std::vector<long double> cosines(static_cast<std::size_t>(n));
  std::vector<long double> sines(static_cast<std::size_t>(n));
  for (std::int32_t i = 0; i < n; ++i) {
    const long double a = 2 * std::numbers::pi_v<long double> * i / n;
    cosines[static_cast<std::size_t>(i)] = std::cos(a);
    sines[static_cast<std::size_t>(i)] = std::sin(a);
  }
  std::vector<long double> weighted(block.size());
  for (std::size_t t = 0; t < block.size(); ++t) {
    weighted[t] = ReferenceWeight(s.WindowIndex, n, static_cast<std::int32_t>(t)) * block[t];
  }
  const long double factor = s.BrightnessPosition * 0.001L / s.BrightnessMax;
  std::vector<int> column(static_cast<std::size_t>(h), 0);
  for (std::int32_t k = 0; k < h; ++k) {
    long double c = 0;
    long double si = 0;
    for (std::size_t t = 0; t < weighted.size(); ++t) {
      const std::size_t at = (static_cast<std::size_t>(k) * t) % static_cast<std::size_t>(n);
      c += weighted[t] * cosines[at];
      si += weighted[t] * sines[at];
    }
    const long double m = std::sqrt(c * c + si * si) * factor;
    long double level = 0;
    if (!s.LogVoltage) level = std::nearbyint(m);
    else if (m > 0) level = std::nearbyint(20 * std::log10(m / 4));
    int v = 255 - static_cast<int>(std::clamp(level, 0.0L, 255.0L));
    if (s.InvertBrightness) v = 255 - v;
    const int row = ReferenceRowFromBottom(n, k, s.LogFrequency);
    if (row >= 0) column[static_cast<std::size_t>(h - 1 - row)] = v;
  }
  return column;
}

// The samples of block b: b·N/2 onward, at most N/2 of them.
inline Samples BlockOf(const Samples& samples, std::size_t b, std::int32_t n) {
  const std::size_t from = b * static_cast<std::size_t>(n / 2);
  if (from >= samples.size()) return {};
  const std::size_t to = std::min(samples.size(), from + static_cast<std::size_t>(n / 2));
  return Samples(samples.begin() + static_cast<std::ptrdiff_t>(from), samples.begin() + static_cast<std::ptrdiff_t>(to));
}

// The grey of every pixel of column x, top first; fails the test if a pixel is not grey or its
// fourth byte is not 0.
inline std::vector<int> ColumnOf(const TPixelBitmap& picture, int x) {
  std::vector<int> column;
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* pixel = picture.ScanLine(y) + 4 * x;
    EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2] && pixel[3] == 0) << "x " << x << " y " << y;
    column.push_back(pixel[0]);
  }
  return column;
}

// Equal within one grey level: the reference sums in another order, so a magnitude lying on a
// rounding boundary may land on the neighbouring level. Returns the count of exact matches.
inline int ExpectColumnNear(const std::vector<int>& actual, const std::vector<int>& expected, const std::string& what) {
  EXPECT_EQ(actual.size(), expected.size()) << what;
  int exact = 0;
  for (std::size_t y = 0; y < std::min(actual.size(), expected.size()); ++y) {
    EXPECT_NEAR(actual[y], expected[y], 1) << what << " row " << y;
    if (actual[y] == expected[y]) ++exact;
  }
  return exact;
}

}  // namespace ombrisk::testing
