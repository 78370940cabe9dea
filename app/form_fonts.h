// The Windows fonts the windows were designed with, each followed by close stand-ins for systems
// that lack it. Japanese text falls back to Noto Sans CJK wherever the chosen face has no glyphs.
//
//   form->setFont(SansSerifFont());   // "MS Sans Serif", 12 pixels
#pragma once

#include <QFont>

namespace ombrisk {

QFont SansSerifFont();      // "MS Sans Serif", 12 pixels: the main and preview windows
QFont UiGothicFont();       // "MS UI Gothic", 12 pixels: the path fields
QFont PGothicFont();        // "ＭＳ Ｐゴシック", 12 pixels: the version window
QFont TimesItalicFont();    // "Times New Roman", 19 pixels, italic: the version number
QFont ArialBoldFont();      // "Arial", 12 pixels, bold: the version window's button

}  // namespace ombrisk
