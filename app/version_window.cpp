#include "app/version_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>

#include "app/accelerator_keys.h"
#include "app/form_fonts.h"

// The artwork is compiled into a static library, whose resources Qt does not register by itself.
static void RegisterArtwork() { Q_INIT_RESOURCE(ombrisk); }

namespace ombrisk {

TShape::TShape(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_NoSystemBackground); }

void TShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TShape::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event->button(), event->buttons(), event->position().toPoint());
  event->accept();
}

void TShape::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(event->globalPosition().toPoint());
  event->accept();
}

void TShape::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) OnMouseUp();
  event->accept();
}

TForm3::TForm3() : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("Form3"));
  setFont(PGothicFont());
  setFixedSize(kForm3ClientWidth, kForm3ClientHeight);
  RegisterArtwork();

  // Bottom of the stacking order first: the artwork, the shape over it, then the label and button.
  m_image1 = new QLabel(this);
  m_image1->setObjectName(QStringLiteral("Image1"));
  const QPixmap artwork(QString::fromLatin1(kArtworkResource));
  m_image1->setPixmap(artwork);
  m_image1->setGeometry(0, 0, kForm3ClientWidth, kForm3ClientHeight);

  m_shape1 = new TShape(this);
  m_shape1->setObjectName(QStringLiteral("Shape1"));
  m_shape1->setGeometry(0, 0, kForm3ClientWidth, kForm3ClientHeight);
  m_shape1->OnMouseDown = [this](Qt::MouseButton button, Qt::MouseButtons shift, QPoint position) {
    Shape1MouseDown(button, shift, position);
  };
  m_shape1->OnMouseMove = [this](QPoint globalPosition) { FollowMouse(globalPosition); };
  m_shape1->OnMouseUp = [this] { m_following = false; };

  m_label1 = new QLabel(QStringLiteral("1.00 "), this);
  m_label1->setObjectName(QStringLiteral("Label1"));
  m_label1->setGeometry(88, 258, 40, 21);
  m_label1->setFont(TimesItalicFont());
  // A label draws no background of its own: the artwork shows through around the text.

  m_button1 = new QPushButton(QStringLiteral("&OK"), this);
  m_button1->setObjectName(QStringLiteral("Button1"));
  m_button1->setGeometry(184, 224, 113, 25);
  m_button1->setFont(ArialBoldFont());
  m_button1->setDefault(true);
  m_button1->setFocus();
  connect(m_button1, &QPushButton::clicked, this, &QDialog::accept);
  // The button is the only control that takes the focus, so a bare O works as Alt+O does.
  InstallAcceleratorKeys(*this);
}

TForm3::~TForm3() = default;

void TForm3::Shape1MouseDown(Qt::MouseButton, Qt::MouseButtons shift, QPoint position) {
  if (!(shift & Qt::LeftButton)) return;
  QWindow* window = windowHandle();
  if (window != nullptr && window->startSystemMove()) return;
  m_following = true;
  m_grabOffset = m_shape1->mapToGlobal(position) - pos();
}

void TForm3::FollowMouse(QPoint globalPosition) {
  if (m_following) move(globalPosition - m_grabOffset);
}

void TForm3::showEvent(QShowEvent* event) {
  if (!m_placed) PlaceFirstTime();
  QDialog::showEvent(event);
}

void TForm3::PlaceFirstTime() {
  m_placed = true;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // Centred on all monitors together, but never above or left of the desktop's top left corner.
  const QRect desktop = screen->virtualGeometry();
  move(std::max(desktop.left(), desktop.left() + (desktop.width() - width()) / 2),
       std::max(desktop.top(), desktop.top() + (desktop.height() - height()) / 2));
}

void TForm3::keyPressEvent(QKeyEvent* event) {
  // There is no cancel button: Escape does not close the window.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace ombrisk
