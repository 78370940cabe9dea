#include "figure/colour_maps.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace ombrisk {

namespace {

struct TLinearRgb {
  double R = 0.0;
  double G = 0.0;
  double B = 0.0;
};

double DecodeSrgb(std::uint8_t byte) {
  const double c = byte / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::uint8_t EncodeSrgb(double linear) {
  const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
  return static_cast<std::uint8_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0));
}

double LabInverse(double t) {
  constexpr double kDelta = 6.0 / 29.0;
  return t > kDelta ? t * t * t : 3.0 * kDelta * kDelta * (t - 4.0 / 29.0);
}

// CIELAB (D65 white) to linear sRGB.
TLinearRgb FromLab(double lightness, double a, double b) {
  const double fy = (lightness + 16.0) / 116.0;
  const double x = 0.95047 * LabInverse(fy + a / 500.0);
  const double y = LabInverse(fy);
  const double z = 1.08883 * LabInverse(fy - b / 200.0);
  return {3.2406 * x - 1.5372 * y - 0.4986 * z, -0.9689 * x + 1.8758 * y + 0.0415 * z,
          0.0557 * x - 0.2040 * y + 1.0570 * z};
}

bool InGamut(const TLinearRgb& c) {
  return c.R >= 0.0 && c.R <= 1.0 && c.G >= 0.0 && c.G <= 1.0 && c.B >= 0.0 && c.B <= 1.0;
}

double Luminance(const TRGB& c) {
  return 0.2126 * DecodeSrgb(c.Red) + 0.7152 * DecodeSrgb(c.Green) + 0.0722 * DecodeSrgb(c.Blue);
}

// Lightness runs evenly from black to white while the hue turns from purple (290°) through red to
// yellow (95°); the chroma swells towards the middle and is cut back wherever sRGB cannot show it,
// which leaves the lightness alone.
TRGB HeatColour(int entry) {
  const double s = entry / 255.0;
  const double lightness = 100.0 * s;
  const double hue = (290.0 + 165.0 * s) * std::numbers::pi / 180.0;
  const auto at = [&](double chroma) { return FromLab(lightness, chroma * std::cos(hue), chroma * std::sin(hue)); };
  const double wanted = 75.0 * std::pow(std::sin(std::numbers::pi * s), 0.7);
  TLinearRgb rgb = at(wanted);
  if (!InGamut(rgb)) {
    // The most chroma sRGB shows at this lightness and hue: the colours then run smoothly along
    // the gamut's edge instead of jumping between cut-back steps.
    double inside = 0.0;
    double outside = wanted;
    for (int step = 0; step < 40; ++step) {
      const double middle = (inside + outside) / 2.0;
      (InGamut(at(middle)) ? inside : outside) = middle;
    }
    rgb = at(inside);
  }
  return {EncodeSrgb(rgb.R), EncodeSrgb(rgb.G), EncodeSrgb(rgb.B)};
}

std::array<TRGB, 256> HeatTable() {
  std::array<TRGB, 256> table{};
  for (int d = 0; d < 256; ++d) table[static_cast<std::size_t>(d)] = HeatColour(d);
  // Rounding to bytes can leave a dark entry no brighter than the one before (a byte step near
  // black is more than a lightness step); nudge such an entry up by the least that fixes it.
  for (std::size_t d = 1; d < table.size(); ++d) {
    TRGB& c = table[d];
    while (Luminance(c) <= Luminance(table[d - 1]) && c.Green < 255) {
      c.Green = static_cast<std::uint8_t>(c.Green + 1);
    }
  }
  return table;
}

}  // namespace

TColourMap ColourMapByName(const std::string& name) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "grey" || lower == "gray") return TColourMap::Grey;
  if (lower == "heat") return TColourMap::Heat;
  throw EFigureError("unknown colour map '" + name + "': grey or heat");
}

std::array<TRGB, 256> ColourMapTable(TColourMap map) {
  if (map == TColourMap::Heat) return HeatTable();
  std::array<TRGB, 256> table{};
  for (int d = 0; d < 256; ++d) {
    const auto grey = static_cast<std::uint8_t>(255 - d);
    table[static_cast<std::size_t>(d)] = {grey, grey, grey};
  }
  return table;
}

void ApplyColourMap(TPixelBitmap& spectrogram, TColourMap map) {
  if (map == TColourMap::Grey) return;
  const std::array<TRGB, 256> table = ColourMapTable(map);
  const auto width = static_cast<std::size_t>(spectrogram.Width());
  for (int y = 0; y < spectrogram.Height(); ++y) {
    std::uint8_t* pixel = spectrogram.ScanLine(y);
    for (std::size_t x = 0; x < width; ++x, pixel += 4) {
      const TRGB& c = table[static_cast<std::size_t>(255 - pixel[0])];
      pixel[0] = c.Blue;
      pixel[1] = c.Green;
      pixel[2] = c.Red;
    }
  }
}

double CieLightness(const TRGB& colour) {
  const double y = Luminance(colour);
  return y > 216.0 / 24389.0 ? 116.0 * std::cbrt(y) - 16.0 : y * 24389.0 / 27.0;
}

}  // namespace ombrisk
