// Where the figure's ticks go and what they say: time under the spectrogram, frequency beside
// it, the level beside the legend. Positions are pixels of the spectrogram (or legend bar) itself.
//
//   const auto ticks = TimeTicks(axes, picture.Width(), [&](const std::string& s) { return font.TextWidth(s); });
//   for (const TTick& t : ticks) ... t.Pixel, t.Label (empty for an unlabelled minor tick)
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ombrisk {

// What the figure needs to know about the analysis that drew the spectrogram.
struct TFigureAxes {
  std::int32_t SampleRateHz = 44100;  // the file's rate
  std::int32_t SampleSize = 1024;     // samples per column
  bool LogFrequency = false;
  bool LogVoltage = false;
  bool InvertBrightness = false;
  // The magnitude (as the levels count it, brightness included) a full-scale sine reaches in its
  // bin: the legend's 0 dB, or its 1 in the linear scale.
  double FullScaleMagnitude = 8388.608;
  std::string FileName;  // shown above the spectrogram
};

// The least room between two tick labels, in pixels.
inline constexpr int kTickLabelGap = 16;

struct TTick {
  int Pixel = 0;      // column (time), row from the top (frequency, level)
  std::string Label;  // empty: a minor tick
  bool operator==(const TTick&) const = default;
};

using TTextWidth = std::function<int(const std::string&)>;

// A tick at the start of every labelled time, in seconds ("2.5 s") or, from a minute on, m:ss
// ("1:30", "1:00:00" from an hour), spaced so that the labels do not touch. Column c spans
// c × N … (c + 1) × N samples; a time lands in the column that holds it, the end on column width.
std::vector<TTick> TimeTicks(const TFigureAxes& axes, int width, const TTextWidth& textWidth);

// Frequency ticks on the row where the analysis draws that frequency ("500 Hz", "2.5 kHz"), at
// least minSpacing rows apart. Linear: bin f × N ÷ rate on row H − 1 − bin, rounded; logarithmic:
// row H − 1 − round((H − 1) × log10(bin) ÷ log10(H − 1)), with unlabelled ticks between the
// labelled 1, 2 and 5 of each decade.
std::vector<TTick> FrequencyTicks(const TFigureAxes& axes, int minSpacing);

// The highest level a column can reach: 255, or where that lies beyond twice the full-scale
// magnitude (a full-scale square wave's first bin), the level of that.
int LegendTopLevel(const TFigureAxes& axes);

// The legend bar's ticks, height rows from LegendTopLevel (row 0) down to 0: dB against full
// scale ("−20") with LogVoltage, else the magnitude as a share of full scale ("0.01").
std::vector<TTick> LevelTicks(const TFigureAxes& axes, int height, int minSpacing);

// The level (0 … topLevel) a legend bar height rows high shows on row.
int LegendLevel(int row, int height, int topLevel);

// The labels' wording, for other axes to share. value with that many decimals and a true minus
// sign ("−20", "2.5"); the decimals that show every multiple of step (1, 2 or 5 × 10^k) exactly.
std::string TickNumber(double value, int decimals);
int TickDecimals(double step);
// m:ss, or h:mm:ss with hours, with decimals after the seconds ("1:10:00", "2:03.25").
std::string ClockLabel(double seconds, bool hours, int decimals = 0);
// "500 Hz", "2.5 kHz": hz with the decimals its step needs.
std::string FrequencyLabel(double hz, double step);
// 1, 2, 5 × 10^first … 10^last: the steps an axis may take.
std::vector<double> OneTwoFive(int first, int last);
// A logarithmic frequency axis from lowestHz to highestHz: a tick on every 1 … 9 × 10^k within
// it, the 1s, 2s and 5s labelled, or the 1s alone where those would come closer than minSpacing
// rows; row gives the row (from the top) a frequency is drawn on.
std::vector<TTick> LogFrequencyTicks(double lowestHz, double highestHz, int minSpacing,
                                     const std::function<int(double hz)>& row);

}  // namespace ombrisk
