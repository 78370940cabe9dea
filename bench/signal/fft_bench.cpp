// Both transforms on every instruction-set path for n = 128 … 8192, beside FFTW's halfcomplex
// r2r transforms (R2HC, HC2R) and its real/complex ones (r2c, c2r), all planned with
// FFTW_MEASURE, in place where FFTW allows it.
//
//   signal_bench --benchmark_filter='/1024$'
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "signal/fft_paths.h"
#include "signal/wave_fft.h"

#if OMBRISK_BENCH_FFTW
#include <fftw3.h>
#endif

namespace {

using ombrisk::fft_detail::TFftPath;

std::vector<double> RandomValues(std::size_t n) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> v(n);
  for (double& x : v) x = unit(random);
  return v;
}

// Each iteration transforms a fresh copy, so values stay bounded and timing includes the same
// copy for every contender.
template <class Transform>
void Run(benchmark::State& state, double* data, std::size_t count, Transform transform) {
  const std::vector<double> input = RandomValues(count);
  for (auto _ : state) {
    std::copy(input.begin(), input.end(), data);
    transform();
    benchmark::DoNotOptimize(data);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(state.range(0)));
}

void Ombrisk(benchmark::State& state, TFftPath path, bool inverse) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  std::vector<double> data(static_cast<std::size_t>(n));
  // The first call builds the tables of n; keep it out of the timing.
  ombrisk::fft_detail::ForwardRealFFTOn(path, n, data);
  Run(state, data.data(), data.size(), [&] {
    if (inverse) {
      ombrisk::fft_detail::InverseRealFFTOn(path, n, data);
    } else {
      ombrisk::fft_detail::ForwardRealFFTOn(path, n, data);
    }
  });
}

#if OMBRISK_BENCH_FFTW
enum class TFftwKind { R2HC, HC2R, R2C, C2R };

void Fftw(benchmark::State& state, TFftwKind kind) {
  const auto n = static_cast<int>(state.range(0));
  // r2c / c2r in place need n + 2 doubles (n/2 + 1 complex values).
  const std::size_t count = static_cast<std::size_t>(n) + 2;
  double* data = fftw_alloc_real(count);
  fftw_plan plan = nullptr;
  switch (kind) {
    case TFftwKind::R2HC: plan = fftw_plan_r2r_1d(n, data, data, FFTW_R2HC, FFTW_MEASURE); break;
    case TFftwKind::HC2R: plan = fftw_plan_r2r_1d(n, data, data, FFTW_HC2R, FFTW_MEASURE); break;
    case TFftwKind::R2C:
      plan = fftw_plan_dft_r2c_1d(n, data, reinterpret_cast<fftw_complex*>(data), FFTW_MEASURE);
      break;
    case TFftwKind::C2R:
      plan = fftw_plan_dft_c2r_1d(n, reinterpret_cast<fftw_complex*>(data), data, FFTW_MEASURE);
      break;
  }
  const std::size_t used = kind == TFftwKind::R2HC || kind == TFftwKind::HC2R ? static_cast<std::size_t>(n) : count;
  Run(state, data, used, [&] { fftw_execute(plan); });
  fftw_destroy_plan(plan);
  fftw_free(data);
}
#endif

// The least time of the repetitions: on a shared machine other work only ever adds time.
double Least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void Lengths(benchmark::internal::Benchmark* b) {
  b->RangeMultiplier(2)->Range(128, 8192)->ComputeStatistics("min", Least);
}

void Register() {
  for (const TFftPath path : ombrisk::fft_detail::AvailableFftPaths()) {
    const std::string name = ombrisk::InstructionSetName(path);
    benchmark::RegisterBenchmark(("Forward/" + name).c_str(), Ombrisk, path, false)->Apply(Lengths);
    benchmark::RegisterBenchmark(("Inverse/" + name).c_str(), Ombrisk, path, true)->Apply(Lengths);
  }
#if OMBRISK_BENCH_FFTW
  benchmark::RegisterBenchmark("FFTW/r2hc", Fftw, TFftwKind::R2HC)->Apply(Lengths);
  benchmark::RegisterBenchmark("FFTW/hc2r", Fftw, TFftwKind::HC2R)->Apply(Lengths);
  benchmark::RegisterBenchmark("FFTW/r2c", Fftw, TFftwKind::R2C)->Apply(Lengths);
  benchmark::RegisterBenchmark("FFTW/c2r", Fftw, TFftwKind::C2R)->Apply(Lengths);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
