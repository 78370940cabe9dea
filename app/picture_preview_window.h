// The open dialog's "プレビュー" tool window: the picture scaled proportionally to fit a panel with
// a 5-pixel border. It opens centred on the screen, large enough for the picture at full size
// plus the border, but at most three quarters of the monitor each way; it is resizable, and Esc
// closes it.
//
//   TPicturePreviewWindow window(picture, dialog);  window.exec();
#pragma once

#include <QDialog>
#include <QImage>
#include <QSize>

namespace ombrisk {

class TFittedImage;

// The client size for a picture on a monitor: picture plus 10 pixels each way, at most three
// quarters of the monitor's width and height.
QSize PreviewClientSize(QSize picture, QSize monitor);

class TPicturePreviewWindow : public QDialog {
  Q_OBJECT

public:
  TPicturePreviewWindow(const QImage& picture, QWidget* parent);

  const TFittedImage& Image() const { return *m_image; }

private:
  TFittedImage* m_image = nullptr;
};

inline constexpr int kPreviewBorder = 5;

}  // namespace ombrisk
