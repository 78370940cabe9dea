// The version window: frameless artwork with the version and OK, moved by dragging the artwork.
#include <QTimer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/version_window.h"
#include "app_test_support.h"

namespace ombrisk::testing {
namespace {

class VersionWindowTest : public ::testing::Test {
protected:
  void Mouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(widget->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
  }
  // Presses at from on widget, moves by offset with the buttons held, releases.
  void Drag(QWidget* widget, QPoint from, QPoint offset, Qt::MouseButton button) {
    Mouse(widget, QEvent::MouseButtonPress, from, button, button);
    Mouse(widget, QEvent::MouseMove, from + offset, Qt::NoButton, button);
    Mouse(widget, QEvent::MouseButtonRelease, from + offset, button, Qt::NoButton);
  }

  TForm3 form3;
};

TEST_F(VersionWindowTest, IsTheFramelessArtworkWithVersionAndOk) {
  EXPECT_EQ(form3.size(), QSize(341, 301));
  EXPECT_EQ(form3.minimumSize(), form3.maximumSize());
  EXPECT_TRUE(form3.windowFlags() & Qt::FramelessWindowHint);

  QLabel* artwork = Find<QLabel>(form3, "Image1");
  ASSERT_NE(artwork, nullptr);
  EXPECT_EQ(artwork->geometry(), QRect(0, 0, 341, 301));
  EXPECT_EQ(artwork->pixmap().size(), QSize(341, 301));
  EXPECT_EQ(Find<QWidget>(form3, "Shape1")->geometry(), QRect(0, 0, 341, 301));

  QLabel* version = Find<QLabel>(form3, "Label1");
  EXPECT_EQ(version->text(), QStringLiteral("1.00 "));
  EXPECT_EQ(version->geometry(), QRect(88, 258, 40, 21));
  EXPECT_TRUE(version->font().italic());

  QPushButton* ok = Find<QPushButton>(form3, "Button1");
  EXPECT_EQ(ok->text(), QStringLiteral("&OK"));
  EXPECT_EQ(ok->geometry(), QRect(184, 224, 113, 25));
  EXPECT_TRUE(ok->font().bold());
  for (QWidget* widget : form3.findChildren<QWidget*>()) {
    if (widget != ok) {
      EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus) << widget->objectName().toStdString();
    }
  }
}

TEST_F(VersionWindowTest, ArtworkIsStoredAs24BitBitmap) {
  QFile resource(QString::fromLatin1(kArtworkResource));
  ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
  const QByteArray bytes = resource.readAll();
  ASSERT_GE(bytes.size(), 54);
  EXPECT_EQ(bytes.left(2), QByteArray("BM"));
  EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);
  EXPECT_EQ(bytes.size(), 54 + 301 * ((341 * 3 + 3) / 4 * 4));
}

TEST_F(VersionWindowTest, FirstShowingIsCentredOnTheDesktopAndLaterOnesKeepThePlace) {
  const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
  form3.show();
  EXPECT_EQ(form3.pos(), QPoint(std::max(desktop.left(), desktop.left() + (desktop.width() - 341) / 2),
                                std::max(desktop.top(), desktop.top() + (desktop.height() - 301) / 2)));
  form3.hide();
  form3.move(20, 30);
  form3.show();
  EXPECT_EQ(form3.pos(), QPoint(20, 30));
  form3.hide();
}

struct TDrag {
  const char* Name;
  const char* Widget;
  Qt::MouseButton Button;
  bool Moves;
};

class VersionDragTest : public VersionWindowTest, public ::testing::WithParamInterface<TDrag> {};

TEST_P(VersionDragTest, OnlyALeftDragOnTheArtworkMovesTheWindow) {
  form3.show();
  form3.move(100, 100);
  QWidget* widget = Find<QWidget>(form3, GetParam().Widget);
  Drag(widget, QPoint(5, 5), QPoint(50, 30), GetParam().Button);
  EXPECT_EQ(form3.pos(), GetParam().Moves ? QPoint(150, 130) : QPoint(100, 100));
  // A later move without a press does not drag.
  Mouse(widget, QEvent::MouseMove, QPoint(90, 90), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(form3.pos(), GetParam().Moves ? QPoint(150, 130) : QPoint(100, 100));
  form3.hide();
}

INSTANTIATE_TEST_SUITE_P(Presses, VersionDragTest,
                         ::testing::Values(TDrag{"LeftOnArtwork", "Shape1", Qt::LeftButton, true},
                                           TDrag{"RightOnArtwork", "Shape1", Qt::RightButton, false},
                                           TDrag{"MiddleOnArtwork", "Shape1", Qt::MiddleButton, false},
                                           TDrag{"LeftOnVersion", "Label1", Qt::LeftButton, false}),
                         TByName());

struct TClose {
  const char* Name;
  std::function<void(TForm3&)> Close;
};

class VersionCloseTest : public VersionWindowTest, public ::testing::WithParamInterface<TClose> {};

TEST_P(VersionCloseTest, OkEndsTheModalShowingWithResultOk) {
  bool closed = false;
  QTimer::singleShot(0, &form3, [&] {
    GetParam().Close(form3);
    // An accelerator clicks the button animated, a moment later.
    closed = QTest::qWaitFor([&] { return !form3.isVisible(); }, 2000);
    if (!closed) form3.reject();
  });
  EXPECT_EQ(form3.exec(), QDialog::Accepted);
  EXPECT_TRUE(closed);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, VersionCloseTest,
    ::testing::Values(
        TClose{"Click", [](TForm3& form) { QTest::mouseClick(Find<QPushButton>(form, "Button1"), Qt::LeftButton); }},
        // Through the window system, where Qt looks up accelerators.
        TClose{"AltO",
               [](TForm3& form) {
                 form.activateWindow();
                 EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
                 QTest::keyClick(form.windowHandle(), Qt::Key_O, Qt::AltModifier);
               }},
        TClose{"O", [](TForm3& form) { QTest::keyClick(Find<QPushButton>(form, "Button1"), Qt::Key_O); }}),
    TByName());

}  // namespace
}  // namespace ombrisk::testing
