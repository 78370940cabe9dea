#include "app/picture_preview_window.h"

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/fitted_image.h"
#include "app/preview_picture.h"

namespace ombrisk {

QSize PreviewClientSize(QSize picture, QSize monitor) {
  return {std::min(monitor.width() * 3 / 4, picture.width() + 2 * kPreviewBorder),
          std::min(monitor.height() * 3 / 4, picture.height() + 2 * kPreviewBorder)};
}

TPicturePreviewWindow::TPicturePreviewWindow(const QImage& picture, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("PreviewForm"));
  setWindowTitle(QString::fromUtf8(kSPreviewLabel));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel"));
  panel->setAutoFillBackground(true);
  panel->setBackgroundRole(QPalette::Base);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(kPreviewBorder, kPreviewBorder, kPreviewBorder, kPreviewBorder);
  m_image = new TFittedImage(TFitting::Fit, QString(), panel);
  m_image->setObjectName(QStringLiteral("Image"));
  m_image->SetPicture(picture);
  panelLayout->addWidget(m_image);
  layout->addWidget(panel);

  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect monitor = screen->geometry();
  // A picture without pixels keeps the window's own size.
  if (!picture.isNull()) resize(PreviewClientSize(picture.size(), monitor.size()));
  move(monitor.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace ombrisk
