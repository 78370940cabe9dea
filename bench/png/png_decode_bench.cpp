// Decoding a 4096 × 4096 colour PNG, plain and interlaced, with our decoder and with libpng (to
// 8-bit RGB). The files are made at start-up by our encoder with the adaptive row filter.
//
//   png_bench --benchmark_repetitions=5

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "picture/png/png_read_stream.h"
#include "picture/png/png_write_stream.h"
#include "tests/png/libpng_reference.h"
#include "toolkit/bitmap.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

constexpr int kSide = 4096;

// Smooth gradients with a little noise: photograph-like rows that the filters do work on.
TBitmap MakePicture() {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(kSide, kSide);
  std::uint32_t seed = 12345;
  for (int y = 0; y < kSide; ++y) {
    std::uint8_t* line = bitmap.ScanLine(y);
    for (int x = 0; x < kSide; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 28) - 8;
      line[3 * x] = static_cast<std::uint8_t>((x / 16 + noise) & 0xFF);
      line[3 * x + 1] = static_cast<std::uint8_t>((y / 16 + noise / 2) & 0xFF);
      line[3 * x + 2] = static_cast<std::uint8_t>(((x + y) / 32 + noise) & 0xFF);
    }
  }
  return bitmap;
}

const std::vector<std::uint8_t>& File(bool interlaced) {
  static const auto make = [](bool adam7) {
    TMemoryStream stream;
    TPngWriteSettings settings;
    settings.FilterMode = 0;
    settings.Interlaced = adam7;
    TPngWriteStream(settings).WriteToStream(MakePicture(), stream);
    return std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
  };
  static const auto plain = make(false);
  static const auto adam7 = make(true);
  return interlaced ? adam7 : plain;
}

void OurDecoder(benchmark::State& state) {
  const bool interlaced = state.range(0) != 0;
  TMemoryStream source;
  source.WriteBuffer(File(interlaced).data(), File(interlaced).size());
  for (auto _ : state) {
    TBitmap bitmap;
    source.SetPosition(0);
    TPngReadStream reader;
    reader.ReadFromStream(bitmap, source, 0);
    benchmark::DoNotOptimize(bitmap.ScanLine(kSide - 1));
  }
  state.SetBytesProcessed(state.iterations() * kSide * kSide * 3);
  state.counters["file_MB"] = static_cast<double>(source.Size()) / 1e6;
}

void Libpng(benchmark::State& state) {
  const bool interlaced = state.range(0) != 0;
  const std::vector<std::uint8_t>& bytes = File(interlaced);
  for (auto _ : state) {
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    int width = 0;
    int height = 0;
    if (!testing::ReadWithLibpng(bytes, width, height, rows, pixels, 3)) state.SkipWithError("libpng failed");
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * kSide * kSide * 3);
}

BENCHMARK(OurDecoder)->Arg(0)->Arg(1)->ArgName("interlaced")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Libpng)->Arg(0)->Arg(1)->ArgName("interlaced")->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace ombrisk

BENCHMARK_MAIN();
