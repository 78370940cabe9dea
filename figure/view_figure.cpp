#include "figure/view_figure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "figure/figure_font.h"
#include "figure/view_ticks.h"
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
constexpr const char* kLegendCaption = "dBFS";

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Title(const std::string& path, const TRecordingInfo& info, const TSoundView& view) {
  char rate[32];
  std::snprintf(rate, sizeof rate, "%g kHz", info.SampleRateHz / 1000.0);
  std::string title = BaseName(path) + "  \u00b7  " + rate;
  if (view.Channel > 0) title += "  \u00b7  channel " + std::to_string(view.Channel);
  return title;
}

// The entry of a 256-colour table for a level: 0 at −range and below, 255 at 0 dBFS and above.
std::size_t ColourIndex(float db, double rangeDb) {
  const double share = (db + rangeDb) / rangeDb;
  return static_cast<std::size_t>(static_cast<long>(std::clamp(std::nearbyint(share * 255.0), 0.0, 255.0)));
}

struct TViewTicks {
  std::vector<TTick> Time;
  std::vector<TTick> Frequency;
  std::vector<TTick> Level;
};

int WidestLabel(const TFigureFont& font, const std::vector<TTick>& ticks) {
  int widest = 0;
  for (const TTick& tick : ticks) widest = std::max(widest, font.TextWidth(tick.Label));
  return widest;
}

TViewFigureLayout Plan(const TSoundView& view, const TFigureFont& font, TViewTicks& ticks) {
  const int spacing = 2 * font.LineHeight() + 8;
  ticks.Time = ViewTimeTicks(view, [&](const std::string& text) { return font.TextWidth(text); });
  ticks.Frequency = ViewFrequencyTicks(view, spacing);
  ticks.Level = ViewLevelTicks(view.RangeDb, view.Height, spacing);
  TViewFigureLayout layout;
  layout.PlotLeft = kPad + WidestLabel(font, ticks.Frequency) + kGap + kTick + 1;
  layout.PlotTop = kPad + font.LineHeight() + kPad;
  layout.LegendLeft = layout.PlotLeft + view.Width + 1 + kLegendGap;
  layout.LegendWidth = kLegendBar;
  const int levelLabels = layout.LegendLeft + kLegendBar + 1 + kTick + kGap + WidestLabel(font, ticks.Level);
  const int caption = layout.LegendLeft + font.TextWidth(kLegendCaption);
  const std::int64_t width = std::int64_t{std::max(levelLabels, caption)} + kPad;
  const std::int64_t height =
      std::int64_t{layout.PlotTop} + view.Height + 1 + kTick + kGap + font.LineHeight() + kPad;
  if (width > kMaxBitmapSide || height > kMaxBitmapSide) {
    throw EOutOfResources("a figure of " + std::to_string(width) + " × " + std::to_string(height) +
                          " pixels is larger than a picture may be");
  }
  layout.Width = static_cast<int>(width);
  layout.Height = static_cast<int>(height);
  return layout;
}

void FillRect(TPixelBitmap& picture, int left, int top, int width, int height, const TRGB& colour) {
  const int x0 = std::max(left, 0);
  const int x1 = std::min(left + width, picture.Width());
  for (int y = std::max(top, 0); y < std::min(top + height, picture.Height()); ++y) {
    for (int x = x0; x < x1; ++x) picture.SetPixelRGB(x, y, colour.Red, colour.Green, colour.Blue);
  }
}

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

void CheckLevels(const TViewLevels& levels, const TSoundView& view) {
  if (levels.Width != view.Width || levels.Height != view.Height ||
      levels.Db.size() != static_cast<std::size_t>(levels.Width) * static_cast<std::size_t>(levels.Height)) {
    throw EFigureError("levels of " + std::to_string(levels.Width) + " × " + std::to_string(levels.Height) +
                       " do not fit a plot of " + std::to_string(view.Width) + " × " + std::to_string(view.Height));
  }
}

// The plot's pixels at left, top of picture.
void PaintPlot(const TViewLevels& levels, const TSoundView& view, TColourMap map, TPixelBitmap& picture, int left,
               int top) {
  const std::array<TRGB, 256> colours = ColourMapTable(map);
  for (int y = 0; y < view.Height; ++y) {
    std::uint8_t* out = picture.ScanLine(top + y) + static_cast<std::size_t>(left) * 4;
    for (int x = 0; x < view.Width; ++x, out += 4) {
      const TRGB& c = colours[ColourIndex(levels.At(x, y), view.RangeDb)];
      out[0] = c.Blue;
      out[1] = c.Green;
      out[2] = c.Red;
      out[3] = 0;
    }
  }
}

}  // namespace

TRGB ViewColour(float db, double rangeDb, TColourMap map) { return ColourMapTable(map)[ColourIndex(db, rangeDb)]; }

std::unique_ptr<TPixelBitmap> DrawViewPlot(const TViewLevels& levels, const TSoundView& view, TColourMap map) {
  CheckLevels(levels, view);
  auto plot = std::make_unique<TPixelBitmap>();
  plot->SetSize(view.Width, view.Height);
  PaintPlot(levels, view, map, *plot, 0, 0);
  return plot;
}

TViewFigureLayout ViewFigureLayout(const TSoundView& view, const std::string& path, const TRecordingInfo& info,
                                   const std::string& fontPath) {
  (void)path;
  (void)info;
  const TFigureFont font(fontPath, kFigureFontPixels, {kFigureFallbackFontPath});
  TViewTicks ticks;
  return Plan(view, font, ticks);
}

std::unique_ptr<TPixelBitmap> DrawViewFigure(const TViewLevels& levels, const TSoundView& view, TColourMap map,
                                             const std::string& path, const TRecordingInfo& info,
                                             const std::string& fontPath) {
  CheckLevels(levels, view);
  const TFigureFont font(fontPath, kFigureFontPixels, {kFigureFallbackFontPath});
  TViewTicks ticks;
  const TViewFigureLayout layout = Plan(view, font, ticks);
  auto figure = std::make_unique<TPixelBitmap>();
  figure->SetSize(layout.Width, layout.Height);
  figure->Fill(kPaper.Red, kPaper.Green, kPaper.Blue);
  const int left = layout.PlotLeft;
  const int top = layout.PlotTop;
  PaintPlot(levels, view, map, *figure, left, top);
  Frame(*figure, left, top, view.Width, view.Height);

  const int labelsBaseline = top + view.Height + 1 + kTick + kGap + font.Ascent();
  for (const TTick& tick : ticks.Time) {
    const int x = left + tick.Pixel;
    FillRect(*figure, x, top + view.Height + 1, 1, kTick, kInk);
    const int textWidth = font.TextWidth(tick.Label);
    // The last label may not run under the legend's caption.
    const int at = std::clamp(x - textWidth / 2, 0, std::max(0, layout.LegendLeft - kGap - textWidth));
    font.Draw(*figure, at, labelsBaseline, tick.Label, kInk);
  }
  for (const TTick& tick : ticks.Frequency) {
    const int y = top + tick.Pixel;
    const int length = tick.Label.empty() ? kMinorTick : kTick;
    FillRect(*figure, left - 1 - length, y, length, 1, kInk);
    if (!tick.Label.empty()) DrawMiddle(font, *figure, left - 1 - kTick - kGap - font.TextWidth(tick.Label), y, tick.Label);
  }

  const std::array<TRGB, 256> colours = ColourMapTable(map);
  for (int row = 0; row < view.Height; ++row) {
    const double db = view.Height > 1 ? -view.RangeDb * row / (view.Height - 1) : 0.0;
    FillRect(*figure, layout.LegendLeft, top + row, kLegendBar, 1, colours[ColourIndex(static_cast<float>(db), view.RangeDb)]);
  }
  Frame(*figure, layout.LegendLeft, top, kLegendBar, view.Height);
  for (const TTick& tick : ticks.Level) {
    const int y = top + tick.Pixel;
    FillRect(*figure, layout.LegendLeft + kLegendBar + 1, y, kTick, 1, kInk);
    DrawMiddle(font, *figure, layout.LegendLeft + kLegendBar + 1 + kTick + kGap, y, tick.Label);
  }
  font.Draw(*figure, layout.LegendLeft, labelsBaseline, kLegendCaption, kInk);
  font.Draw(*figure, left, kPad + font.Ascent(), Title(path, info, view), kInk);
  return figure;
}

}  // namespace ombrisk
