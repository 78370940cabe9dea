// The ticks of a sound view's axes: time along the plot from the view's start (not from 0), the
// band beside it on its linear or logarithmic scale, and the level legend in dBFS. Positions are
// pixels of the plot (or legend bar) itself.
//
//   const auto ticks = ViewTimeTicks(view, [&](const std::string& s) { return font.TextWidth(s); });
#pragma once

#include <vector>

#include "figure/figure_ticks.h"
#include "spectrogram/sound_view.h"

namespace ombrisk {

// Every multiple of a step within the span, spaced so that the labels do not touch: "2.5 s"
// while the span ends before a minute, "1:02.5" or "1:10:00" (from an hour) after. A time lands
// in the column that holds it.
std::vector<TTick> ViewTimeTicks(const TSoundView& view, const TTextWidth& textWidth);

// Labelled rows at least minSpacing apart, on the row whose band holds the frequency. Logarithmic:
// 1, 2 and 5 of each decade labelled (only 1 where they crowd), the other digits as minor ticks.
std::vector<TTick> ViewFrequencyTicks(const TSoundView& view, int minSpacing);

// 0 dBFS on row 0 down to −RangeDb on row height − 1.
std::vector<TTick> ViewLevelTicks(double rangeDb, int height, int minSpacing);

}  // namespace ombrisk
