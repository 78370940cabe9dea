// TFigureFont: text for the figure's labels, through FreeType from a TrueType file, drawn
// anti-aliased onto a TPixelBitmap. Sizes and positions are in pixels. A character the font lacks
// (a Japanese file name) comes from the first fallback font that has it.
//
//   const TFigureFont font(kFigureFontPath, 12, {kCjkFont}); // EFigureError naming the first file
//                                                            // if unreadable; fallbacks may be missing
//   const int w = font.TextWidth("2.5 kHz");
//   font.Draw(picture, x, baseline, "2.5 kHz", {0, 0, 0}); // clipped to the picture
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

class TFigureFont {
public:
  TFigureFont(const std::string& path, int pixelSize, const std::vector<std::string>& fallbacks = {});
  ~TFigureFont();
  TFigureFont(const TFigureFont&) = delete;
  TFigureFont& operator=(const TFigureFont&) = delete;

  // Pixels above and below the baseline that any line of text may use.
  int Ascent() const;
  int Descent() const;
  int LineHeight() const { return Ascent() + Descent(); }
  // The advance of text (UTF-8; a byte that is not UTF-8 counts as U+FFFD).
  int TextWidth(const std::string& text) const;
  // Blends text over the picture with its left end at x and its baseline at row baseline.
  void Draw(TPixelBitmap& picture, int x, int baseline, const std::string& text, const TRGB& colour) const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> m_impl;
};

}  // namespace ombrisk
