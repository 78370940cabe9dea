// The run against the plain form of every step: a 32-bit working copy, the flips and the quarter
// turn pixel by pixel, packed colours per pixel, ApplyBinPhase on the whole spectrum, and
// Round/ClampSample per sample. The run reads columns in blocks straight from the picture and folds
// the phase step into a table; both must give the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "signal/wave_fft.h"
#include "synthesis/column_spectrum.h"
#include "synthesis/synthesis_run.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/pixel_bitmap.h"
#include "tests/support/picture_helpers.h"
#include "tests/synthesis/picture_preparation.h"

namespace ombrisk {
namespace {

std::vector<std::int16_t> LiteralSynthesis(const TBitmap& picture, const TSynthesisSettings& settings) {
  const int height = picture.Height();
  const std::int32_t n = SamplesPerColumn(height);
  TPixelBitmap working;
  working.Assign(picture);
  working.Force32Bit();
  if (settings.MirrorX) MirrorHorizontal(working, working);
  if (settings.MirrorY) MirrorVertical(working, working);
  TPixelBitmap columns;
  RotateClockwise(working, columns);

  std::vector<std::int16_t> out;
  std::vector<double> spectrum(static_cast<std::size_t>(n));
  for (int x = 0; x < columns.Height(); ++x) {
    std::fill(spectrum.begin(), spectrum.end(), 0.0);
    for (int m = 0; m < height; ++m) {
      const TColor c = columns.GetPixelColor(m, x);
      double v = static_cast<double>(((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF)) / 3);
      if (settings.Invert) v = 255 - v;
      if (settings.LogAmplitude) v = LogarithmicAmplitude(v);
      const std::int64_t k = settings.LogFrequency ? LogarithmicBin(m, height, n) : m;
      spectrum[static_cast<std::size_t>(k)] = v;
    }
    if (x > 0) ApplyBinPhase(spectrum, n);
    InverseRealFFT(n, spectrum);
    for (int t = 0; t < n; ++t) {
      const long double scaled = static_cast<long double>(spectrum[static_cast<std::size_t>(t)]) * 5.0L;
      out.push_back(ClampSample(static_cast<double>(std::llrint(scaled))));
    }
  }
  return out;
}

struct PipelineCase {
  std::string Name;
  int Width;
  int Height;
  TPixelFormat Format;
  int Flags;  // 1 invert, 2 mirror x, 4 mirror y, 8 log frequency, 16 log amplitude
};

class LiteralPipeline : public ::testing::TestWithParam<PipelineCase> {};

TEST_P(LiteralPipeline, RunWritesTheSameSamples) {
  const PipelineCase& c = GetParam();
  TSynthesisSettings settings;
  settings.Invert = (c.Flags & 1) != 0;
  settings.MirrorX = (c.Flags & 2) != 0;
  settings.MirrorY = (c.Flags & 4) != 0;
  settings.LogFrequency = (c.Flags & 8) != 0;
  settings.LogAmplitude = (c.Flags & 16) != 0;
  std::mt19937 random(static_cast<unsigned>(c.Width * 31 + c.Height));
  TBitmap picture = test::MakePicture(c.Width, c.Height, [&](int, int) {
    return test::Rgb{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                     static_cast<std::uint8_t>(random())};
  });
  picture.SetPixelFormat(c.Format);

  const test::ScratchFolder folder("literal-pipeline");
  const std::string path = folder.File("out.wav").string();
  TNullProgress progress;
  RunSynthesis(picture, settings, path, progress);
  const std::vector<std::int16_t> written = test::WaveSamples(test::ReadFileBytes(path));
  const std::vector<std::int16_t> literal = LiteralSynthesis(picture, settings);
  ASSERT_EQ(written.size(), literal.size());
  for (std::size_t i = 0; i < literal.size(); ++i) ASSERT_EQ(written[i], literal[i]) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LiteralPipeline,
    ::testing::Values(
        // Widths around the reader's block of 64 columns, each flip on both sides of it.
        PipelineCase{"Wide24", 150, 9, TPixelFormat::pf24bit, 1}, PipelineCase{"Wide24MirrorX", 150, 9, TPixelFormat::pf24bit, 3},
        PipelineCase{"Wide24MirrorY", 129, 9, TPixelFormat::pf24bit, 5},
        PipelineCase{"Wide24Both", 65, 9, TPixelFormat::pf24bit, 7}, PipelineCase{"Wide32", 70, 12, TPixelFormat::pf32bit, 3},
        PipelineCase{"Paletted8", 20, 10, TPixelFormat::pf8bit, 5}, PipelineCase{"Words16", 20, 10, TPixelFormat::pf16bit, 1},
        PipelineCase{"LogBoth", 40, 33, TPixelFormat::pf24bit, 25}, PipelineCase{"LogAllFlips", 40, 33, TPixelFormat::pf24bit, 31},
        // More batches of columns than the run keeps in flight, short and tall.
        PipelineCase{"ManyBatches", 700, 9, TPixelFormat::pf24bit, 1},
        PipelineCase{"ManyTallBatches", 70, 1500, TPixelFormat::pf24bit, 3},
        // Tall enough that a block holds fewer than 64 columns.
        PipelineCase{"Tall", 40, 20000, TPixelFormat::pf24bit, 6}),
    [](const ::testing::TestParamInfo<PipelineCase>& c) { return c.param.Name; });

}  // namespace
}  // namespace ombrisk
