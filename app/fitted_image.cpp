#include "app/fitted_image.h"

#include <QPainter>
#include <utility>

namespace ombrisk {

QRect FittedRect(QSize picture, const QRect& area, TFitting fitting) {
  if (picture.isEmpty() || area.isEmpty()) return {};
  QSize shown = picture;
  if (fitting == TFitting::Fit || picture.width() > area.width() || picture.height() > area.height()) {
    shown = picture.scaled(area.size(), Qt::KeepAspectRatio);
    // A very thin picture keeps at least one pixel across.
    shown = shown.expandedTo(QSize(1, 1));
  }
  return {area.left() + (area.width() - shown.width()) / 2, area.top() + (area.height() - shown.height()) / 2,
          shown.width(), shown.height()};
}

TFittedImage::TFittedImage(TFitting fitting, QString emptyText, QWidget* parent)
    : QWidget(parent), m_fitting(fitting), m_emptyText(std::move(emptyText)) {}

void TFittedImage::SetPicture(const QImage& picture) {
  m_picture = picture;
  m_scaled = {};
  update();
}

QRect TFittedImage::ShownRect() const { return FittedRect(m_picture.size(), rect(), m_fitting); }

void TFittedImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (m_picture.isNull()) {
    painter.drawText(rect(), Qt::AlignCenter, m_emptyText);
    return;
  }
  const QRect shown = ShownRect();
  if (shown.isEmpty()) return;
  // Scaling a large photograph is slow, so it is done once per size, not on every paint.
  if (m_scaled.size() != shown.size()) {
    m_scaled = QPixmap::fromImage(m_picture.size() == shown.size()
                                      ? m_picture
                                      : m_picture.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
  painter.drawPixmap(shown.topLeft(), m_scaled);
}

}  // namespace ombrisk
