// Loading a 12-megapixel colour JPEG into the grey display picture, beside libjpeg decoding the
// same file to memory the way djpeg does (same settings, its stdio source, RGB rows into a buffer
// taken the way our bitmaps take theirs), and the grey conversion of the decoded picture on its own.
//
//   picture_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "picture/grey_conversion.h"
#include "picture/jpeg_image.h"
#include "picture/load_picture.h"
#include "toolkit/bitmap.h"
#include "toolkit/pixel_store.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// The small test photograph decoded to RGB.
std::vector<std::uint8_t> DecodeSmall(const fs::path& path, int& width, int& height) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot open " + path.string());
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width);
  height = static_cast<int>(info.output_height);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.output_scanline) * static_cast<std::size_t>(width) * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return rgb;
}

// A 12-megapixel photograph-like JPEG: the test photograph scaled up bilinearly, with grain so
// that the entropy decoder has real work, compressed at quality 90 with 4:2:0 chroma.
class BigJpeg {
public:
  BigJpeg() : m_path((fs::temp_directory_path() / ("ombrisk-bench-" + std::to_string(::getpid()) + ".jpg")).string()) {
    int w = 0;
    int h = 0;
    const std::vector<std::uint8_t> small = DecodeSmall(fs::path(OMBRISK_TESTDATA_DIR) / "jpeg" / "testorig.jpg", w, h);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(kWidth) * 3);
    std::FILE* file = std::fopen(m_path.c_str(), "wb");
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::uint32_t noise = 2463534242u;
    for (int y = 0; y < kHeight; ++y) {
      const double sy = (y + 0.5) * h / kHeight - 0.5;
      const int y0 = std::max(0, static_cast<int>(sy));
      const int y1 = std::min(h - 1, y0 + 1);
      const double fy = std::clamp(sy - y0, 0.0, 1.0);
      for (int x = 0; x < kWidth; ++x) {
        const double sx = (x + 0.5) * w / kWidth - 0.5;
        const int x0 = std::max(0, static_cast<int>(sx));
        const int x1 = std::min(w - 1, x0 + 1);
        const double fx = std::clamp(sx - x0, 0.0, 1.0);
        for (int c = 0; c < 3; ++c) {
          const auto at = [&](int px, int py) { return small[(static_cast<std::size_t>(py) * w + px) * 3 + c]; };
          const double v = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) + (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
          noise ^= noise << 13;
          noise ^= noise >> 17;
          noise ^= noise << 5;
          const double grain = static_cast<double>(noise % 17) - 8.0;
          row[static_cast<std::size_t>(x) * 3 + c] = static_cast<std::uint8_t>(std::clamp(v + grain, 0.0, 255.0));
        }
      }
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
  }
  ~BigJpeg() { std::remove(m_path.c_str()); }

  const std::string& Path() const { return m_path; }

private:
  std::string m_path;
};

const BigJpeg& Jpeg() {
  static const BigJpeg jpeg;
  return jpeg;
}

// djpeg's decoding: the file through libjpeg's stdio source, default (accurate) settings, RGB rows
// into a buffer allocated for the run. The buffer is a TPixelStore, as a bitmap's pixels are: fresh
// pages from the system, already zero and offered as large pages. A zero-filled std::vector would
// spend half the decode's time clearing 36 MB and faulting in its small pages, which our path never
// pays, and the ratio would flatter our path.
void BM_DjpegDecodeToMemory(benchmark::State& state) {
  const std::string& path = Jpeg().Path();
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * 3;
    ombrisk::TPixelStore pixels(stride * info.output_height);
    std::vector<JSAMPROW> rows(info.output_height);
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * stride;
    while (info.output_scanline < info.output_height) {
      jpeg_read_scanlines(&info, rows.data() + info.output_scanline, info.output_height - info.output_scanline);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["megapixels"] = kWidth * kHeight / 1e6;
}
BENCHMARK(BM_DjpegDecodeToMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole load: registry lookup, file copy, header, decode into a 24-bit bitmap, the grey pass
// into the display picture.
void BM_LoadPictureGrey(benchmark::State& state) {
  ombrisk::RegisterPictureFormats(24);
  const std::string& path = Jpeg().Path();
  ombrisk::TBitmap display;
  for (auto _ : state) {
    ombrisk::LoadPicture(path, display);
    benchmark::DoNotOptimize(display.ScanLine(0));
  }
}
BENCHMARK(BM_LoadPictureGrey)->Unit(benchmark::kMillisecond)->UseRealTime();

// The load without the grey conversion: file copy, header and decode into a bitmap.
void BM_JpegIntoBitmap(benchmark::State& state) {
  const std::string& path = Jpeg().Path();
  for (auto _ : state) {
    ombrisk::TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    ombrisk::TBitmap bitmap;
    bitmap.Assign(jpeg);
    benchmark::DoNotOptimize(bitmap.ScanLine(0));
  }
}
BENCHMARK(BM_JpegIntoBitmap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The grey conversion alone, on the decoded colours (restored outside the timing each round).
void BM_GreyConversion(benchmark::State& state) {
  ombrisk::TJPEGImage jpeg;
  jpeg.LoadFromFile(Jpeg().Path());
  ombrisk::TBitmap colour;
  colour.Assign(jpeg);
  ombrisk::TBitmap work;
  for (auto _ : state) {
    state.PauseTiming();
    work.Assign(colour);
    state.ResumeTiming();
    ombrisk::ConvertToGrey(work);
    benchmark::DoNotOptimize(work.ScanLine(0));
  }
}
BENCHMARK(BM_GreyConversion)->Unit(benchmark::kMillisecond)->UseRealTime();

// The grey pass as loading runs it: from the decoded colours straight into the display picture.
void BM_WriteGreyIntoDisplay(benchmark::State& state) {
  ombrisk::TJPEGImage jpeg;
  jpeg.LoadFromFile(Jpeg().Path());
  ombrisk::TBitmap colour;
  colour.Assign(jpeg);
  ombrisk::TBitmap display;
  for (auto _ : state) {
    ombrisk::WriteGreyInto(colour, display);
    benchmark::DoNotOptimize(display.ScanLine(0));
  }
}
BENCHMARK(BM_WriteGreyIntoDisplay)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
