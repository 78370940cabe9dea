// A finished spectrogram inside a frame: time along the bottom, frequency on the left (on the
// file's own rate, linear or logarithmic as analysed), a level legend on the right and the file's
// name above. The spectrogram's pixels are copied unchanged (after the colour map).
//
//   const TFigureAxes axes = FigureAxesFor(settings, info.SampleRateHz, path);
//   std::unique_ptr<TPixelBitmap> figure = DrawFigure(*spectrogram, axes, TColourMap::Heat);
//   const TFigureLayout layout = FigureLayout(*spectrogram, axes);  // where the spectrogram sits
#pragma once

#include <memory>
#include <string>

#include "figure/colour_maps.h"
#include "figure/figure_ticks.h"
#include "spectrogram/spectrogram_analysis.h"
#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

// Where Debian's fonts-dejavu-core puts the labels' font, and fonts-noto-cjk the one that
// supplies what it lacks (Japanese file names); the second may be missing.
inline constexpr const char* kFigureFontPath = OMBRISK_FIGURE_FONT;
inline constexpr const char* kFigureFallbackFontPath = OMBRISK_FIGURE_FALLBACK_FONT;
inline constexpr int kFigureFontPixels = 12;

// The axes of a spectrogram analysed with settings from a file at rateHz; the name shown is
// path's last component.
TFigureAxes FigureAxesFor(const TSpectrogramSettings& settings, std::int32_t rateHz, const std::string& path);

struct TFigureLayout {
  int Width = 0;             // the whole figure
  int Height = 0;
  int SpectrogramLeft = 0;   // the spectrogram's top left pixel in the figure
  int SpectrogramTop = 0;
  int LegendLeft = 0;        // the legend bar, as high as the spectrogram
  int LegendWidth = 0;
};

TFigureLayout FigureLayout(const TPixelBitmap& spectrogram, const TFigureAxes& axes, const std::string& fontPath = kFigureFontPath);

// Raises EFigureError when the font cannot be loaded or the axes make no sense, EOutOfResources
// when the figure would exceed the bitmap limits.
std::unique_ptr<TPixelBitmap> DrawFigure(const TPixelBitmap& spectrogram, const TFigureAxes& axes, TColourMap map,
                                         const std::string& fontPath = kFigureFontPath);

}  // namespace ombrisk
