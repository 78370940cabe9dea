// The whole synthesis run (pixel reads, rounding and the file write included) beside the bare
// inverse transforms it needs for the same columns; the run should take at most 1.2× as long.
// The smooth synthesis of the same picture, at the same length, should take at most 2× the run;
// bench/synthesis/smooth_numpy.py times the same method written plainly with numpy. Its stereo
// kind (third argument 1) should take at most 2.2× the mono one (0) of the same picture, its
// noise kind (2) at most 3×; bench/synthesis/colour_noise_quality.py measures how they sound.
// Times are elapsed times. The run shares its columns between two threads (column_pipeline.h), so
// its CPU column is the whole process's: set beside the transforms' it tells what the reads,
// rounding and writes cost in processor time.
//
// The wave goes to the temporary folder; TMPDIR=/dev/shm leaves the disk's flush out. On a shared
// machine the fastest of many short repetitions is the figure that other work disturbed least:
//   synthesis_bench --benchmark_repetitions=100 --benchmark_min_time=0.02
//                   --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "signal/wave_fft.h"
#include "synthesis/shaped_sound.h"
#include "synthesis/synthesis_run.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/bitmap.h"
#include "toolkit/progress.h"

namespace ombrisk {
namespace {

// A grey picture with some structure, as a loaded display picture would be.
TBitmap MakeDisplayPicture(int width, int height) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const auto grey = static_cast<std::uint8_t>((x * 7 + y * 3 + (x * y) % 97) % 256);
      std::memset(row + 3 * x, grey, 3);
    }
  }
  return picture;
}

std::string OutputPath() {
  return (std::filesystem::temp_directory_path() / ("ombrisk-synth-bench-" + std::to_string(::getpid()) + ".wav"))
      .string();
}

void BM_InverseTransforms(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const std::int32_t n = SamplesPerColumn(height);
  std::vector<double> spectrum(static_cast<std::size_t>(n));
  std::vector<double> column(static_cast<std::size_t>(n), 0.0);
  for (int k = 0; k < height; ++k) column[static_cast<std::size_t>(k)] = (k * 37) % 256;
  for (auto _ : state) {
    for (int x = 0; x < width; ++x) {
      std::copy(column.begin(), column.end(), spectrum.begin());
      InverseRealFFT(n, spectrum);
      benchmark::DoNotOptimize(spectrum.data());
    }
    benchmark::ClobberMemory();
  }
  state.counters["columns/s"] = benchmark::Counter(static_cast<double>(width), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Synthesis(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const TBitmap picture = MakeDisplayPicture(width, height);
  const std::string path = OutputPath();
  TNullProgress progress;
  for (auto _ : state) {
    RunSynthesis(picture, TSynthesisSettings{}, path, progress);
    // Every run writes a new file: replacing the last one would add the freeing of its pages.
    state.PauseTiming();
    std::filesystem::remove(path);
    state.ResumeTiming();
  }
  state.counters["columns/s"] = benchmark::Counter(static_cast<double>(width), benchmark::Counter::kIsIterationInvariantRate);
}

// Red and green differ, so that the two channels of a stereo run are not the same sound.
TBitmap MakeColourPicture(int width, int height) {
  TBitmap picture = MakeDisplayPicture(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < width; ++x) row[3 * x + 1] = static_cast<std::uint8_t>(255 - row[3 * x + 1]);
  }
  return picture;
}

// Third argument: 0 mono tones, 1 stereo tones, 2 mono noise, 3 stereo noise; all of one picture.
void BM_SmoothSynthesis(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const TBitmap picture = MakeColourPicture(width, height);
  const std::string path = OutputPath();
  TNullProgress progress;
  TShapedSound asDrawnLength;  // the literal run's length and band: the same samples
  asDrawnLength.Stereo = (state.range(2) & 1) != 0;
  asDrawnLength.Noise = (state.range(2) & 2) != 0;
  for (auto _ : state) {
    RunSmoothSynthesis(picture, TSynthesisSettings{}, asDrawnLength, path, progress);
    state.PauseTiming();
    std::filesystem::remove(path);
    state.ResumeTiming();
  }
  state.counters["columns/s"] = benchmark::Counter(static_cast<double>(width), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_InverseTransforms)->Args({1024, 1024})->Args({4096, 2048})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Synthesis)
    ->Args({1024, 1024})
    ->Args({4096, 2048})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_SmoothSynthesis)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 2})
    ->Args({1920, 1080, 3})
    ->Args({512, 512, 0})
    ->Args({512, 512, 1})
    ->Args({512, 512, 2})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
}  // namespace ombrisk

BENCHMARK_MAIN();
