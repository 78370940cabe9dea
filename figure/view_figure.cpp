#include "figure/view_figure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "figure/figure_font.h"
#include "figure/figure_frame.h"
#include "figure/view_ticks.h"

namespace ombrisk {

namespace {

constexpr const char* kLegendCaption = "dBFS";

std::string Title(const std::string& path, const TRecordingInfo& info, const TSoundView& view) {
  std::string title = FrameFileName(path) + "  \u00b7  " + FrameRateText(info.SampleRateHz);
  if (view.Channel > 0) title += "  \u00b7  channel " + std::to_string(view.Channel);
  return title;
}

// The entry of a 256-colour table for a level: 0 at −range and below, 255 at 0 dBFS and above.
std::size_t ColourIndex(float db, double rangeDb) {
  const double share = (db + rangeDb) / rangeDb;
  return static_cast<std::size_t>(static_cast<long>(std::clamp(std::nearbyint(share * 255.0), 0.0, 255.0)));
}

TFrameLayout Plan(const TSoundView& view, const TFigureFont& font, TFrameTicks& ticks) {
  const int spacing = FrameLabelSpacing(font);
  ticks.Time = ViewTimeTicks(view, [&](const std::string& text) { return font.TextWidth(text); });
  ticks.Frequency = ViewFrequencyTicks(view, spacing);
  ticks.Level = ViewLevelTicks(view.RangeDb, view.Height, spacing);
  return PlanFrame(font, view.Width, view.Height, ticks, kLegendCaption);
}

TViewFigureLayout ViewLayoutOf(const TFrameLayout& frame) {
  TViewFigureLayout layout;
  layout.Width = frame.Width;
  layout.Height = frame.Height;
  layout.PlotLeft = frame.PlotLeft;
  layout.PlotTop = frame.PlotTop;
  layout.LegendLeft = frame.LegendLeft;
  layout.LegendWidth = frame.LegendWidth;
  return layout;
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
  TFrameTicks ticks;
  return ViewLayoutOf(Plan(view, font, ticks));
}

std::unique_ptr<TPixelBitmap> DrawViewFigure(const TViewLevels& levels, const TSoundView& view, TColourMap map,
                                             const std::string& path, const TRecordingInfo& info,
                                             const std::string& fontPath) {
  CheckLevels(levels, view);
  const TFigureFont font(fontPath, kFigureFontPixels, {kFigureFallbackFontPath});
  TFrameTicks ticks;
  const TFrameLayout layout = Plan(view, font, ticks);
  auto figure = std::make_unique<TPixelBitmap>();
  figure->SetSize(layout.Width, layout.Height);
  figure->Fill(kFigurePaper.Red, kFigurePaper.Green, kFigurePaper.Blue);
  PaintPlot(levels, view, map, *figure, layout.PlotLeft, layout.PlotTop);
  const std::array<TRGB, 256> colours = ColourMapTable(map);
  DrawFrame(*figure, font, layout, ticks, kLegendCaption, Title(path, info, view), [&](int row) {
    const double db = view.Height > 1 ? -view.RangeDb * row / (view.Height - 1) : 0.0;
    return colours[ColourIndex(static_cast<float>(db), view.RangeDb)];
  });
  return figure;
}

}  // namespace ombrisk
