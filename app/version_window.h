// TForm3, the version window: the artwork edge to edge without a frame, the version "1.00 " and
// "&OK". A left-button drag anywhere on the artwork moves the window.
//
//   form3.exec();   // modal; OK closes it
#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>

class QLabel;
class QPushButton;

namespace ombrisk {

// TShape: a rectangle without fill, outlined with a black one-pixel pen, reporting mouse presses.
class TShape : public QWidget {
  Q_OBJECT

public:
  explicit TShape(QWidget* parent = nullptr);

  // button is the one that changed; shift holds every button down after the press.
  std::function<void(Qt::MouseButton button, Qt::MouseButtons shift, QPoint position)> OnMouseDown;
  std::function<void(QPoint globalPosition)> OnMouseMove;
  std::function<void()> OnMouseUp;

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class TForm3 : public QDialog {
  Q_OBJECT

public:
  TForm3();
  ~TForm3() override;

protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void Shape1MouseDown(Qt::MouseButton button, Qt::MouseButtons shift, QPoint position);
  void FollowMouse(QPoint globalPosition);
  void PlaceFirstTime();

  QLabel* m_image1 = nullptr;
  TShape* m_shape1 = nullptr;
  QLabel* m_label1 = nullptr;
  QPushButton* m_button1 = nullptr;
  bool m_placed = false;
  // Set while the window follows the mouse itself, where the platform offers no system move.
  bool m_following = false;
  QPoint m_grabOffset;
};

inline constexpr int kForm3ClientWidth = 341;
inline constexpr int kForm3ClientHeight = 301;
inline constexpr const char* kArtworkResource = ":/ombrisk/version_artwork.bmp";

}  // namespace ombrisk
