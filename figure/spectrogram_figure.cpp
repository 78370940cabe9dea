#include "figure/spectrogram_figure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "figure/figure_font.h"
#include "figure/figure_frame.h"
#include "spectrogram/spectrogram_geometry.h"

namespace ombrisk {

namespace {

std::string LegendCaption(const TFigureAxes& axes) { return axes.LogVoltage ? "dBFS" : "\u00d7 full scale"; }

struct TFigurePlan {
  TFrameLayout Frame;
  TFrameTicks Ticks;
};

TFigurePlan Plan(const TPixelBitmap& spectrogram, const TFigureAxes& axes, const TFigureFont& font) {
  const int spacing = FrameLabelSpacing(font);
  TFigurePlan plan;
  plan.Ticks.Time = TimeTicks(axes, spectrogram.Width(), [&](const std::string& text) { return font.TextWidth(text); });
  plan.Ticks.Frequency = FrequencyTicks(axes, spacing);
  plan.Ticks.Level = LevelTicks(axes, spectrogram.Height(), spacing);
  plan.Frame = PlanFrame(font, spectrogram.Width(), spectrogram.Height(), plan.Ticks, LegendCaption(axes));
  return plan;
}

TFigureLayout LayoutOf(const TFrameLayout& frame) {
  TFigureLayout layout;
  layout.Width = frame.Width;
  layout.Height = frame.Height;
  layout.SpectrogramLeft = frame.PlotLeft;
  layout.SpectrogramTop = frame.PlotTop;
  layout.LegendLeft = frame.LegendLeft;
  layout.LegendWidth = frame.LegendWidth;
  return layout;
}

}  // namespace

TFigureAxes FigureAxesFor(const TSpectrogramSettings& settings, std::int32_t rateHz, const std::string& path) {
  ValidateSpectrogramSettings(settings);
  TFigureAxes axes;
  axes.SampleRateHz = rateHz;
  axes.SampleSize = settings.SampleSize;
  axes.LogFrequency = settings.LogFrequency;
  axes.LogVoltage = settings.LogVoltage;
  axes.InvertBrightness = settings.InvertBrightness;
  axes.FullScaleMagnitude = FullScaleBinMagnitude(settings);
  axes.FileName = FrameFileName(path);
  return axes;
}

TFigureLayout FigureLayout(const TPixelBitmap& spectrogram, const TFigureAxes& axes, const std::string& fontPath) {
  const TFigureFont font(fontPath, kFigureFontPixels, {kFigureFallbackFontPath});
  return LayoutOf(Plan(spectrogram, axes, font).Frame);
}

std::unique_ptr<TPixelBitmap> DrawFigure(const TPixelBitmap& spectrogram, const TFigureAxes& axes, TColourMap map,
                                         const std::string& fontPath) {
  const TFigureFont font(fontPath, kFigureFontPixels, {kFigureFallbackFontPath});
  const TFigurePlan plan = Plan(spectrogram, axes, font);
  const TFrameLayout& layout = plan.Frame;
  auto figure = std::make_unique<TPixelBitmap>();
  figure->SetSize(layout.Width, layout.Height);
  figure->Fill(kFigurePaper.Red, kFigurePaper.Green, kFigurePaper.Blue);

  const int width = spectrogram.Width();
  const int height = spectrogram.Height();
  const std::array<TRGB, 256> colours = ColourMapTable(map);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = spectrogram.ScanLine(y);
    std::uint8_t* out = figure->ScanLine(layout.PlotTop + y) + static_cast<std::size_t>(layout.PlotLeft) * 4;
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
      const TRGB& c = colours[static_cast<std::size_t>(255 - in[0])];
      out[0] = c.Blue;
      out[1] = c.Green;
      out[2] = c.Red;
    }
  }
  // The legend: each row coloured as the analysis colours its level.
  const int topLevel = LegendTopLevel(axes);
  DrawFrame(*figure, font, layout, plan.Ticks, LegendCaption(axes),
            axes.FileName + "  \u00b7  " + FrameRateText(axes.SampleRateHz), [&](int row) {
              const int level = LegendLevel(row, height, topLevel);
              const int darkness = axes.InvertBrightness ? 255 - level : level;
              return colours[static_cast<std::size_t>(darkness)];
            });
  return figure;
}

}  // namespace ombrisk
