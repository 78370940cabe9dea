// What a view shows under the pointer: the time of the plot column, the frequency of the row and
// the level computed for that pixel, in the read-out's own wording (pointer_readout.h).
//
//   if (const auto reading = ReadViewPixel(levels, view, x, y)) label = FormatReading(*reading);
//
// x, y are pixels of the plot area (0, 0 its top left); the time is the column's middle, the
// frequency the row's middle on the view's scale.
#pragma once

#include <optional>

#include "spectrogram/pointer_readout.h"
#include "spectrogram/sound_view.h"
#include "spectrogram/view_levels.h"

namespace ombrisk {

// Nothing outside the plot; no level where levels does not hold the pixel (yet).
std::optional<TPointerReading> ReadViewPixel(const TViewLevels& levels, const TSoundView& view, int x, int y);

}  // namespace ombrisk
