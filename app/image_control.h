// TImage: a picture control holding a TBitmap. With AutoSize it takes its picture's size; with
// Stretch it draws the picture scaled to its whole area, width and height independently.
//
//   LoadPicture(name, image->Picture()); image->PictureChanged();
//   image->SetPicture(*spectrogram);
#pragma once

#include <QImage>
#include <QWidget>

#include "toolkit/bitmap.h"

namespace ombrisk {

class TImage : public QWidget {
  Q_OBJECT

public:
  explicit TImage(QWidget* parent = nullptr);

  const TBitmap& Picture() const { return m_picture; }
  // For filling in place; call PictureChanged afterwards.
  TBitmap& Picture() { return m_picture; }
  void PictureChanged();
  void SetPicture(const TBitmap& picture);

  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool autoSize);
  bool Stretch() const { return m_stretch; }
  void SetStretch(bool stretch);

  // The picture as drawn (a null image while the picture is empty).
  const QImage& ShownImage() const { return m_image; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return {0, 0}; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void FitToPicture();

  TBitmap m_picture;
  QImage m_image;
  bool m_autoSize = true;
  bool m_stretch = false;
};

}  // namespace ombrisk
