// Where a sample stands in the spectrogram picture and back: column x covers the samples x·N to
// x·N + N − 1; a picture of W columns shown across S pixels (S = W unless stretched) draws column
// x from pixel ceil(x·S ÷ W), the first pixel whose column is x.
//
//   const std::int64_t x = ColumnOfSample(heard, 1024);
//   const int pixel = PlayheadPixel(x, picture.Width(), image.width());
//   if (const auto column = ColumnAtPixel(click.x(), picture.Width(), image.width())) play(*column);
#pragma once

#include <cstdint>
#include <optional>

namespace ombrisk {

inline std::int64_t ColumnOfSample(std::int64_t sample, std::int32_t sampleSize) { return sample / sampleSize; }
inline std::int64_t FirstSampleOfColumn(std::int64_t column, std::int32_t sampleSize) { return column * sampleSize; }

// The pixel the playhead of column is drawn on, within 0 … shownWidth − 1 (0 when nothing is shown).
int PlayheadPixel(std::int64_t column, std::int64_t columns, int shownWidth);

// The column under pixel, or nothing for a pixel outside the shown picture.
std::optional<std::int64_t> ColumnAtPixel(int pixel, std::int64_t columns, int shownWidth);

}  // namespace ombrisk
