// The read-out under the pointer, worked back from a real analysis: a sine of known level and
// frequency is read back at its row and column, at its own size and stretched, for each scale.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "spectrogram/pointer_readout.h"
#include "spectrogram/spectrogram_geometry.h"
#include "spectrogram_reference.h"
#include "toolkit/progress.h"

namespace ombrisk::testing {
namespace {

struct TScaleCase {
  const char* Name;
  bool LogFrequency;
  bool LogVoltage;
  bool Invert;
  int Brightness;
  int WindowIndex = 3;  // rectangler
};

std::string NameOf(const ::testing::TestParamInfo<TScaleCase>& param) { return param.param.Name; }

class PointerReadoutTest : public ::testing::TestWithParam<TScaleCase> {};

// A sine at 689.0625 Hz (bin 16 of 1024, low enough to have a logarithmic row of its own), one
// tenth of full scale: −20 dB.
TEST_P(PointerReadoutTest, ReadsBackTheLevelFrequencyAndTimeOfASine) {
  const TScaleCase& c = GetParam();
  constexpr std::int32_t kN = 1024;
  constexpr double kHz = 689.0625;
  Samples samples(8 * kN);
  for (std::size_t t = 0; t < samples.size(); ++t) {
    samples[t] = static_cast<std::int16_t>(std::lrint(3276.8 * std::sin(2 * std::numbers::pi * kHz * t / 44100.0)));
  }
  TTempFile file;
  file.Write(WaveBytes(samples));
  TSpectrogramSettings settings;
  settings.SampleSize = kN;
  settings.LogFrequency = c.LogFrequency;
  settings.LogVoltage = c.LogVoltage;
  settings.InvertBrightness = c.Invert;
  settings.BrightnessPosition = c.Brightness;
  settings.WindowIndex = c.WindowIndex;
  TNullProgress progress;
  const auto picture = AnalyzeWave(file.Path(), settings, progress);
  const int row = SpectrogramRows(kN, c.LogFrequency)[16];

  const TReadoutScale scale{44100, kN, c.LogFrequency, c.LogVoltage, FullScaleBinMagnitude(settings), c.Invert};
  // Column 5, row of bin 16: at its own size, and stretched three times each way.
  for (const int stretch : {1, 3}) {
    const auto cell = CellAtPixel(5 * stretch + stretch - 1, row * stretch + stretch - 1, picture->Width() * stretch,
                                  picture->Height() * stretch, picture->Width(), picture->Height());
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->Column, 5);
    EXPECT_EQ(cell->Row, row);
    const TPointerReading reading = ReadCell(*cell, picture->GetPixelRGB(5, row).Red, scale);
    EXPECT_DOUBLE_EQ(reading.Seconds, 5.0 * kN / 44100);
    EXPECT_DOUBLE_EQ(reading.FrequencyHz, kHz);
    ASSERT_TRUE(reading.LevelDb);
    EXPECT_EQ(reading.Bound, TLevelBound::Exact);
    EXPECT_NEAR(*reading.LevelDb, -20.0, 0.5);
  }
  EXPECT_FALSE(CellAtPixel(picture->Width(), 0, picture->Width(), picture->Height(), picture->Width(), 512));
  EXPECT_FALSE(CellAtPixel(0, -1, picture->Width(), picture->Height(), picture->Width(), 512));
}

INSTANTIATE_TEST_SUITE_P(Scales, PointerReadoutTest,
                         ::testing::Values(TScaleCase{"Linear", false, false, false, 10},
                                           TScaleCase{"LinearInverted", false, false, true, 10},
                                           TScaleCase{"Decibels", false, true, false, 50},
                                           TScaleCase{"LogFrequencyDecibelsInverted", true, true, true, 50},
                                           TScaleCase{"HanningDecibels", false, true, false, 50, 0},
                                           TScaleCase{"BlackmanLinear", false, false, false, 10, 2}),
                         NameOf);

TEST(PointerReadoutFormat, WritesTimeFrequencyAndLevelAsShown) {
  const struct {
    TPointerReading Reading;
    const char* Text;
  } cases[] = {
      {{62.354, 5620.0, -32.4, TLevelBound::Exact}, "1:02.35 \u00b7 5.62 kHz \u00b7 \u221232 dB"},
      {{0.004, 840.2, -72.6, TLevelBound::AtOrBelow}, "0:00.00 \u00b7 840 Hz \u00b7 \u2264 \u221273 dB"},
      {{59.999, 22050.0, 3.2, TLevelBound::AtOrAbove}, "1:00.00 \u00b7 22.05 kHz \u00b7 \u2265 3 dB"},
      {{7260.5, 999.7, std::nullopt, TLevelBound::Exact}, "121:00.50 \u00b7 1.00 kHz"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatReading(c.Reading), c.Text);
}

TEST(PointerReadoutFormat, GreysAtTheEndsOfTheScaleAreBounds) {
  const TReadoutScale scale;  // 1024 at 44.1 kHz, linear, default brightness, not inverted
  EXPECT_EQ(ReadCell({0, 0}, 255, scale).Bound, TLevelBound::AtOrBelow);
  EXPECT_EQ(ReadCell({0, 0}, 0, scale).Bound, TLevelBound::AtOrAbove);
  EXPECT_LT(*ReadCell({0, 0}, 200, scale).LevelDb, *ReadCell({0, 0}, 100, scale).LevelDb);
  TReadoutScale silent = scale;
  silent.FullScaleMagnitude = 0;
  EXPECT_FALSE(ReadCell({0, 0}, 255, silent).LevelDb);
  // The top row of a 48 kHz file is the bin just below half its rate.
  TReadoutScale recording = scale;
  recording.SampleRateHz = 48000;
  EXPECT_DOUBLE_EQ(ReadCell({0, 0}, 255, recording).FrequencyHz, 511.0 * 48000 / 1024);
  // Logarithmic rows: the top one shows bin 511, the last of those drawn on it; the row just above
  // bin 1's shows only the black fill, between bins 1 and 2.
  TReadoutScale logarithmic = scale;
  logarithmic.LogFrequency = true;
  EXPECT_DOUBLE_EQ(ReadCell({0, 0}, 0, logarithmic).FrequencyHz, 511.0 * 44100 / 1024);
  const TPointerReading between = ReadCell({0, 510}, 0, logarithmic);
  EXPECT_FALSE(between.LevelDb);
  EXPECT_GT(between.FrequencyHz, 1.0 * 44100 / 1024);
  EXPECT_LT(between.FrequencyHz, 2.0 * 44100 / 1024);
}

}  // namespace
}  // namespace ombrisk::testing
