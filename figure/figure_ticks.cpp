#include "figure/figure_ticks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "figure/colour_maps.h"

namespace ombrisk {

namespace {

std::string Fixed(double value, int decimals) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  std::string out = text.data();
  if (out == "-0" || out.rfind("-0.", 0) == 0) {
    if (out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
  }
  // A typographic minus, as the labels are read, not parsed.
  if (!out.empty() && out[0] == '-') out.replace(0, 1, "\u2212");
  return out;
}

// Decimals that show every multiple of step (a 1, 2 or 5 times a power of ten) exactly.
int DecimalsFor(double step) { return std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9))); }

std::string Clock(double seconds, bool hours) {
  const auto whole = static_cast<long long>(std::floor(seconds + 1e-9));
  std::array<char, 64> text{};
  if (hours) {
    std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  } else {
    std::snprintf(text.data(), text.size(), "%lld:%02lld", whole / 60, whole % 60);
  }
  return text.data();
}

void ValidateAxes(const TFigureAxes& axes) {
  if (axes.SampleRateHz <= 0) throw EFigureError("a sample rate of " + std::to_string(axes.SampleRateHz) + " Hz has no time axis");
  if (axes.SampleSize < 4) throw EFigureError("a column of " + std::to_string(axes.SampleSize) + " samples has no frequency axis");
}

}  // namespace

// 1, 2, 5, 10, 20, 50 … from the power of ten at or below first, through 10^last.
std::vector<double> OneTwoFive(int first, int last) {
  std::vector<double> steps;
  for (int exponent = first; exponent <= last; ++exponent) {
    for (const double m : {1.0, 2.0, 5.0}) steps.push_back(m * std::pow(10.0, exponent));
  }
  return steps;
}

std::vector<TTick> LogFrequencyTicks(double lowestHz, double highestHz, int minSpacing,
                                     const std::function<int(double hz)>& row) {
  std::vector<TTick> ticks;
  const int firstDecade = static_cast<int>(std::floor(std::log10(lowestHz)));
  const int lastDecade = static_cast<int>(std::ceil(std::log10(highestHz)));
  for (const std::vector<int>& labelled : {std::vector<int>{1, 2, 5}, std::vector<int>{1}}) {
    ticks.clear();
    int lastLabelledRow = -1;
    bool crowded = false;
    for (int decade = firstDecade; decade <= lastDecade; ++decade) {
      for (int m = 1; m <= 9; ++m) {
        const double hz = m * std::pow(10.0, decade);
        if (hz < lowestHz * (1 - 1e-12) || hz > highestHz * (1 + 1e-12)) continue;
        const bool labels = std::find(labelled.begin(), labelled.end(), m) != labelled.end();
        const int y = row(hz);
        if (labels) {
          if (lastLabelledRow >= 0 && lastLabelledRow - y < minSpacing) crowded = true;
          lastLabelledRow = y;
        }
        ticks.push_back({y, labels ? FrequencyLabel(hz, hz) : std::string()});
      }
    }
    if (!crowded) break;
  }
  return ticks;
}

std::string TickNumber(double value, int decimals) { return Fixed(value, decimals); }

int TickDecimals(double step) { return DecimalsFor(step); }

std::string ClockLabel(double seconds, bool hours, int decimals) {
  if (decimals <= 0) return Clock(seconds, hours);
  // Whole seconds from the clock, the fraction after them, rounded as the label shows it.
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::nearbyint(seconds * scale) / scale;
  const double whole = std::floor(rounded + 1e-9);
  std::string fraction = Fixed(rounded - whole, decimals);
  fraction.erase(0, fraction.find('.'));
  return Clock(whole, hours) + fraction;
}

std::string FrequencyLabel(double hz, double step) {
  if (hz < 1000.0) return Fixed(hz, DecimalsFor(std::min(step, 1.0))) + " Hz";
  return Fixed(hz / 1000.0, DecimalsFor(step / 1000.0)) + " kHz";
}

std::vector<TTick> TimeTicks(const TFigureAxes& axes, int width, const TTextWidth& textWidth) {
  ValidateAxes(axes);
  const double columnsPerSecond = static_cast<double>(axes.SampleRateHz) / axes.SampleSize;
  const double duration = width / columnsPerSecond;
  const bool clock = duration >= 60.0;
  const bool hours = duration >= 3600.0;
  std::vector<double> steps = OneTwoFive(-3, 0);
  if (clock) {
    // Whole seconds and minutes only: a clock is read in sixties.
    steps = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 18000, 36000, 86400};
  } else {
    steps.insert(steps.end(), {10.0, 20.0, 30.0});
  }
  const auto label = [&](double t, int decimals) { return clock ? Clock(t, hours) : Fixed(t, decimals) + " s"; };
  for (const double step : steps) {
    const int decimals = DecimalsFor(step);
    const auto count = static_cast<long long>(std::floor(duration / step + 1e-9));
    // Digits are all as wide, so the last label is the widest; only the step that fits is labelled.
    const int widest = std::max(textWidth(label(0.0, decimals)), textWidth(label(static_cast<double>(count) * step, decimals)));
    if (step * columnsPerSecond < widest + kTickLabelGap) continue;
    std::vector<TTick> ticks;
    for (long long i = 0; i <= count; ++i) {
      const double t = static_cast<double>(i) * step;
      const double column = std::floor(t * columnsPerSecond + 1e-9);
      if (column > width) break;
      ticks.push_back({static_cast<int>(column), label(t, decimals)});
    }
    return ticks;
  }
  // Longer than any step can space out: the start alone.
  return {TTick{0, label(0.0, 0)}};
}

std::vector<TTick> FrequencyTicks(const TFigureAxes& axes, int minSpacing) {
  ValidateAxes(axes);
  const int height = axes.SampleSize / 2;
  const double binsPerHz = static_cast<double>(axes.SampleSize) / axes.SampleRateHz;
  std::vector<TTick> ticks;
  if (!axes.LogFrequency) {
    const double top = (height - 1) / binsPerHz;
    for (const double step : OneTwoFive(-2, 9)) {
      if (step * binsPerHz < minSpacing) continue;
      for (long long i = 0; static_cast<double>(i) * step <= top + 1e-9; ++i) {
        const double hz = static_cast<double>(i) * step;
        ticks.push_back({static_cast<int>(std::lround(height - 1 - hz * binsPerHz)), FrequencyLabel(hz, step)});
      }
      return ticks;
    }
    return ticks;
  }
  const double logTop = std::log10(static_cast<double>(height - 1));
  return LogFrequencyTicks(1.0 / binsPerHz, (height - 1) / binsPerHz, minSpacing, [&](double hz) {
    return height - 1 - static_cast<int>(std::lround((height - 1) * std::log10(hz * binsPerHz) / logTop));
  });
}

int LegendTopLevel(const TFigureAxes& axes) {
  // At brightness 0 every bin is level 0.
  if (!(axes.FullScaleMagnitude > 0.0)) return 1;
  const double loudest = 2.0 * axes.FullScaleMagnitude;
  const double level = axes.LogVoltage ? 20.0 * std::log10(loudest / 4.0) : loudest;
  return std::clamp(static_cast<int>(std::ceil(level)), 1, 255);
}

int LegendLevel(int row, int height, int topLevel) {
  if (height <= 1) return topLevel;
  return static_cast<int>(std::lround(static_cast<double>(topLevel) * (height - 1 - row) / (height - 1)));
}

std::vector<TTick> LevelTicks(const TFigureAxes& axes, int height, int minSpacing) {
  const int top = LegendTopLevel(axes);
  if (height < 2) return {};
  if (!(axes.FullScaleMagnitude > 0.0)) {
    // Nothing but level 0, which is a magnitude of 0 and no level in dB.
    if (axes.LogVoltage) return {};
    return {TTick{height - 1, "0"}};
  }
  const double rowsPerLevel = (height - 1) / static_cast<double>(top);
  // A level L stands for L ÷ full (linear) or L − 20 log10(full ÷ 4) dB (logarithmic).
  const double full = axes.FullScaleMagnitude;
  const double offset = 20.0 * std::log10(full / 4.0);
  const double levelsPerUnit = axes.LogVoltage ? 1.0 : full;
  const double lowest = axes.LogVoltage ? -offset : 0.0;
  const double highest = axes.LogVoltage ? top - offset : top / full;
  std::vector<TTick> ticks;
  for (const double step : OneTwoFive(axes.LogVoltage ? 0 : -9, 9)) {
    if (step * levelsPerUnit * rowsPerLevel < minSpacing) continue;
    for (long long i = static_cast<long long>(std::ceil(lowest / step - 1e-9)); i * step <= highest + 1e-9; ++i) {
      const double value = static_cast<double>(i) * step;
      const double level = axes.LogVoltage ? value + offset : value * full;
      const int row = height - 1 - static_cast<int>(std::lround(level * rowsPerLevel));
      ticks.push_back({std::clamp(row, 0, height - 1), Fixed(value, DecimalsFor(step))});
    }
    return ticks;
  }
  return ticks;
}

}  // namespace ombrisk
