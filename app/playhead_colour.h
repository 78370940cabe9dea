// The playhead's colour, the same in the preview and in the viewer: red stands out on the grey
// spectrogram whichever way its brightness is inverted, and on both colour maps.
#pragma once

#include <QColor>

namespace ombrisk {

inline const QColor kPlayheadColour(255, 0, 0);

}  // namespace ombrisk
