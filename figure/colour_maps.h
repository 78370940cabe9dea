// The colour maps a spectrogram can be shown in. A map is indexed by how dark the analysis drew
// a pixel (255 − grey), which is the level when the grey is not inverted: so "heat" turns the
// default dark-on-white picture into loud-is-bright on black, and --invert turns that round.
//
//   const TColourMap map = ColourMapByName("heat");      // EFigureError naming anything unknown
//   ApplyColourMap(spectrogram, map);                    // grey pixels become the map's colours
//   const TRGB c = ColourMapTable(map)[255];             // the colour of the darkest grey
#pragma once

#include <array>
#include <string>

#include "toolkit/exception.h"
#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

class EFigureError : public Exception { using Exception::Exception; };

enum class TColourMap { Grey, Heat };

// "grey" (also "gray") or "heat", in any case.
TColourMap ColourMapByName(const std::string& name);

// Entry d is the colour of a pixel drawn with grey 255 − d. Grey: entry d is grey 255 − d. Heat:
// black through purple, red and orange to pale yellow, its CIE lightness rising by an even step
// from each entry to the next.
std::array<TRGB, 256> ColourMapTable(TColourMap map);

// Colours a grey spectrogram in place (each pixel's blue byte is taken as its grey); the grey map
// leaves it as it is.
void ApplyColourMap(TPixelBitmap& spectrogram, TColourMap map);

// CIE 1976 lightness L* (0 … 100) of an sRGB colour.
double CieLightness(const TRGB& colour);

}  // namespace ombrisk
