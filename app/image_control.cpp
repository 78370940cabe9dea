#include "app/image_control.h"

#include <QPainter>

#include "app/bitmap_image.h"

namespace ombrisk {

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::PictureChanged() {
  m_image = ToQImage(m_picture);
  FitToPicture();
  updateGeometry();
  update();
}

void TImage::SetPicture(const TBitmap& picture) {
  m_picture = picture;
  PictureChanged();
}

void TImage::SetAutoSize(bool autoSize) {
  m_autoSize = autoSize;
  FitToPicture();
}

void TImage::SetStretch(bool stretch) {
  m_stretch = stretch;
  update();
}

QSize TImage::sizeHint() const { return {m_picture.Width(), m_picture.Height()}; }

void TImage::FitToPicture() {
  if (m_autoSize) resize(m_picture.Width(), m_picture.Height());
}

void TImage::paintEvent(QPaintEvent*) {
  if (m_image.isNull()) return;
  QPainter painter(this);
  if (m_stretch) painter.drawImage(rect(), m_image);
  else painter.drawImage(0, 0, m_image);
}

}  // namespace ombrisk
