#include "app/accelerator_keys.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

namespace ombrisk {

namespace {

bool CanAct(const QWidget& control) { return control.isVisible() && control.isEnabled(); }

// Depth first through the controls of window in creation order (children() keeps it: nothing in
// the windows restacks its controls), leaving out windows of their own such as open dialogs.
template <typename Control, typename Wanted>
Control* FirstControl(const QWidget& parent, const Wanted& wanted) {
  for (QObject* child : parent.children()) {
    if (!child->isWidgetType()) continue;
    const auto& widget = static_cast<const QWidget&>(*child);
    if (widget.isWindow()) continue;
    if (auto* control = qobject_cast<Control*>(child); control != nullptr && wanted(*control)) return control;
    if (Control* inner = FirstControl<Control>(widget, wanted)) return inner;
  }
  return nullptr;
}

bool HasLetter(const QAbstractButton& button, QChar letter) { return AcceleratorLetter(button.text()) == letter; }

// Controls that take typed characters keep the bare letters for themselves.
bool TakesText(const QWidget* focus) {
  return focus != nullptr &&
         (qobject_cast<const QLineEdit*>(focus) != nullptr || qobject_cast<const QComboBox*>(focus) != nullptr ||
          qobject_cast<const QAbstractSpinBox*>(focus) != nullptr || qobject_cast<const QTextEdit*>(focus) != nullptr ||
          qobject_cast<const QPlainTextEdit*>(focus) != nullptr ||
          qobject_cast<const QAbstractItemView*>(focus) != nullptr);
}

bool IsReturn(const QKeyEvent& key) {
  return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
         (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void Act(QAbstractButton& control) {
  // A check box or radio button takes the focus and toggles; a button is clicked where it is.
  if (qobject_cast<QCheckBox*>(&control) != nullptr || qobject_cast<QRadioButton*>(&control) != nullptr) {
    control.setFocus(Qt::ShortcutFocusReason);
  }
  control.click();
}

}  // namespace

QChar AcceleratorLetter(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != QLatin1Char('&')) continue;
    if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
    ++i;  // "&&" shows one ampersand and marks nothing
  }
  return {};
}

QAbstractButton* AcceleratorControl(const QWidget& window, QChar letter) {
  if (letter.isNull()) return nullptr;
  return FirstControl<QAbstractButton>(
      window, [letter](const QAbstractButton& button) { return HasLetter(button, letter) && CanAct(button); });
}

TAcceleratorKeys::TAcceleratorKeys(QWidget& window) : QObject(&window), m_window(window) {
  setObjectName(QStringLiteral("AcceleratorKeys"));
  // On the application: a key reaches the focused control before its window, and a focused list
  // would otherwise take Alt+letter for its own search.
  QCoreApplication::instance()->installEventFilter(this);
}

bool TAcceleratorKeys::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
  if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != &m_window) return false;
  auto& key = static_cast<QKeyEvent&>(*event);
  if (type == QEvent::ShortcutOverride) {
    // Taken as a key press, so that Qt's own accelerators, which only move the focus when two
    // controls share a letter, never see it.
    if (!OverridesShortcut(key)) return false;
    key.accept();
    return true;
  }
  // The decision does not depend on which control the event has reached, so whichever of the
  // focused control and its parents sees it first decides, and the key goes no further.
  return HandleKeyPress(key);
}

QChar TAcceleratorKeys::LetterOf(const QKeyEvent& key) const {
  const int code = key.key();
  if (code <= ' ' || code > 0xFFFF) return {};
  const QChar letter = QChar(code).toUpper();
  if (!letter.isLetterOrNumber()) return {};
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  if (modifiers == Qt::AltModifier) return letter;
  if (modifiers == Qt::NoModifier && !TakesText(m_window.focusWidget())) return letter;
  return {};
}

bool TAcceleratorKeys::OverridesShortcut(const QKeyEvent& key) const {
  if (!(key.modifiers() & Qt::AltModifier)) return false;
  const QChar letter = LetterOf(key);
  if (letter.isNull()) return false;
  // Also for a letter whose controls are all disabled: then nothing acts, as on the platform.
  return FirstControl<QAbstractButton>(m_window, [letter](const QAbstractButton& button) {
           return HasLetter(button, letter);
         }) != nullptr;
}

bool TAcceleratorKeys::HandleKeyPress(const QKeyEvent& key) {
  if (IsReturn(key)) return PressReturn(key);
  const QChar letter = LetterOf(key);
  if (letter.isNull()) return false;
  QAbstractButton* control = AcceleratorControl(m_window, letter);
  if (control == nullptr) {
    // With Alt the letter is spent even when its controls are disabled; a bare one types on.
    return (key.modifiers() & Qt::AltModifier) && OverridesShortcut(key);
  }
  // Holding the keys down acts once.
  if (!key.isAutoRepeat()) Act(*control);
  return true;
}

bool TAcceleratorKeys::PressReturn(const QKeyEvent& key) {
  QPushButton* target = qobject_cast<QPushButton*>(m_window.focusWidget());
  if (target == nullptr || !CanAct(*target)) {
    target = FirstControl<QPushButton>(m_window, [](const QPushButton& button) { return button.isDefault(); });
  }
  if (target == nullptr) return false;
  // A disabled default button takes the key and does nothing, as in a Qt dialog.
  if (CanAct(*target) && !key.isAutoRepeat()) target->click();
  return true;
}

void InstallAcceleratorKeys(QWidget& window) { new TAcceleratorKeys(window); }  // owned by window

}  // namespace ombrisk
