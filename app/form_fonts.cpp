#include "app/form_fonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <initializer_list>

namespace ombrisk {

namespace {

struct TFace {
  const char* Family;
  int Pixels;
};

// The first installed face with its own size; the stand-ins are sized to take the room the
// Windows face takes, so the captions fit the designed control sizes. All faces stay listed for
// glyphs the chosen one lacks.
QFont MakeFont(std::initializer_list<TFace> faces) {
  QStringList families;
  for (const TFace& face : faces) families.append(QString::fromUtf8(face.Family));
  int pixels = faces.begin()->Pixels;
  for (const TFace& face : faces) {
    if (QFontDatabase::hasFamily(QString::fromUtf8(face.Family))) {
      pixels = face.Pixels;
      break;
    }
  }
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixels);
  return font;
}

}  // namespace

QFont SansSerifFont() {
  return MakeFont({{"MS Sans Serif", 12},
                   {"Microsoft Sans Serif", 11},
                   {"Liberation Sans", 11},
                   {"DejaVu Sans Condensed", 11},
                   {"Noto Sans CJK JP", 11}});
}

QFont UiGothicFont() { return MakeFont({{"MS UI Gothic", 12}, {"Noto Sans CJK JP", 12}, {"DejaVu Sans", 12}}); }

QFont PGothicFont() {
  return MakeFont({{"ＭＳ Ｐゴシック", 12}, {"MS PGothic", 12}, {"Noto Sans CJK JP", 12}, {"DejaVu Sans", 12}});
}

QFont TimesItalicFont() {
  QFont font = MakeFont({{"Times New Roman", 19}, {"Liberation Serif", 19}, {"DejaVu Serif", 18}, {"Noto Serif CJK JP", 18}});
  font.setItalic(true);
  return font;
}

QFont ArialBoldFont() {
  QFont font = MakeFont({{"Arial", 12}, {"Liberation Sans", 12}, {"DejaVu Sans", 12}});
  font.setBold(true);
  return font;
}

}  // namespace ombrisk
