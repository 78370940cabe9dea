#include "spectrogram/pointer_readout.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "spectrogram/spectrogram_geometry.h"

namespace ombrisk {

namespace {

constexpr int kGreyLevels = 255;

// The part of a picture of count cells under pixel, shown across shown pixels.
std::optional<std::int64_t> CellAlong(int pixel, int shown, std::int64_t count) {
  if (pixel < 0 || pixel >= shown || count <= 0) return std::nullopt;
  return std::int64_t{pixel} * count / shown;
}

// The bin the row shows: the last one drawn on it (several share a row near the top of the
// logarithmic scale), or nothing for a row no bin reaches, which keeps the picture's black fill.
std::optional<std::int32_t> BinShownOnRow(std::int32_t row, const TReadoutScale& scale) {
  const std::vector<int> rows = SpectrogramRows(scale.SampleSize, scale.LogFrequency);
  for (std::size_t k = rows.size(); k-- > 0;) {
    if (rows[k] == row) return static_cast<std::int32_t>(k);
  }
  return std::nullopt;
}

// The scaled magnitude m that the analysis would turn into the clamped value c.
double ScaledMagnitude(double c, bool logVoltage) { return logVoltage ? 4.0 * std::pow(10.0, c / 20.0) : c; }

std::string Printed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::optional<TPictureCell> CellAtPixel(int x, int y, int shownWidth, int shownHeight, std::int64_t columns,
                                        std::int32_t rows) {
  const std::optional<std::int64_t> column = CellAlong(x, shownWidth, columns);
  const std::optional<std::int64_t> row = CellAlong(y, shownHeight, rows);
  if (!column || !row) return std::nullopt;
  return TPictureCell{*column, static_cast<std::int32_t>(*row)};
}

TPointerReading ReadCell(const TPictureCell& cell, std::uint8_t grey, const TReadoutScale& scale) {
  TPointerReading reading;
  const double rate = scale.SampleRateHz;
  reading.Seconds = static_cast<double>(cell.Column) * scale.SampleSize / rate;

  const std::optional<std::int32_t> bin = BinShownOnRow(cell.Row, scale);
  if (!bin) {
    // Between the bins of the logarithmic scale: where the row lies, but no level.
    const double top = scale.SampleSize / 2 - 1;
    reading.FrequencyHz = std::pow(top, (top - cell.Row) / top) * rate / scale.SampleSize;
    return reading;
  }
  reading.FrequencyHz = static_cast<double>(*bin) * rate / scale.SampleSize;

  if (scale.FullScaleMagnitude > 0) {
    // The analysis draws 255 − c (then inverted if asked), c = clamp(round(m)) for the scaled
    // magnitude m, so c = 0 and c = 255 only bound the level.
    const int c = scale.InvertBrightness ? grey : kGreyLevels - grey;
    double shownC = c;
    if (c == 0) {
      reading.Bound = TLevelBound::AtOrBelow;
      shownC = 0.5;
    } else if (c == kGreyLevels) {
      reading.Bound = TLevelBound::AtOrAbove;
    }
    reading.LevelDb = 20.0 * std::log10(ScaledMagnitude(shownC, scale.LogVoltage) / scale.FullScaleMagnitude);
  }
  return reading;
}

std::string FormatReading(const TPointerReading& reading) {
  const auto centiseconds = static_cast<std::int64_t>(std::llround(reading.Seconds * 100.0));
  char time[48];
  std::snprintf(time, sizeof time, "%lld:%02lld.%02lld", static_cast<long long>(centiseconds / 6000),
                static_cast<long long>(centiseconds / 100 % 60), static_cast<long long>(centiseconds % 100));
  std::string text = time;
  text += " \u00b7 ";
  text += reading.FrequencyHz < 999.5 ? Printed("%.0f Hz", reading.FrequencyHz)
                                      : Printed("%.2f kHz", reading.FrequencyHz / 1000.0);
  if (reading.LevelDb) {
    text += " \u00b7 ";
    if (reading.Bound == TLevelBound::AtOrBelow) text += "\u2264 ";
    if (reading.Bound == TLevelBound::AtOrAbove) text += "\u2265 ";
    const long long level = std::llround(*reading.LevelDb);
    text += level < 0 ? "\u2212" + std::to_string(-level) : std::to_string(level);
    text += " dB";
  }
  return text;
}

}  // namespace ombrisk
