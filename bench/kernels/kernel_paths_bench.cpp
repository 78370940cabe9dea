// Every kernel with several instruction-set paths, on each path this processor runs, so that a
// path is kept only where it beats the one below it. The transforms' paths are in signal_bench.
// The machine these ran on is shared: compare the fastest of many interleaved runs.
//
//   kernel_paths_bench --benchmark_repetitions=30 --benchmark_min_time=0.05
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "picture/grey_conversion.h"
#include "picture/grey_kernels.h"
#include "spectrogram/column_tile.h"
#include "spectrogram/level_kernels.h"
#include "synthesis/column_reader.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/instruction_sets.h"
#include "toolkit/pixel_bitmap.h"

namespace {

using namespace ombrisk;

std::vector<std::uint8_t> RandomBytes(std::size_t count) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::uint8_t> v(count);
  for (auto& b : v) b = static_cast<std::uint8_t>(byte(random));
  return v;
}

// A 4096-pixel colour row to grey, 256 rows a round.
void GreyRows(benchmark::State& state) {
  constexpr std::size_t kWidth = 4096;
  const std::vector<std::uint8_t> colours = RandomBytes(kWidth * 3 * 256);
  std::vector<std::uint8_t> greys(colours.size());
  for (auto _ : state) {
    for (std::size_t y = 0; y < 256; ++y) ConvertRowToGrey(colours.data() + y * kWidth * 3, greys.data() + y * kWidth * 3, kWidth);
    benchmark::DoNotOptimize(greys.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kWidth * 256);
}

// Every column of a 1024 × 512 picture at 24 bits, flipped left to right.
void ColumnSums(benchmark::State& state) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(1024, 512);
  const std::vector<std::uint8_t> bytes = RandomBytes(1024 * 3);
  for (int y = 0; y < 512; ++y) std::copy(bytes.begin(), bytes.end(), picture.ScanLine(y));
  for (auto _ : state) {
    TColumnReader reader(picture, true, false);
    for (int x = 0; x < 1024; ++x) benchmark::DoNotOptimize(reader.Sums(x).data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1024 * 512);
}

// 64 Ki transform outputs, mostly within the 16-bit range, to samples.
void SampleRounding(benchmark::State& state) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> value(-7000.0, 7000.0);
  std::vector<double> output(65536);
  for (double& v : output) v = value(random);
  std::vector<std::int16_t> samples(output.size());
  for (auto _ : state) {
    ScaleSamples(output, samples);
    benchmark::DoNotOptimize(samples.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 65536);
}

// The linear levels of a 4096-value packed spectrum.
void LinearLevelBins(benchmark::State& state) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> value(-300000.0, 300000.0);
  std::vector<double> transform(4096);
  for (double& v : transform) v = value(random);
  std::vector<std::uint8_t> levels(2048);
  std::vector<std::uint8_t> undecided(2048);
  for (auto _ : state) {
    benchmark::DoNotOptimize(LinearLevels(transform, 0.0007, levels, undecided));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 2048);
}

// 1024 columns of 512 greys gathered and written into a 32-bit picture.
void ColumnTiles(benchmark::State& state) {
  TPixelBitmap picture;
  picture.SetWidth(1024);
  picture.SetHeight(512);
  const std::vector<std::uint8_t> greys = RandomBytes(512);
  for (auto _ : state) {
    TColumnTile tile(512);
    for (int x = 0; x < 1024; ++x) std::copy(greys.begin(), greys.end(), tile.Column(x, picture));
    tile.Flush(picture);
    benchmark::DoNotOptimize(picture.ScanLine(0));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1024 * 512);
}

void Register(TKernelPaths& kernel, const char* name, void (*run)(benchmark::State&)) {
  for (const TInstructionSet path : kernel.Built()) {
    if (!ProcessorRuns(path)) continue;
    benchmark::RegisterBenchmark((std::string(name) + "/" + InstructionSetName(path)).c_str(),
                                 [&kernel, path, run](benchmark::State& state) {
                                   const TForcedKernelPath forced(kernel, path);
                                   run(state);
                                 })
        ->Unit(benchmark::kMicrosecond)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register(grey::GreyRowPaths(), "grey_rows", GreyRows);
  Register(ColumnSumPaths(), "column_sums", ColumnSums);
  Register(SampleRoundingPaths(), "sample_rounding", SampleRounding);
  Register(LinearLevelPaths(), "linear_levels", LinearLevelBins);
  Register(ColumnTilePaths(), "column_tiles", ColumnTiles);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
