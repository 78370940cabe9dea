// Draws the version window's artwork: 341 × 301 pixels, 24 bits per pixel, with the product's name
// at the top, a spectrogram-like band in the middle and the word "Version" at the lower left, ending
// just before the place of the version label (x 88, y 258).
//
//   QT_QPA_PLATFORM=offscreen ombrisk-artwork app/resources/version_artwork.bmp
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 341;
constexpr int kHeight = 301;
constexpr int kBandTop = 78;
constexpr int kBandBottom = 206;
// The lower part is light: the version label draws black text without a background.
constexpr int kPlateTop = 214;
constexpr double kPi = 3.14159265358979323846;

QFont Font(const QStringList& families, int pixels, bool italic, bool bold) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixels);
  font.setItalic(italic);
  font.setBold(bold);
  return font;
}

// Brightness 0..1 of the band at (x, y): a few sweeping tones and their overtones, as a
// spectrogram of a sound made by this program would show them.
double BandLevel(int x, int y) {
  const double t = x / static_cast<double>(kWidth);
  const double row = static_cast<double>(kBandBottom - y) / (kBandBottom - kBandTop);
  double level = 0.0;
  for (int harmonic = 1; harmonic <= 3; ++harmonic) {
    const double centre = harmonic * (0.18 + 0.1 * std::sin(2.0 * kPi * t * 1.5));
    const double distance = (row - centre) * 28.0 / harmonic;
    level += std::exp(-distance * distance) / harmonic;
  }
  const double sweep = 0.15 + 0.75 * t;
  const double distance = (row - sweep) * 40.0;
  level += 0.6 * std::exp(-distance * distance);
  // Column texture: every block of sound is one column.
  level *= 0.8 + 0.2 * std::sin(x * 1.7) * std::sin(x * 0.31);
  return std::min(level, 1.0);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fputs("usage: ombrisk-artwork OUTPUT.bmp\n", stderr);
    return 2;
  }
  QImage image(kWidth, kHeight, QImage::Format_RGB888);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  QLinearGradient background(0, 0, 0, kHeight);
  background.setColorAt(0.0, QColor(14, 24, 58));
  background.setColorAt(1.0, QColor(46, 18, 66));
  painter.fillRect(image.rect(), background);
  QLinearGradient plate(0, kPlateTop, 0, kHeight);
  plate.setColorAt(0.0, QColor(226, 229, 246));
  plate.setColorAt(1.0, QColor(196, 202, 234));
  painter.fillRect(QRect(0, kPlateTop, kWidth, kHeight - kPlateTop), plate);

  for (int y = kBandTop; y < kBandBottom; ++y) {
    for (int x = 8; x < kWidth - 8; ++x) {
      const double level = BandLevel(x, y);
      const QColor base = image.pixelColor(x, y);
      image.setPixelColor(x, y,
                          QColor(static_cast<int>(base.red() + (235 - base.red()) * level),
                                 static_cast<int>(base.green() + (240 - base.green()) * level),
                                 static_cast<int>(base.blue() + (255 - base.blue()) * level)));
    }
  }
  painter.setPen(QPen(QColor(150, 160, 210), 1));
  painter.drawLine(8, kBandTop - 1, kWidth - 9, kBandTop - 1);
  painter.drawLine(8, kBandBottom, kWidth - 9, kBandBottom);

  const QStringList serif{QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                          QStringLiteral("DejaVu Serif")};
  const QStringList sans{QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
  painter.setPen(QColor(255, 255, 255));
  painter.setFont(Font(serif, 44, true, true));
  painter.drawText(QRect(18, 12, kWidth - 36, 52), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Ombrisk"));
  painter.setPen(QColor(190, 200, 240));
  painter.setFont(Font(sans, 11, false, false));
  painter.drawText(QRect(22, 58, kWidth - 44, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("a picture becomes a sound, a sound a picture"));

  // "Version" ends left of where the version number stands, on the same baseline.
  painter.setPen(QColor(30, 30, 70));
  painter.setFont(Font(serif, 19, true, false));
  painter.drawText(QRect(8, 258, 76, 21), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Version"));
  painter.end();

  // The format follows the name's extension: .bmp for the resource, .png to look at.
  if (!image.save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "ombrisk-artwork: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
