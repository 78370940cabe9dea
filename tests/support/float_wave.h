// Test helper: a 32-bit float wave file of any rate and channel count, so that levels in dBFS are
// exact (no 16-bit rounding), and sounds made of tones, bursts and noise to put in it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace ombrisk::testing {

// interleaved holds frames × channels samples.
inline void WriteFloatWave(const std::string& path, std::int32_t rate, std::int32_t channels,
                           const std::vector<float>& interleaved) {
  std::vector<std::uint8_t> bytes;
  const auto put = [&](std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  const auto text = [&](const char* id) { bytes.insert(bytes.end(), id, id + 4); };
  const auto dataBytes = static_cast<std::uint32_t>(interleaved.size() * 4);
  text("RIFF");
  put(36 + dataBytes, 4);
  text("WAVE");
  text("fmt ");
  put(16, 4);
  put(3, 2);  // IEEE float
  put(static_cast<std::uint32_t>(channels), 2);
  put(static_cast<std::uint32_t>(rate), 4);
  put(static_cast<std::uint32_t>(rate * channels * 4), 4);
  put(static_cast<std::uint32_t>(channels * 4), 2);
  put(32, 2);
  text("data");
  put(dataBytes, 4);
  for (const float s : interleaved) {
    std::uint32_t word = 0;
    std::memcpy(&word, &s, 4);
    put(word, 4);
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// amplitude × sin(2π f t) from fromSeconds to toSeconds, added to samples (one channel at rate).
inline void AddTone(std::vector<float>& samples, std::int32_t rate, double hz, double amplitude, double fromSeconds,
                    double toSeconds) {
  const auto first = static_cast<std::size_t>(std::max(0.0, fromSeconds * rate));
  const auto last = std::min(samples.size(), static_cast<std::size_t>(toSeconds * rate));
  for (std::size_t i = first; i < last; ++i) {
    samples[i] += static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate));
  }
}

inline void AddNoise(std::vector<float>& samples, double deviation, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, deviation);
  for (float& s : samples) s += static_cast<float>(noise(random));
}

}  // namespace ombrisk::testing
