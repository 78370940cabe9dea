#include "synthesis/scaled_samples.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "synthesis/sample_writer.h"

namespace ombrisk {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;
constexpr float kRoundingShift = 12582912.0f;  // 1.5 × 2^23
// Below this many samples a second thread costs more than it saves.
constexpr std::size_t kSharedSamples = std::size_t{1} << 18;

using TChunk = std::vector<std::int16_t>;

void Round(const float* in, std::size_t count, double scale, std::int16_t* out) {
  const auto factor = static_cast<float>(scale);
  for (std::size_t i = 0; i < count; ++i) {
    // Adding and taking away 1.5 × 2^23 rounds to the nearest whole number, halves to even, and
    // runs on vectors (exact below 2^22). Every sample is at most the peak, so the scaled ones
    // stay below 32767; the clamp only guards the arithmetic.
    const float whole = (in[i] * factor + kRoundingShift) - kRoundingShift;
    out[i] = static_cast<std::int16_t>(std::clamp(static_cast<std::int32_t>(whole), -32767, 32767));
  }
}

// Frames of count left and right samples, rounded, interleaved left first.
void RoundFrames(const float* left, const float* right, std::size_t count, double scale, std::int16_t* frames) {
  std::int16_t l[256];
  std::int16_t r[256];
  for (std::size_t from = 0; from < count; from += 256) {
    const std::size_t n = std::min<std::size_t>(256, count - from);
    Round(left + from, n, scale, l);
    Round(right + from, n, scale, r);
    for (std::size_t i = 0; i < n; ++i) {
      frames[2 * (from + i)] = l[i];
      frames[2 * (from + i) + 1] = r[i];
    }
  }
}

void RoundAndWrite(TStream& file, std::span<const float> sound, double scale) {
  TChunk chunk(kChunk);
  for (std::size_t from = 0; from < sound.size(); from += kChunk) {
    const std::size_t count = std::min(kChunk, sound.size() - from);
    Round(sound.data() + from, count, scale, chunk.data());
    WriteSamples(file, {chunk.data(), count});
  }
}

// The samples of part, rounded, packed from the start of its storage: chunk k goes to bytes
// 2k·C … of the storage, which held floats already rounded. Bytes are moved by memcpy only.
void PackInPlace(std::span<float> part, double scale) {
  TChunk chunk(kChunk);
  auto* const bytes = reinterpret_cast<unsigned char*>(part.data());
  for (std::size_t from = 0; from < part.size(); from += kChunk) {
    const std::size_t count = std::min(kChunk, part.size() - from);
    Round(part.data() + from, count, scale, chunk.data());
    std::memcpy(bytes + 2 * from, chunk.data(), 2 * count);
  }
}

void WritePacked(TStream& file, std::span<const float> part) {
  TChunk chunk(kChunk);
  const auto* const bytes = reinterpret_cast<const unsigned char*>(part.data());
  for (std::size_t from = 0; from < part.size(); from += kChunk) {
    const std::size_t count = std::min(kChunk, part.size() - from);
    std::memcpy(chunk.data(), bytes + 2 * from, 2 * count);
    WriteSamples(file, {chunk.data(), count});
  }
}

}  // namespace

void WriteScaledSamples(TStream& file, std::span<float> sound, double scale, const TThreadStarter& startThread) {
  std::thread helper;
  const std::size_t middle = sound.size() / 2;
  const std::span<float> second = sound.subspan(middle);
  if (sound.size() >= kSharedSamples && UsableProcessors() > 1) {
    try {
      helper = startThread([second, scale] { PackInPlace(second, scale); });
    } catch (const std::system_error&) {
      // No thread to be had: this one does it all.
    }
  }
  if (!helper.joinable()) {
    RoundAndWrite(file, sound, scale);
    return;
  }
  // The helper only rounds and moves bytes; it is waited for on every way out.
  struct TJoin {
    std::thread& thread;
    ~TJoin() { if (thread.joinable()) thread.join(); }
  } join{helper};
  RoundAndWrite(file, sound.first(middle), scale);
  helper.join();
  WritePacked(file, second);
}

void WriteScaledFrames(TStream& file, std::span<float> left, std::span<const float> right, double scale,
                       const TThreadStarter& startThread) {
  const std::size_t count = std::min(left.size(), right.size());
  const std::size_t middle = count / 2;
  std::thread helper;
  if (count >= kSharedSamples && UsableProcessors() > 1) {
    try {
      // A frame is as wide as a float: the second half's frames are packed over its left floats.
      helper = startThread([left, right, middle, count, scale] {
        TChunk frames(2 * kChunk);
        auto* const bytes = reinterpret_cast<unsigned char*>(left.data());
        for (std::size_t from = middle; from < count; from += kChunk) {
          const std::size_t n = std::min(kChunk, count - from);
          RoundFrames(left.data() + from, right.data() + from, n, scale, frames.data());
          std::memcpy(bytes + 4 * from, frames.data(), 4 * n);
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: this one does it all.
    }
  }
  struct TJoin {
    std::thread& thread;
    ~TJoin() { if (thread.joinable()) thread.join(); }
  } join{helper};
  const std::size_t own = helper.joinable() ? middle : count;
  TChunk frames(2 * kChunk);
  for (std::size_t from = 0; from < own; from += kChunk) {
    const std::size_t n = std::min(kChunk, own - from);
    RoundFrames(left.data() + from, right.data() + from, n, scale, frames.data());
    WriteSamples(file, {frames.data(), 2 * n});
  }
  if (!helper.joinable()) return;
  helper.join();
  const auto* const bytes = reinterpret_cast<const unsigned char*>(left.data());
  for (std::size_t from = middle; from < count; from += kChunk) {
    const std::size_t n = std::min(kChunk, count - from);
    std::memcpy(frames.data(), bytes + 4 * from, 4 * n);
    WriteSamples(file, {frames.data(), 2 * n});
  }
}

}  // namespace ombrisk
