// A view drawn at once from levels already computed for another view of the same sound and
// channel: each pixel takes the computed pixel nearest its time and frequency, silence where the
// earlier view did not reach. The viewer shows it for a zoom or pan step while the exact levels
// are computed again from the sound.
//
//   shown = ReprojectLevels(shown, shownView, newView);   // then refined column by column
#pragma once

#include "spectrogram/sound_view.h"
#include "spectrogram/view_levels.h"

namespace ombrisk {

// levels are from.Width × from.Height; the result is to.Width × to.Height, every column counted
// as done.
TViewLevels ReprojectLevels(const TViewLevels& levels, const TSoundView& from, const TSoundView& to);

}  // namespace ombrisk
