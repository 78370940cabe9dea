// TFittedImage: a picture drawn centred in the widget and scaled proportionally to fit it, either
// only when it is too large (ScaleDown) or always (Fit). While there is no picture it shows a text
// instead. The scaled copy is kept until the size or the picture changes.
//
//   auto* image = new TFittedImage(TFitting::ScaleDown, QStringLiteral("(なし)"), parent);
//   image->SetPicture(picture);
#pragma once

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

namespace ombrisk {

enum class TFitting { ScaleDown, Fit };

// Where a picture of size picture is drawn inside area: centred, with its proportions.
QRect FittedRect(QSize picture, const QRect& area, TFitting fitting);

class TFittedImage : public QWidget {
  Q_OBJECT

public:
  TFittedImage(TFitting fitting, QString emptyText, QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return m_picture; }
  // The text shown while there is no picture.
  const QString& EmptyText() const { return m_emptyText; }
  // Where the picture is drawn now; empty while there is none.
  QRect ShownRect() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  TFitting m_fitting;
  QString m_emptyText;
  QImage m_picture;
  QPixmap m_scaled;
};

}  // namespace ombrisk
