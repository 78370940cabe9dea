#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <random>
#include <string>
#include <vector>

#include "figure/colour_maps.h"
#include "figure/figure_ticks.h"
#include "figure/spectrogram_figure.h"
#include "figure/view_figure.h"
#include "figure/view_ticks.h"
#include "spectrogram/spectrogram_geometry.h"

namespace ombrisk {
namespace {

TFigureAxes Axes(std::int32_t rate, std::int32_t size, bool logFrequency) {
  TFigureAxes axes;
  axes.SampleRateHz = rate;
  axes.SampleSize = size;
  axes.LogFrequency = logFrequency;
  return axes;
}

const TTick* FindLabel(const std::vector<TTick>& ticks, const std::string& label) {
  const auto found = std::find_if(ticks.begin(), ticks.end(), [&](const TTick& t) { return t.Label == label; });
  return found == ticks.end() ? nullptr : &*found;
}

// A frequency must be ticked on the row the analysis draws its bin on (the nearest bin where it
// falls between two), on either scale and at any rate.
struct TFrequencyCase {
  std::int32_t Rate;
  std::int32_t Size;
  bool Log;
  const char* Label;
  int Bin;
};

class FrequencyTickTest : public testing::TestWithParam<TFrequencyCase> {};

TEST_P(FrequencyTickTest, LandsOnTheRowOfItsBin) {
  const TFrequencyCase c = GetParam();
  const std::vector<TTick> ticks = FrequencyTicks(Axes(c.Rate, c.Size, c.Log), 20);
  const TTick* tick = FindLabel(ticks, c.Label);
  ASSERT_NE(tick, nullptr) << c.Label;
  EXPECT_EQ(tick->Pixel, SpectrogramRows(c.Size, c.Log)[static_cast<std::size_t>(c.Bin)]) << c.Label;
}

INSTANTIATE_TEST_SUITE_P(
    Rates, FrequencyTickTest,
    testing::Values(TFrequencyCase{48000, 1024, false, "6 kHz", 128}, TFrequencyCase{48000, 1024, false, "0 Hz", 0},
                    TFrequencyCase{64000, 1024, false, "2 kHz", 32}, TFrequencyCase{96000, 4096, false, "12.5 kHz", 533},
                    TFrequencyCase{44100, 1024, false, "22 kHz", 511},  // bin 510.8: the nearest row
                    TFrequencyCase{64000, 1024, true, "1 kHz", 16}, TFrequencyCase{64000, 1024, true, "5 kHz", 80},
                    TFrequencyCase{64000, 1024, true, "500 Hz", 8}, TFrequencyCase{32000, 256, true, "10 kHz", 80}));

TEST(FigureTicks, TimesLandInTheColumnThatHoldsThem) {
  const TTextWidth sixPerChar = [](const std::string& s) { return 6 * static_cast<int>(s.size()); };
  // 48000 ÷ 1024 = 46.875 columns a second.
  const std::vector<TTick> seconds = TimeTicks(Axes(48000, 1024, false), 200, sixPerChar);
  ASSERT_NE(FindLabel(seconds, "0 s"), nullptr);
  EXPECT_EQ(FindLabel(seconds, "0 s")->Pixel, 0);
  ASSERT_NE(FindLabel(seconds, "2 s"), nullptr);
  EXPECT_EQ(FindLabel(seconds, "2 s")->Pixel, 93);
  for (std::size_t i = 1; i < seconds.size(); ++i) EXPECT_GE(seconds[i].Pixel - seconds[i - 1].Pixel, 6 * 3 + 16);
  // From a minute on the clock reads m:ss; 44100 ÷ 1024 columns a second, 2 minutes and more.
  const std::vector<TTick> clock = TimeTicks(Axes(44100, 1024, false), 5200, sixPerChar);
  ASSERT_NE(FindLabel(clock, "1:00"), nullptr);
  EXPECT_EQ(FindLabel(clock, "1:00")->Pixel, 2583);  // 60 × 43.066
  EXPECT_EQ(FindLabel(clock, "0 s"), nullptr);
  // A whole length ends on the frame: 10 s at 51200 ÷ 512 = 100 columns a second.
  const std::vector<TTick> whole = TimeTicks(Axes(51200, 512, false), 1000, sixPerChar);
  ASSERT_NE(FindLabel(whole, "10 s"), nullptr);
  EXPECT_EQ(FindLabel(whole, "10 s")->Pixel, 1000);
}

TEST(FigureTicks, LegendShowsFullScaleWhereItsLevelIs) {
  TFigureAxes axes;
  axes.FullScaleMagnitude = 100.0;  // full scale is level 100 (linear), 20 log10(25) = 27.96 dB
  EXPECT_EQ(LegendTopLevel(axes), 200);  // twice full scale
  const std::vector<TTick> linear = LevelTicks(axes, 201, 20);
  ASSERT_NE(FindLabel(linear, "1.0"), nullptr);
  EXPECT_EQ(FindLabel(linear, "1.0")->Pixel, 100);
  EXPECT_EQ(LegendLevel(100, 201, 200), 100);
  axes.LogVoltage = true;  // up to 2 × full scale: level 33.98, 34 rows of the legend
  EXPECT_EQ(LegendTopLevel(axes), 34);
  const std::vector<TTick> decibels = LevelTicks(axes, 35, 5);
  ASSERT_NE(FindLabel(decibels, "0"), nullptr);
  EXPECT_EQ(FindLabel(decibels, "0")->Pixel, 34 - 28);
  EXPECT_NE(FindLabel(decibels, "\u221220"), nullptr);
  // Brightness 0: every bin is level 0, which the legend still shows.
  axes.FullScaleMagnitude = 0.0;
  EXPECT_EQ(LegendTopLevel(axes), 1);
  EXPECT_TRUE(LevelTicks(axes, 64, 5).empty());
  axes.LogVoltage = false;
  EXPECT_EQ(LevelTicks(axes, 64, 5), (std::vector<TTick>{TTick{63, "0"}}));
}

TEST(ColourMaps, HeatGrowsSteadilyLighterFromBlackToWhite) {
  const auto heat = ColourMapTable(TColourMap::Heat);
  EXPECT_LT(CieLightness(heat[0]), 1.0);
  EXPECT_GT(CieLightness(heat[255]), 98.0);
  bool coloured = false;
  for (std::size_t d = 1; d < heat.size(); ++d) {
    const double step = CieLightness(heat[d]) - CieLightness(heat[d - 1]);
    EXPECT_GT(step, 0.05) << "entry " << d;
    EXPECT_LT(step, 1.5) << "entry " << d;
    coloured = coloured || heat[d].Red != heat[d].Blue;
  }
  EXPECT_TRUE(coloured);
  const auto grey = ColourMapTable(TColourMap::Grey);
  for (int d = 0; d < 256; ++d) EXPECT_EQ(grey[static_cast<std::size_t>(d)].Green, 255 - d);
}

TEST(ColourMaps, NamesInAnyCaseAndUnknownOnesNamed) {
  EXPECT_EQ(ColourMapByName("Heat"), TColourMap::Heat);
  EXPECT_EQ(ColourMapByName("GRAY"), TColourMap::Grey);
  EXPECT_EQ(ColourMapByName("grey"), TColourMap::Grey);
  for (const std::string bad : {"", "hot", "heat "}) {
    try {
      ColourMapByName(bad);
      ADD_FAILURE() << "'" << bad << "' accepted";
    } catch (const EFigureError& e) {
      EXPECT_NE(e.Message().find("'" + bad + "'"), std::string::npos) << e.Message();
    }
  }
}

TPixelBitmap NoiseSpectrogram(int width, int height) {
  TPixelBitmap picture;
  picture.SetSize(width, height);
  std::mt19937 random(7);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto g = static_cast<std::uint8_t>(random() & 0xFF);
      picture.SetPixelRGB(x, y, g, g, g);
    }
  }
  return picture;
}

TEST(DrawFigure, CopiesTheSpectrogramUnchangedInsideItsFrame) {
  for (const TColourMap map : {TColourMap::Grey, TColourMap::Heat}) {
    const TPixelBitmap spectrogram = NoiseSpectrogram(300, 64);
    TPixelBitmap expected;
    expected.Assign(spectrogram);
    ApplyColourMap(expected, map);
    TSpectrogramSettings settings;
    settings.SampleSize = 128;
    const TFigureAxes axes = FigureAxesFor(settings, 48000, "/some/folder/speech.flac");
    EXPECT_EQ(axes.FileName, "speech.flac");
    const std::unique_ptr<TPixelBitmap> figure = DrawFigure(spectrogram, axes, map);
    const TFigureLayout layout = FigureLayout(spectrogram, axes);
    ASSERT_EQ(figure->Width(), layout.Width);
    ASSERT_EQ(figure->Height(), layout.Height);
    ASSERT_GT(layout.SpectrogramLeft, 0);
    ASSERT_GT(layout.SpectrogramTop, 0);
    ASSERT_GT(layout.Width, layout.SpectrogramLeft + 300);
    ASSERT_GT(layout.Height, layout.SpectrogramTop + 64);
    int wrong = 0;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 300; ++x) {
        wrong += figure->GetPixelColor(layout.SpectrogramLeft + x, layout.SpectrogramTop + y) != expected.GetPixelColor(x, y);
      }
    }
    EXPECT_EQ(wrong, 0);
    // The frame hugs it: black just outside each corner.
    EXPECT_EQ(figure->GetPixelColor(layout.SpectrogramLeft - 1, layout.SpectrogramTop - 1), 0);
    EXPECT_EQ(figure->GetPixelColor(layout.SpectrogramLeft + 300, layout.SpectrogramTop + 64), 0);
  }
}

TEST(DrawFigure, MissingFontIsNamed) {
  const TPixelBitmap spectrogram = NoiseSpectrogram(10, 64);
  try {
    DrawFigure(spectrogram, TFigureAxes{}, TColourMap::Grey, "/nowhere/NoSuchFont.ttf");
    ADD_FAILURE() << "drawn without a font";
  } catch (const EFigureError& e) {
    EXPECT_NE(e.Message().find("/nowhere/NoSuchFont.ttf"), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace ombrisk

// --- The viewer's figure ------------------------------------------------------------------------

namespace ombrisk {
namespace {

TSoundView SpanView(double from, double to, int width) {
  TSoundView view;
  view.FromSeconds = from;
  view.ToSeconds = to;
  view.Width = width;
  view.HighHz = 24000;
  return view;
}

// Past an hour a clock reads h:mm:ss with minutes below 60, on an axis from 0 and on a view that
// starts before the hour and ends after it (where the span alone is shorter than an hour).
TEST(ViewTicks, HoursReadAsAClock) {
  const TTextWidth sixPerChar = [](const std::string& s) { return 6 * static_cast<int>(s.size()); };
  EXPECT_EQ(ClockLabel(4200, true), "1:10:00");
  EXPECT_EQ(ClockLabel(3599.75, true, 2), "0:59:59.75");
  EXPECT_EQ(ClockLabel(62.5, false, 1), "1:02.5");
  TFigureAxes axes;
  axes.SampleRateHz = 48000;
  axes.SampleSize = 48000;  // a column a second
  const std::vector<TTick> fromZero = TimeTicks(axes, 4500, sixPerChar);
  ASSERT_NE(FindLabel(fromZero, "1:10:00"), nullptr);
  EXPECT_EQ(FindLabel(fromZero, "1:10:00")->Pixel, 4200);
  for (const auto& [from, to, label] : {std::tuple{3000.0, 4500.0, "1:10:00"}, std::tuple{4190.0, 4230.0, "1:10:00"},
                                        std::tuple{3590.0, 3610.0, "1:00:00"}, std::tuple{50.0, 70.0, "1:00"}}) {
    const TSoundView view = SpanView(from, to, 1000);
    const std::vector<TTick> ticks = ViewTimeTicks(view, sixPerChar);
    const TTick* tick = FindLabel(ticks, label);
    ASSERT_NE(tick, nullptr) << from << " to " << to;
    const double at = std::string(label) == "1:10:00" ? 4200.0 : std::string(label) == "1:00:00" ? 3600.0 : 60.0;
    EXPECT_EQ(tick->Pixel, static_cast<int>(std::floor(ColumnOfSeconds(view, at) + 1e-6))) << label;
    for (const TTick& t : ticks) {
      // No minutes or seconds field of 60 or more.
      for (std::size_t colon = t.Label.find(':'); colon != std::string::npos; colon = t.Label.find(':', colon + 1)) {
        EXPECT_LT(std::stoi(t.Label.substr(colon + 1, 2)), 60) << t.Label;
      }
    }
  }
}

TEST(ViewFigure, PlotColoursAndItsPlaceInTheFigure) {
  TSoundView view = SpanView(0, 2, 40);
  view.Height = 30;
  view.RangeDb = 90;
  TViewLevels levels = SilentLevels(view.Width, view.Height);
  levels.ColumnsDone = view.Width;
  for (int x = 0; x < view.Width; ++x) {
    for (int y = 0; y < view.Height; ++y) levels.At(x, y) = static_cast<float>(-3.0 * x);  // 0 … −117 dBFS
  }
  const auto grey = DrawViewPlot(levels, view, TColourMap::Grey);
  ASSERT_EQ(grey->Width(), 40);
  ASSERT_EQ(grey->Height(), 30);
  EXPECT_EQ(grey->GetPixelRGB(0, 0).Red, 0);     // 0 dBFS black
  EXPECT_EQ(grey->GetPixelRGB(15, 5).Red, 127);  // −45 of 90: entry 127.5, rounded to even 128
  EXPECT_EQ(grey->GetPixelRGB(30, 5).Red, 255);  // −90: white
  EXPECT_EQ(grey->GetPixelRGB(39, 5).Red, 255);  // and below
  const auto heat = DrawViewPlot(levels, view, TColourMap::Heat);
  for (int x = 1; x <= 30; ++x) {
    EXPECT_LT(CieLightness(heat->GetPixelRGB(x, 0)), CieLightness(heat->GetPixelRGB(x - 1, 0))) << x;
  }
  const TRecordingInfo info{.SampleRateHz = 48000, .Channels = 1, .Frames = 96000};
  const auto figure = DrawViewFigure(levels, view, TColourMap::Heat, "/some/where/tone.flac", info);
  const TViewFigureLayout layout = ViewFigureLayout(view, "/some/where/tone.flac", info);
  ASSERT_EQ(figure->Width(), layout.Width);
  ASSERT_EQ(figure->Height(), layout.Height);
  for (int y = 0; y < view.Height; ++y) {
    for (int x = 0; x < view.Width; ++x) {
      ASSERT_EQ(figure->GetPixelColor(layout.PlotLeft + x, layout.PlotTop + y), heat->GetPixelColor(x, y)) << x << "," << y;
    }
  }
  TViewLevels wrong = SilentLevels(39, 30);
  EXPECT_THROW(DrawViewPlot(wrong, view, TColourMap::Grey), EFigureError);
}

}  // namespace
}  // namespace ombrisk
