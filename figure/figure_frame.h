// The frame a plot is drawn in, shared by a spectrogram's figure and a sound view's: the plot
// boxed, time ticks below it, frequency ticks on its left, a level legend bar on its right with
// its caption below, and a title line above.
//
//   const TFrameLayout layout = PlanFrame(font, plotWidth, plotHeight, ticks, caption);
//   ... fill the paper, paint the plot at layout.PlotLeft, layout.PlotTop ...
//   DrawFrame(*figure, font, layout, ticks, caption, title, [&](int row) { return legendColour(row); });
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "figure/figure_font.h"
#include "figure/figure_ticks.h"
#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

inline constexpr TRGB kFigureInk{0, 0, 0};
inline constexpr TRGB kFigurePaper{255, 255, 255};

struct TFrameTicks {
  std::vector<TTick> Time;
  std::vector<TTick> Frequency;
  std::vector<TTick> Level;
};

struct TFrameLayout {
  int Width = 0;  // the whole figure
  int Height = 0;
  int PlotWidth = 0;
  int PlotHeight = 0;
  int PlotLeft = 0;  // the plot's top left pixel in the figure
  int PlotTop = 0;
  int LegendLeft = 0;  // the legend bar, as high as the plot
  int LegendWidth = 0;
};

// The spacing in pixels that the frequency and level labels keep between them.
int FrameLabelSpacing(const TFigureFont& font);

// Raises EOutOfResources when the figure would exceed the bitmap limits.
TFrameLayout PlanFrame(const TFigureFont& font, int plotWidth, int plotHeight, const TFrameTicks& ticks,
                       const std::string& legendCaption);

// Everything but the plot's pixels, on a figure of layout's size; legendColour gives the colour of
// each of the legend bar's rows, 0 the top.
void DrawFrame(TPixelBitmap& figure, const TFigureFont& font, const TFrameLayout& layout, const TFrameTicks& ticks,
               const std::string& legendCaption, const std::string& title,
               const std::function<TRGB(int row)>& legendColour);

// The last component of a path, and a rate as the title shows it ("44.1 kHz").
std::string FrameFileName(const std::string& path);
std::string FrameRateText(std::int32_t rateHz);

}  // namespace ombrisk
