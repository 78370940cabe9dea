// A picture made into sound and analysed back with N equal to the frame length.
#include <gtest/gtest.h>

#include <algorithm>

#include "spectrogram/spectrogram_analysis.h"
#include "synthesis/synthesis_run.h"
#include "tests/spectrogram/spectrogram_reference.h"
#include "tests/support/picture_helpers.h"
#include "toolkit/bitmap.h"

namespace ombrisk {
namespace {

using testing::Samples;

Samples ReadSamples(const std::string& path) { return test::WaveSamples(test::ReadFileBytes(path)); }

TEST(SpectrogramRoundTrip, EachColumnShowsTheSecondHalfOfItsFrame) {
  // White ground, one black pixel per column on a different row: with the default inversion each
  // frame is a single cosine at that row's bin.
  constexpr int kWidth = 8;
  constexpr int kHeight = 64;  // frames of 128 samples
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(kWidth, kHeight);
  auto rowOf = [](int x) { return 5 + 7 * x; };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) picture.SetPixel(x, y, y == rowOf(x) ? 0x000000 : 0xFFFFFF);
  }
  const testing::TTempFile wave;
  TNullProgress progress;
  RunSynthesis(picture, TSynthesisSettings{}, wave.Path(), progress);
  const Samples samples = ReadSamples(wave.Path());
  ASSERT_EQ(samples.size(), static_cast<std::size_t>(kWidth * 128));

  TSpectrogramSettings s;
  s.SampleSize = 128;
  s.BrightnessPosition = 100;
  const auto spectrogram = AnalyzeWave(wave.Path(), s, progress);
  ASSERT_EQ(spectrogram->Width(), kWidth);
  ASSERT_EQ(spectrogram->Height(), kHeight);
  for (int x = 0; x < kWidth; ++x) {
    const std::vector<int> column = testing::ColumnOf(*spectrogram, x);
    const Samples secondHalf(samples.begin() + x * 128 + 64, samples.begin() + x * 128 + 128);
    testing::ExpectColumnNear(column, testing::ReferenceColumn(secondHalf, s), "column " + std::to_string(x));
    // The picture comes back the right way up: the loud row is the black pixel's row.
    const auto darkest = std::min_element(column.begin(), column.end());
    EXPECT_EQ(darkest - column.begin(), rowOf(x)) << "column " << x;
    EXPECT_EQ(std::count(column.begin(), column.end(), *darkest), 1) << "column " << x;
  }
}

}  // namespace
}  // namespace ombrisk
