// A ten-minute wave analysed whole, beside the bare forward transforms of its blocks (all of them,
// and only those that show): the difference is what reading, windowing, magnitudes and drawing cost.
// The run draws on a second thread (column_painter.h): its time is elapsed time, its CPU time the
// whole process's.
//
//   spectrogram_bench --benchmark_filter=N:1024
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "spectrogram/spectrogram_analysis.h"
#include "signal/wave_fft.h"
#include "signal/wave_header.h"
#include "toolkit/file_stream.h"

namespace {

constexpr std::size_t kSamples = 10 * 60 * 44100;

// A chirp with some noise, so the picture is not trivially white.
const std::vector<std::int16_t>& Samples() {
  static const std::vector<std::int16_t> samples = [] {
    std::vector<std::int16_t> s(kSamples);
    std::uint32_t noise = 12345;
    for (std::size_t t = 0; t < kSamples; ++t) {
      noise = noise * 1664525u + 1013904223u;
      const double seconds = static_cast<double>(t) / 44100.0;
      const double tone = 8000.0 * std::sin(2 * std::numbers::pi * (200.0 + 30.0 * seconds) * seconds);
      s[t] = static_cast<std::int16_t>(std::lrint(tone + static_cast<double>(noise >> 22) - 512.0));
    }
    return s;
  }();
  return samples;
}

class TWaveFile {
public:
  TWaveFile() : m_path((std::filesystem::temp_directory_path() / ("ombrisk-bench-" + std::to_string(::getpid()) + ".wav")).string()) {
    const std::vector<std::int16_t>& samples = Samples();
    ombrisk::TFileStream out(m_path, ombrisk::TFileMode::fmCreate);
    ombrisk::WriteWaveHeader(out, static_cast<std::uint32_t>(samples.size() * 2));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (const std::int16_t v : samples) {
      bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
    }
    out.WriteBuffer(bytes.data(), bytes.size());
    out.Close();
  }
  ~TWaveFile() { std::remove(m_path.c_str()); }
  const std::string& Path() const { return m_path; }

private:
  std::string m_path;
};

const TWaveFile& WaveFile() {
  static const TWaveFile file;
  return file;
}

void BM_Analysis(benchmark::State& state) {
  ombrisk::TSpectrogramSettings settings;
  settings.SampleSize = static_cast<std::int32_t>(state.range(0));
  const std::string& path = WaveFile().Path();
  ombrisk::TNullProgress progress;
  for (auto _ : state) {
    auto picture = ombrisk::AnalyzeWave(path, settings, progress);
    benchmark::DoNotOptimize(picture.get());
  }
}

// Transforms only (N bytes, N/2 samples, each padded to N) of every block of the file, or with
// `shownOnly` of the blocks that show: the run skips an even block that the next one paints over.
void BareTransforms(benchmark::State& state, bool shownOnly) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::vector<std::int16_t>& samples = Samples();
  const std::size_t half = static_cast<std::size_t>(n / 2);
  std::vector<double> data(static_cast<std::size_t>(n));
  for (auto _ : state) {
    std::size_t block = 0;
    for (std::size_t from = 0; from < samples.size(); from += half, ++block) {
      if (shownOnly && block % 2 == 0 && from + half < samples.size()) continue;
      const std::size_t count = std::min(half, samples.size() - from);
      for (std::size_t j = 0; j < count; ++j) data[j] = samples[from + j];
      std::fill(data.begin() + static_cast<std::ptrdiff_t>(count), data.end(), 0.0);
      ombrisk::ForwardRealFFT(n, data);
      benchmark::DoNotOptimize(data.data());
    }
  }
}

void BM_BareTransforms(benchmark::State& state) { BareTransforms(state, false); }
void BM_ShownTransforms(benchmark::State& state) { BareTransforms(state, true); }

}  // namespace

BENCHMARK(BM_Analysis)
    ->ArgName("N")
    ->Arg(1024)
    ->Arg(8192)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_BareTransforms)->ArgName("N")->Arg(1024)->Arg(8192)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ShownTransforms)->ArgName("N")->Arg(1024)->Arg(8192)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
