#include "app/form_fonts.h"

#include <QStringList>

namespace ombrisk {

namespace {

constexpr int kFormFontPixels = 12;
constexpr int kVersionFontPixels = 19;

QFont MakeFont(const QStringList& families, int pixels) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixels);
  return font;
}

}  // namespace

QFont SansSerifFont() {
  return MakeFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("Noto Sans CJK JP")},
                  kFormFontPixels);
}

QFont UiGothicFont() {
  return MakeFont({QStringLiteral("MS UI Gothic"), QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")},
                  kFormFontPixels);
}

QFont PGothicFont() {
  return MakeFont({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
                   QStringLiteral("DejaVu Sans")},
                  kFormFontPixels);
}

QFont TimesItalicFont() {
  QFont font = MakeFont({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                         QStringLiteral("DejaVu Serif"), QStringLiteral("Noto Serif CJK JP")},
                        kVersionFontPixels);
  font.setItalic(true);
  return font;
}

QFont ArialBoldFont() {
  QFont font = MakeFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                        kFormFontPixels);
  font.setBold(true);
  return font;
}

}  // namespace ombrisk
