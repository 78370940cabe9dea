#include "figure/view_ticks.h"

#include <algorithm>
#include <cmath>

namespace ombrisk {

namespace {

// The row whose band holds hz: rows span y … y + 1 of RowOfHz.
int RowHolding(const TSoundView& view, double hz) {
  return std::clamp(static_cast<int>(std::floor(RowOfHz(view, hz) - 1e-9)), 0, view.Height - 1);
}

}  // namespace

std::vector<TTick> ViewTimeTicks(const TSoundView& view, const TTextWidth& textWidth) {
  const double from = view.FromSeconds;
  const double to = view.ToSeconds;
  const double span = to - from;
  const double pixelsPerSecond = view.Width / span;
  const bool clock = to >= 60.0;
  const bool hours = to >= 3600.0;
  std::vector<double> steps = OneTwoFive(-6, 0);
  if (clock) {
    // From a second on, a clock is read in sixties.
    steps.insert(steps.end(), {10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 18000, 36000, 86400});
  } else {
    steps.insert(steps.end(), {10.0, 20.0, 30.0});
  }
  for (const double step : steps) {
    const int decimals = TickDecimals(step);
    const auto label = [&](double t) { return clock ? ClockLabel(t, hours, decimals) : TickNumber(t, decimals) + " s"; };
    const double firstIndex = std::ceil(from / step - 1e-9);
    const double lastIndex = std::floor(to / step + 1e-9);
    if (lastIndex - firstIndex > 4.0 * view.Width) continue;
    // Digits are all as wide, so the last label is as wide as any.
    const int widest = std::max(textWidth(label(firstIndex * step)), textWidth(label(lastIndex * step)));
    if (step * pixelsPerSecond < widest + kTickLabelGap) continue;
    std::vector<TTick> ticks;
    for (double i = firstIndex; i <= lastIndex; ++i) {
      const double t = i * step;
      const int column = static_cast<int>(std::floor((t - from) * pixelsPerSecond + 1e-6));
      ticks.push_back({std::clamp(column, 0, view.Width), label(t)});
    }
    return ticks;
  }
  return {TTick{0, clock ? ClockLabel(from, hours, 3) : TickNumber(from, 3) + " s"}};
}

std::vector<TTick> ViewFrequencyTicks(const TSoundView& view, int minSpacing) {
  std::vector<TTick> ticks;
  const double lo = view.LowHz;
  const double hi = view.HighHz;
  if (!view.LogFrequency) {
    const double rowsPerHz = view.Height / (hi - lo);
    for (const double step : OneTwoFive(-3, 9)) {
      if (step * rowsPerHz < minSpacing) continue;
      for (double i = std::ceil(lo / step - 1e-9); i * step <= hi * (1 + 1e-12); ++i) {
        ticks.push_back({RowHolding(view, i * step), FrequencyLabel(i * step, step)});
      }
      return ticks;
    }
    return ticks;
  }
  return LogFrequencyTicks(lo, hi, minSpacing, [&](double hz) { return RowHolding(view, hz); });
}

std::vector<TTick> ViewLevelTicks(double rangeDb, int height, int minSpacing) {
  if (height < 2 || !(rangeDb > 0)) return {};
  const double rowsPerDb = (height - 1) / rangeDb;
  for (const double step : OneTwoFive(-2, 4)) {
    if (step * rowsPerDb < minSpacing) continue;
    std::vector<TTick> ticks;
    for (double i = 0; i * step <= rangeDb + 1e-9; ++i) {
      const int row = static_cast<int>(std::lround(i * step * rowsPerDb));
      ticks.push_back({std::clamp(row, 0, height - 1), TickNumber(-i * step, TickDecimals(step))});
    }
    return ticks;
  }
  return {TTick{0, "0"}};
}

}  // namespace ombrisk
