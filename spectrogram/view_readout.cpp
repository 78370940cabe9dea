#include "spectrogram/view_readout.h"

namespace ombrisk {

std::optional<TPointerReading> ReadViewPixel(const TViewLevels& levels, const TSoundView& view, int x, int y) {
  if (x < 0 || y < 0 || x >= view.Width || y >= view.Height) return std::nullopt;
  TPointerReading reading;
  reading.Seconds = SecondsAtColumn(view, x + 0.5);
  reading.FrequencyHz = HzAtRow(view, y + 0.5);
  if (levels.Width == view.Width && levels.Height == view.Height && x < levels.ColumnsDone) {
    const float db = levels.At(x, y);
    reading.LevelDb = db;
    if (db <= -view.RangeDb) {
      reading.LevelDb = -view.RangeDb;
      reading.Bound = TLevelBound::AtOrBelow;
    }
  }
  return reading;
}

}  // namespace ombrisk
