#include "app/pointer_readout.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include "app/image_control.h"

namespace ombrisk {

TPointerReadout::TPointerReadout(TImage& image, QWidget& labelParent) : m_image(image) {
  m_label = new QLabel(&labelParent);
  m_label->setObjectName(QStringLiteral("PointerReadout"));
  m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_image.setMouseTracking(true);
  m_image.installEventFilter(this);
}

TPointerReadout::~TPointerReadout() { m_image.removeEventFilter(this); }

void TPointerReadout::SpectrogramShown(const TReadoutScale& scale) {
  m_scale = scale;
  m_label->clear();
}

bool TPointerReadout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &m_image) {
    if (event->type() == QEvent::MouseMove) {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      ShowAt(at.x(), at.y());
    } else if (event->type() == QEvent::Leave) {
      m_label->clear();
    }
  }
  return QObject::eventFilter(watched, event);
}

void TPointerReadout::ShowAt(int x, int y) {
  const TBitmap& picture = m_image.Picture();
  // The image's own coordinates: the scroll area moves the image, not the pixels within it.
  const std::optional<TPictureCell> cell =
      m_scale ? CellAtPixel(x, y, m_image.width(), m_image.height(), picture.Width(), picture.Height())
              : std::nullopt;
  if (!cell) {
    m_label->clear();
    return;
  }
  const auto grey = static_cast<std::uint8_t>(picture.GetPixel(static_cast<int>(cell->Column), cell->Row) & 0xFF);
  m_label->setText(QString::fromStdString(FormatReading(ReadCell(*cell, grey, *m_scale))));
}

}  // namespace ombrisk
