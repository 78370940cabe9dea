#include "figure/figure_frame.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "toolkit/exception.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

constexpr int kPad = 8;
constexpr int kTick = 4;
constexpr int kMinorTick = 2;
constexpr int kGap = 3;
constexpr int kLegendGap = 14;
constexpr int kLegendBar = 16;

int WidestLabel(const TFigureFont& font, const std::vector<TTick>& ticks) {
  int widest = 0;
  for (const TTick& tick : ticks) widest = std::max(widest, font.TextWidth(tick.Label));
  return widest;
}

void FillRect(TPixelBitmap& picture, int left, int top, int width, int height, const TRGB& colour) {
  const int x0 = std::max(left, 0);
  const int x1 = std::min(left + width, picture.Width());
  for (int y = std::max(top, 0); y < std::min(top + height, picture.Height()); ++y) {
    for (int x = x0; x < x1; ++x) picture.SetPixelRGB(x, y, colour.Red, colour.Green, colour.Blue);
  }
}

// A one-pixel line around the width × height area at left, top.
void Box(TPixelBitmap& picture, int left, int top, int width, int height) {
  FillRect(picture, left - 1, top - 1, width + 2, 1, kFigureInk);
  FillRect(picture, left - 1, top + height, width + 2, 1, kFigureInk);
  FillRect(picture, left - 1, top, 1, height, kFigureInk);
  FillRect(picture, left + width, top, 1, height, kFigureInk);
}

// Text centred on row y, its left end at x.
void DrawMiddle(const TFigureFont& font, TPixelBitmap& picture, int x, int y, const std::string& text) {
  // Digits and capitals stand about 0.73 of the ascent high.
  font.Draw(picture, x, y + static_cast<int>(std::lround(0.36 * font.Ascent())), text, kFigureInk);
}

}  // namespace

// Labels beside a tall axis read best with a line or two of paper between them.
int FrameLabelSpacing(const TFigureFont& font) { return 2 * font.LineHeight() + 8; }

TFrameLayout PlanFrame(const TFigureFont& font, int plotWidth, int plotHeight, const TFrameTicks& ticks,
                       const std::string& legendCaption) {
  TFrameLayout layout;
  layout.PlotWidth = plotWidth;
  layout.PlotHeight = plotHeight;
  layout.PlotLeft = kPad + WidestLabel(font, ticks.Frequency) + kGap + kTick + 1;
  layout.PlotTop = kPad + font.LineHeight() + kPad;
  layout.LegendLeft = layout.PlotLeft + plotWidth + 1 + kLegendGap;
  layout.LegendWidth = kLegendBar;
  const int levelLabels = layout.LegendLeft + kLegendBar + 1 + kTick + kGap + WidestLabel(font, ticks.Level);
  const int caption = layout.LegendLeft + font.TextWidth(legendCaption);
  const std::int64_t width = std::int64_t{std::max(levelLabels, caption)} + kPad;
  const std::int64_t height =
      std::int64_t{layout.PlotTop} + plotHeight + 1 + kTick + kGap + font.LineHeight() + kPad;
  if (width > kMaxBitmapSide || height > kMaxBitmapSide) {
    throw EOutOfResources("a figure of " + std::to_string(width) + " × " + std::to_string(height) +
                          " pixels is larger than a picture may be");
  }
  layout.Width = static_cast<int>(width);
  layout.Height = static_cast<int>(height);
  return layout;
}

void DrawFrame(TPixelBitmap& figure, const TFigureFont& font, const TFrameLayout& layout, const TFrameTicks& ticks,
               const std::string& legendCaption, const std::string& title,
               const std::function<TRGB(int row)>& legendColour) {
  const int left = layout.PlotLeft;
  const int top = layout.PlotTop;
  const int width = layout.PlotWidth;
  const int height = layout.PlotHeight;
  Box(figure, left, top, width, height);

  const int labelsBaseline = top + height + 1 + kTick + kGap + font.Ascent();
  for (const TTick& tick : ticks.Time) {
    const int x = left + tick.Pixel;
    FillRect(figure, x, top + height + 1, 1, kTick, kFigureInk);
    const int textWidth = font.TextWidth(tick.Label);
    // The last label may not run under the legend's caption.
    const int at = std::clamp(x - textWidth / 2, 0, std::max(0, layout.LegendLeft - kGap - textWidth));
    font.Draw(figure, at, labelsBaseline, tick.Label, kFigureInk);
  }
  for (const TTick& tick : ticks.Frequency) {
    const int y = top + tick.Pixel;
    const int length = tick.Label.empty() ? kMinorTick : kTick;
    FillRect(figure, left - 1 - length, y, length, 1, kFigureInk);
    if (!tick.Label.empty()) {
      DrawMiddle(font, figure, left - 1 - kTick - kGap - font.TextWidth(tick.Label), y, tick.Label);
    }
  }

  const int legendLeft = layout.LegendLeft;
  for (int row = 0; row < height; ++row) FillRect(figure, legendLeft, top + row, kLegendBar, 1, legendColour(row));
  Box(figure, legendLeft, top, kLegendBar, height);
  for (const TTick& tick : ticks.Level) {
    const int y = top + tick.Pixel;
    FillRect(figure, legendLeft + kLegendBar + 1, y, kTick, 1, kFigureInk);
    DrawMiddle(font, figure, legendLeft + kLegendBar + 1 + kTick + kGap, y, tick.Label);
  }
  font.Draw(figure, legendLeft, labelsBaseline, legendCaption, kFigureInk);
  font.Draw(figure, left, kPad + font.Ascent(), title, kFigureInk);
}

std::string FrameFileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FrameRateText(std::int32_t rateHz) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%g kHz", rateHz / 1000.0);
  return text.data();
}

}  // namespace ombrisk
