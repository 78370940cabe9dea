// A view of a sound drawn as the viewer shows it: the plot alone (exactly Width × Height pixels,
// column 0 the start, row 0 the highest frequency), or framed with axes in seconds and hertz, a
// level legend in dBFS and the file's name. The window and `ombrisk-cli view` both draw through here.
//
//   const std::unique_ptr<TPixelBitmap> plot = DrawViewPlot(levels, view, TColourMap::Heat);
//   const auto figure = DrawViewFigure(levels, view, TColourMap::Heat, path, info);
//   const TViewFigureLayout at = ViewFigureLayout(view, path, info);   // where the plot sits in it
//
// Colours: grey has 0 dBFS black and −RangeDb and below white, linear in dB between; heat runs its
// map (colour_maps.h) from black at −RangeDb to pale yellow at 0 dBFS.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "figure/colour_maps.h"
#include "figure/spectrogram_figure.h"
#include "recording/recording_reader.h"
#include "spectrogram/sound_view.h"
#include "spectrogram/view_levels.h"
#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

struct TViewFigureLayout {
  int Width = 0;  // the whole figure
  int Height = 0;
  int PlotLeft = 0;  // the plot's top left pixel in the figure; it is view.Width × view.Height
  int PlotTop = 0;
  int LegendLeft = 0;  // the legend bar, as high as the plot
  int LegendWidth = 0;
};

// The colour of a level on the view's range.
TRGB ViewColour(float db, double rangeDb, TColourMap map);

// Raises EFigureError when levels are not view.Width × view.Height.
std::unique_ptr<TPixelBitmap> DrawViewPlot(const TViewLevels& levels, const TSoundView& view, TColourMap map);

// The name shown is path's last component. Raises EFigureError when the font cannot be loaded.
TViewFigureLayout ViewFigureLayout(const TSoundView& view, const std::string& path, const TRecordingInfo& info,
                                   const std::string& fontPath = kFigureFontPath);
std::unique_ptr<TPixelBitmap> DrawViewFigure(const TViewLevels& levels, const TSoundView& view, TColourMap map,
                                             const std::string& path, const TRecordingInfo& info,
                                             const std::string& fontPath = kFigureFontPath);

}  // namespace ombrisk
