// Encoding a six-minute spectrogram (15504 × 512, drawn by our analysis from a generated wave) and
// a photograph-like picture (3000 × 2000) as PNG: our encoder beside libpng writing 8-bit grey at
// the same filter choice (both pick by the smallest sum of magnitudes), level and strategy, and
// our encoder on the 32-bit picture as colour, as the CLI used to write it. On a busy machine
// compare CPU times.
//
//   png_encode_bench --benchmark_repetitions=3 --benchmark_filter=Grey
//
// Arguments: picture (0 spectrogram, 1 photograph), filter (0 per row, 1 none), level, strategy.

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include "cli/image_output.h"
#include "picture/png/png_write_stream.h"
#include "spectrogram/spectrogram_analysis.h"
#include "signal/wave_header.h"
#include "toolkit/bitmap.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

constexpr std::size_t kSamples = 15504 * 1024;

// Speech-like harmonics on a slow glide, a sweep, clicks and a noise floor: a spectrogram with
// lines, texture and white space, as real recordings give.
void MakeWave(TMemoryStream& wave) {
  WriteWaveHeader(wave, static_cast<std::uint32_t>(kSamples * 2));
  std::vector<std::uint8_t> bytes(kSamples * 2);
  std::uint32_t noise = 12345;
  double phase = 0;
  for (std::size_t t = 0; t < kSamples; ++t) {
    noise = noise * 1664525u + 1013904223u;
    const double seconds = static_cast<double>(t) / 44100.0;
    const double pitch = 180.0 + 60.0 * std::sin(2 * std::numbers::pi * 0.2 * seconds);
    phase += 2 * std::numbers::pi * pitch / 44100.0;
    double v = 0;
    for (int h = 1; h <= 12; ++h) v += 1500.0 / h * std::sin(h * phase);
    v *= 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 1.3 * seconds);
    v += 2000.0 * std::sin(2 * std::numbers::pi * (500.0 + 50.0 * std::fmod(seconds, 60.0)) * seconds);
    if (t % 22050 < 40) v += 9000.0;
    v += static_cast<double>(static_cast<int>(noise >> 20) - 2048) * 0.4;
    const auto sample = static_cast<std::int16_t>(std::lrint(std::clamp(v, -32768.0, 32767.0)));
    bytes[2 * t] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) & 0xFF);
    bytes[2 * t + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8);
  }
  wave.WriteBuffer(bytes.data(), bytes.size());
  wave.SetPosition(0);
}

const TBitmap& Spectrogram32() {
  static const std::unique_ptr<TPixelBitmap> picture = [] {
    TMemoryStream wave;
    MakeWave(wave);
    TNullProgress progress;
    return AnalyzeWaveStream(wave, "bench.wav", TSpectrogramSettings{}, progress);
  }();
  return *picture;
}

// Smooth shading with fine noise, as a photograph's grey rows look.
TBitmap MakePhotograph() {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(3000, 2000);
  std::uint32_t seed = 999;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* const line = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      const double shade = 128 + 60 * std::sin(x / 170.0) * std::cos(y / 110.0) + 40 * std::sin((x + y) / 37.0);
      const auto v = static_cast<std::uint8_t>(std::clamp(shade + static_cast<int>(seed >> 29) - 4, 0.0, 255.0));
      line[4 * x] = line[4 * x + 1] = line[4 * x + 2] = v;
    }
  }
  return bitmap;
}

const TBitmap& Picture32(int which) {
  static const TBitmap photograph = MakePhotograph();
  return which == 0 ? Spectrogram32() : photograph;
}

const TBitmap& Grey8(int which) {
  // Both pictures are grey, so the CLI's conversion always gives a bitmap.
  static const TBitmap spectrogram = cli::GreyBitmapOf(Spectrogram32()).value();
  static const TBitmap photograph = cli::GreyBitmapOf(Picture32(1)).value();
  return which == 0 ? spectrogram : photograph;
}

void Report(benchmark::State& state, const TBitmap& picture, std::size_t fileBytes) {
  state.SetBytesProcessed(state.iterations() * picture.Width() * picture.Height());
  state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
}

TPngWriteSettings SettingsFor(const benchmark::State& state, bool grey) {
  TPngWriteSettings settings;
  settings.Grey = grey;
  settings.FilterMode = state.range(1) == 0 ? 0 : 1;
  settings.Level = static_cast<int>(state.range(2));
  settings.Strategy = static_cast<int>(state.range(3));
  return settings;
}

void EncodeWithOurs(benchmark::State& state, const TBitmap& picture, const TPngWriteSettings& settings) {
  std::size_t size = 0;
  for (auto _ : state) {
    TMemoryStream stream;
    TPngWriteStream(settings).WriteToStream(picture, stream);
    size = static_cast<std::size_t>(stream.Size());
  }
  Report(state, picture, size);
}

void OursGrey(benchmark::State& state) {
  EncodeWithOurs(state, Grey8(static_cast<int>(state.range(0))), SettingsFor(state, true));
}

// The 32-bit picture as colour, as the CLI wrote it before it wrote grey.
void OursColour(benchmark::State& state) {
  EncodeWithOurs(state, Picture32(static_cast<int>(state.range(0))), SettingsFor(state, false));
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* const out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void LibpngGrey(benchmark::State& state) {
  const TBitmap& picture = Grey8(static_cast<int>(state.range(0)));
  std::size_t size = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
      png_destroy_write_struct(&png, &info);
      state.SkipWithError("libpng failed");
      return;
    }
    png_set_write_fn(png, &out, AppendToVector, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.Width()), static_cast<png_uint_32>(picture.Height()), 8,
                 PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, state.range(1) == 0 ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
    png_set_compression_level(png, static_cast<int>(state.range(2)));
    png_set_compression_strategy(png, static_cast<int>(state.range(3)));
    png_set_compression_buffer_size(png, 32768);
    png_write_info(png, info);
    for (int y = 0; y < picture.Height(); ++y) png_write_row(png, picture.ScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    size = out.size();
  }
  Report(state, picture, size);
}

// The CLI's choice (a filter per row, run-length matching; the level does not matter with it),
// then zlib's default matching and level with and without per-row filters.
void GreyArguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"picture", "filter", "level", "strategy"});
  for (const int picture : {0, 1}) {
    b->Args({picture, 0, 1, 3});
    b->Args({picture, 0, -1, 0});
    b->Args({picture, 1, -1, 0});
  }
  b->Unit(benchmark::kMillisecond);
}

// What the CLI wrote before: colour, filter 0 on every row, zlib's default level.
void ColourArguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"picture", "filter", "level", "strategy"});
  for (const int picture : {0, 1}) b->Args({picture, 1, -1, 0});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(OursGrey)->Apply(GreyArguments);
BENCHMARK(LibpngGrey)->Apply(GreyArguments);
BENCHMARK(OursColour)->Apply(ColourArguments);

}  // namespace
}  // namespace ombrisk

BENCHMARK_MAIN();
