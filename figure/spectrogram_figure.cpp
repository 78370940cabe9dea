#include "figure/spectrogram_figure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "figure/figure_font.h"
#include "spectrogram/spectrogram_geometry.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

constexpr int kPad = 8;
constexpr int kTick = 4;
constexpr int kMinorTick = 2;
constexpr int kGap = 3;
constexpr int kLegendGap = 14;
constexpr int kLegendBar = 16;
constexpr TRGB kInk{0, 0, 0};
constexpr TRGB kPaper{255, 255, 255};

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RateText(std::int32_t rateHz) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%g kHz", rateHz / 1000.0);
  return text.data();
}

std::string LegendCaption(const TFigureAxes& axes) { return axes.LogVoltage ? "dBFS" : "\u00d7 full scale"; }

struct TPlacedTicks {
  std::vector<TTick> Time;
  std::vector<TTick> Frequency;
  std::vector<TTick> Level;
};

struct TFigurePlan {
  TFigureLayout Layout;
  TPlacedTicks Ticks;
};

int WidestLabel(const TFigureFont& font, const std::vector<TTick>& ticks) {
  int widest = 0;
  for (const TTick& tick : ticks) widest = std::max(widest, font.TextWidth(tick.Label));
  return widest;
}

TFigurePlan Plan(const TPixelBitmap& spectrogram, const TFigureAxes& axes, const TFigureFont& font) {
  const int width = spectrogram.Width();
  const int height = spectrogram.Height();
  // Labels beside a tall axis read best with a line or two of paper between them.
  const int spacing = 2 * font.LineHeight() + 8;
  TFigurePlan plan;
  plan.Ticks.Time = TimeTicks(axes, width, [&](const std::string& text) { return font.TextWidth(text); });
  plan.Ticks.Frequency = FrequencyTicks(axes, spacing);
  plan.Ticks.Level = LevelTicks(axes, height, spacing);
  TFigureLayout& layout = plan.Layout;
  layout.SpectrogramLeft = kPad + WidestLabel(font, plan.Ticks.Frequency) + kGap + kTick + 1;
  layout.SpectrogramTop = kPad + font.LineHeight() + kPad;
  layout.LegendLeft = layout.SpectrogramLeft + width + 1 + kLegendGap;
  layout.LegendWidth = kLegendBar;
  const int legendRight = layout.LegendLeft + kLegendBar + 1;
  const int levelLabels = legendRight + kTick + kGap + WidestLabel(font, plan.Ticks.Level);
  const int caption = layout.LegendLeft + font.TextWidth(LegendCaption(axes));
  const std::int64_t figureWidth = std::int64_t{std::max(levelLabels, caption)} + kPad;
  const std::int64_t figureHeight = std::int64_t{layout.SpectrogramTop} + height + 1 + kTick + kGap + font.LineHeight() + kPad;
  if (figureWidth > kMaxBitmapSide || figureHeight > kMaxBitmapSide) {
    throw EOutOfResources("a figure of " + std::to_string(figureWidth) + " × " + std::to_string(figureHeight) +
                          " pixels is larger than a picture may be");
  }
  layout.Width = static_cast<int>(figureWidth);
  layout.Height = static_cast<int>(figureHeight);
  return plan;
}

void FillRect(TPixelBitmap& picture, int left, int top, int width, int height, const TRGB& colour) {
  const int x0 = std::max(left, 0);
  const int x1 = std::min(left + width, picture.Width());
  for (int y = std::max(top, 0); y < std::min(top + height, picture.Height()); ++y) {
    for (int x = x0; x < x1; ++x) picture.SetPixelRGB(x, y, colour.Red, colour.Green, colour.Blue);
  }
}

// A one-pixel line around the width × height area at left, top.
void Frame(TPixelBitmap& picture, int left, int top, int width, int height) {
  FillRect(picture, left - 1, top - 1, width + 2, 1, kInk);
  FillRect(picture, left - 1, top + height, width + 2, 1, kInk);
  FillRect(picture, left - 1, top, 1, height, kInk);
  FillRect(picture, left + width, top, 1, height, kInk);
}

// Text centred on row y, its left end at x.
void DrawMiddle(const TFigureFont& font, TPixelBitmap& picture, int x, int y, const std::string& text) {
  // Digits and capitals stand about 0.73 of the ascent high.
  font.Draw(picture, x, y + static_cast<int>(std::lround(0.36 * font.Ascent())), text, kInk);
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
  axes.FileName = BaseName(path);
  return axes;
}

TFigureLayout FigureLayout(const TPixelBitmap& spectrogram, const TFigureAxes& axes, const std::string& fontPath) {
  const TFigureFont font(fontPath, kFigureFontPixels, {kFigureFallbackFontPath});
  return Plan(spectrogram, axes, font).Layout;
}

std::unique_ptr<TPixelBitmap> DrawFigure(const TPixelBitmap& spectrogram, const TFigureAxes& axes, TColourMap map,
                                         const std::string& fontPath) {
  const TFigureFont font(fontPath, kFigureFontPixels, {kFigureFallbackFontPath});
  const TFigurePlan plan = Plan(spectrogram, axes, font);
  const TFigureLayout& layout = plan.Layout;
  auto figure = std::make_unique<TPixelBitmap>();
  figure->SetSize(layout.Width, layout.Height);
  figure->Fill(kPaper.Red, kPaper.Green, kPaper.Blue);

  const int width = spectrogram.Width();
  const int height = spectrogram.Height();
  const int left = layout.SpectrogramLeft;
  const int top = layout.SpectrogramTop;
  const std::array<TRGB, 256> colours = ColourMapTable(map);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = spectrogram.ScanLine(y);
    std::uint8_t* out = figure->ScanLine(top + y) + static_cast<std::size_t>(left) * 4;
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
      const TRGB& c = colours[static_cast<std::size_t>(255 - in[0])];
      out[0] = c.Blue;
      out[1] = c.Green;
      out[2] = c.Red;
    }
  }
  Frame(*figure, left, top, width, height);

  const int ascent = font.Ascent();
  const int labelsBaseline = top + height + 1 + kTick + kGap + ascent;
  for (const TTick& tick : plan.Ticks.Time) {
    const int x = left + tick.Pixel;
    FillRect(*figure, x, top + height + 1, 1, kTick, kInk);
    const int textWidth = font.TextWidth(tick.Label);
    // The last label may not run under the legend's caption.
    const int at = std::clamp(x - textWidth / 2, 0, std::max(0, layout.LegendLeft - kGap - textWidth));
    font.Draw(*figure, at, labelsBaseline, tick.Label, kInk);
  }
  for (const TTick& tick : plan.Ticks.Frequency) {
    const int y = top + tick.Pixel;
    const int length = tick.Label.empty() ? kMinorTick : kTick;
    FillRect(*figure, left - 1 - length, y, length, 1, kInk);
    if (!tick.Label.empty()) {
      DrawMiddle(font, *figure, left - 1 - kTick - kGap - font.TextWidth(tick.Label), y, tick.Label);
    }
  }

  // The legend: each row coloured as the analysis colours its level.
  const int legendLeft = layout.LegendLeft;
  const int topLevel = LegendTopLevel(axes);
  for (int row = 0; row < height; ++row) {
    const int level = LegendLevel(row, height, topLevel);
    const int darkness = axes.InvertBrightness ? 255 - level : level;
    FillRect(*figure, legendLeft, top + row, kLegendBar, 1, colours[static_cast<std::size_t>(darkness)]);
  }
  Frame(*figure, legendLeft, top, kLegendBar, height);
  for (const TTick& tick : plan.Ticks.Level) {
    const int y = top + tick.Pixel;
    FillRect(*figure, legendLeft + kLegendBar + 1, y, kTick, 1, kInk);
    DrawMiddle(font, *figure, legendLeft + kLegendBar + 1 + kTick + kGap, y, tick.Label);
  }
  font.Draw(*figure, legendLeft, labelsBaseline, LegendCaption(axes), kInk);

  font.Draw(*figure, left, kPad + ascent, axes.FileName + "  \u00b7  " + RateText(axes.SampleRateHz), kInk);
  return figure;
}

}  // namespace ombrisk
