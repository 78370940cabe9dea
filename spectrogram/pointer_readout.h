// What the spectrogram shows under the mouse pointer: the time of the column, the frequency of the
// row and the level its grey stands for, worked back from the settings the picture was drawn with.
// The picture (columns × rows) may be shown at its own size or stretched over shownWidth ×
// shownHeight pixels; pixels count from the picture's top left, wherever the view is scrolled.
//
//   if (const auto cell = CellAtPixel(x, y, shownWidth, shownHeight, columns, rows))
//     label = FormatReading(ReadCell(*cell, grey at *cell, scale));   // "1:02.35 · 5.62 kHz · −32 dB"
//
// Time in seconds from the start of the file to the column's first sample; frequency in hertz of
// the bin drawn on the row (the last drawn where several share it); level in decibels, 0 dB being
// a sine at full scale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ombrisk {

// How the shown picture was drawn.
struct TReadoutScale {
  std::int32_t SampleRateHz = 44100;
  std::int32_t SampleSize = 1024;
  bool LogFrequency = false;
  bool LogVoltage = false;
  // FullScaleBinMagnitude of the settings drawn with; 0 where every level is drawn alike.
  double FullScaleMagnitude = 4194.304;
  bool InvertBrightness = false;
};

struct TPictureCell {
  std::int64_t Column = 0;
  std::int32_t Row = 0;  // 0 the top row
};

// The grey stands for a level beyond what it can show: this loud or quieter, or louder.
enum class TLevelBound { Exact, AtOrBelow, AtOrAbove };

struct TPointerReading {
  double Seconds = 0;
  double FrequencyHz = 0;
  // None where the brightness draws every level alike (factor 0), and on the rows between the
  // bins of the logarithmic scale, which show the black fill.
  std::optional<double> LevelDb;
  TLevelBound Bound = TLevelBound::Exact;
};

// The picture cell under the pixel, or nothing outside the shown picture.
std::optional<TPictureCell> CellAtPixel(int x, int y, int shownWidth, int shownHeight, std::int64_t columns,
                                        std::int32_t rows);

TPointerReading ReadCell(const TPictureCell& cell, std::uint8_t grey, const TReadoutScale& scale);

// "m:ss.cc · f · level": f as "840 Hz" or "5.62 kHz", level as "−32 dB" (a true minus sign), with
// "≤ " or "≥ " where it is a bound; without the level where there is none. UTF-8.
std::string FormatReading(const TPointerReading& reading);

}  // namespace ombrisk
