// The keys of a window as the program's users know them from the platform it comes from:
//
// - An accelerator (the letter after '&' in a caption) acts on the first control, in the window's
//   creation order, that has it and is shown and enabled: a push button (or flat button) clicks,
//   a check box or radio button takes the focus and toggles. Other controls with the same letter
//   wait; Qt would only move the focus between them. Alt+letter works everywhere in the window; the
//   bare letter works while the focused control takes no typed text (a button, a check box).
// - Enter on a focused push button presses that button; elsewhere it presses the window's default
//   button, if it has one.
//
//   InstallAcceleratorKeys(*this);   // in a window's constructor; applies to controls made later too
//
// The controls are looked up when a key arrives, so buttons added after the call take part.
#pragma once

#include <QChar>
#include <QObject>

class QAbstractButton;
class QEvent;
class QKeyEvent;
class QString;
class QWidget;

namespace ombrisk {

// The accelerator letter of a caption, in upper case ("&&" is a plain ampersand); null when none.
QChar AcceleratorLetter(const QString& caption);

// The control that acts on an accelerator: the first one of window, depth first in creation
// order, whose caption marks letter and which is shown and enabled. nullptr when there is none.
QAbstractButton* AcceleratorControl(const QWidget& window, QChar letter);

// Watches the key events of one window (a child of it; it goes with the window).
class TAcceleratorKeys : public QObject {
  Q_OBJECT

public:
  explicit TAcceleratorKeys(QWidget& window);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool OverridesShortcut(const QKeyEvent& key) const;
  bool HandleKeyPress(const QKeyEvent& key);
  bool PressReturn(const QKeyEvent& key);
  QChar LetterOf(const QKeyEvent& key) const;

  QWidget& m_window;
};

void InstallAcceleratorKeys(QWidget& window);

}  // namespace ombrisk
