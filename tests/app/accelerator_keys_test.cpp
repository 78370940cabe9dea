// The keys of the windows: accelerators act on the first control in creation order that has the
// letter (a shared letter included), and Enter presses the focused push button or else the default.
// Keys go in through the window system, where Qt's own shortcut map would see them first.
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "app/accelerator_keys.h"
#include "app/image_control.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/start_up.h"
#include "app_test_support.h"

namespace ombrisk::testing {
namespace {

void Activate(QWidget& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST(AcceleratorLetterTest, IsTheLetterAfterASingleAmpersandInUpperCase) {
  EXPECT_EQ(AcceleratorLetter(QStringLiteral("&Load Picture")), QLatin1Char('L'));
  EXPECT_EQ(AcceleratorLetter(QStringLiteral("Invert &luminance")), QLatin1Char('L'));
  EXPECT_EQ(AcceleratorLetter(QStringLiteral("Salt && &Pepper")), QLatin1Char('P'));
  EXPECT_TRUE(AcceleratorLetter(QStringLiteral("Salt && Pepper")).isNull());
  EXPECT_TRUE(AcceleratorLetter(QStringLiteral("Log")).isNull());
  EXPECT_TRUE(AcceleratorLetter(QStringLiteral("Trailing &")).isNull());
}

struct TMainKey {
  const char* Name;
  const char* Focus;  // the control focused before the key, nullptr for the window's default
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
  int OpenDialogRuns;
  const char* Toggled;  // the check box that changes and takes the focus, or nullptr
};

class MainWindowKeysTest : public ::testing::TestWithParam<TMainKey> {
protected:
  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  TForm1& form1 = *windows.Forms().Form1;
};

TEST_P(MainWindowKeysTest, TheFirstControlWithTheLetterActs) {
  const TMainKey& key = GetParam();
  Activate(form1);
  if (key.Focus != nullptr) Find<QWidget>(form1, key.Focus)->setFocus();
  const QString edit = Find<QLineEdit>(form1, "Edit1")->text();
  std::map<std::string, bool> checked;
  for (const char* name : {"CheckBox1", "CheckBox2", "CheckBox3"}) checked[name] = Find<QCheckBox>(form1, name)->isChecked();

  QTest::keyClick(form1.windowHandle(), key.Key, key.Modifiers);

  EXPECT_EQ(static_cast<int>(dialogs.Calls.size()), key.OpenDialogRuns);
  for (const auto& [name, before] : checked) {
    const bool toggled = key.Toggled != nullptr && name == key.Toggled;
    EXPECT_EQ(Find<QCheckBox>(form1, name.c_str())->isChecked(), before != toggled) << name;
  }
  if (key.Toggled != nullptr) {
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(form1, key.Toggled));
  }
  EXPECT_EQ(Find<QLineEdit>(form1, "Edit1")->text(), edit + (key.Focus != nullptr && std::string(key.Focus) == "Edit1" ? "l" : ""));
  EXPECT_TRUE(errors.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MainWindowKeysTest,
    ::testing::Values(
        // "&Load Picture" comes before "Invert &Luminance".
        TMainKey{"AltLLoads", nullptr, Qt::Key_L, Qt::AltModifier, 1, nullptr},
        TMainKey{"AltLLoadsFromTheCheckBox", "CheckBox1", Qt::Key_L, Qt::AltModifier, 1, nullptr},
        TMainKey{"AltShiftLLoads", nullptr, Qt::Key_L, Qt::AltModifier | Qt::ShiftModifier, 1, nullptr},
        TMainKey{"AltXTogglesMirrorX", nullptr, Qt::Key_X, Qt::AltModifier, 0, "CheckBox2"},
        TMainKey{"AltYTogglesMirrorY", "Button1", Qt::Key_Y, Qt::AltModifier, 0, "CheckBox3"},
        // "&Make Ombrisk sound" is disabled until a picture is loaded.
        TMainKey{"AltMDoesNothingWhileDisabled", nullptr, Qt::Key_M, Qt::AltModifier, 0, nullptr},
        TMainKey{"CtrlLIsNoAccelerator", nullptr, Qt::Key_L, Qt::ControlModifier, 0, nullptr},
        // A bare letter acts while a button has the focus, and types into the path field.
        TMainKey{"BareLOnAButtonLoads", "Button3", Qt::Key_L, Qt::NoModifier, 1, nullptr},
        TMainKey{"BareXOnACheckBoxToggles", "CheckBox1", Qt::Key_X, Qt::NoModifier, 0, "CheckBox2"},
        TMainKey{"BareLInThePathTypes", "Edit1", Qt::Key_L, Qt::NoModifier, 0, nullptr}),
    TByName());

// Any window, any buttons: made by hand, one of them after the keys were installed.
class AnyWindowKeysTest : public ::testing::Test {
protected:
  AnyWindowKeysTest() {
    first->setEnabled(false);
    InstallAcceleratorKeys(window);
    later = new QPushButton(QStringLiteral("&Play"), &window);
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{first, boxed, second, later}) {
      QObject::connect(button, &QAbstractButton::clicked, [this, button] { clicked.push_back(button); });
    }
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier) {
    QTest::keyClick(window.windowHandle(), key, modifiers);
  }

  QDialog window;
  QPushButton* first = new QPushButton(QStringLiteral("&Go"), &window);
  QGroupBox* group = new QGroupBox(QStringLiteral("Group"), &window);
  QCheckBox* boxed = new QCheckBox(QStringLiteral("&Green"), group);
  QPushButton* second = new QPushButton(QStringLiteral("&Gamma"), &window);
  QPushButton* later = nullptr;
  std::vector<QAbstractButton*> clicked;
};

TEST_F(AnyWindowKeysTest, ASharedLetterGoesToTheFirstControlThatCanActInCreationOrder) {
  Activate(window);
  // The disabled button waits; the check box inside the group comes before the later button.
  Press(Qt::Key_G);
  Press(Qt::Key_G);
  EXPECT_EQ(clicked, (std::vector<QAbstractButton*>{boxed, boxed}));
  EXPECT_FALSE(boxed->isChecked());
  first->setEnabled(true);
  Press(Qt::Key_G);
  boxed->hide();
  first->hide();
  Press(Qt::Key_G);
  Press(Qt::Key_P);
  EXPECT_EQ(clicked, (std::vector<QAbstractButton*>{boxed, boxed, first, second, later}));
}

TEST_F(AnyWindowKeysTest, EnterPressesTheFocusedPushButtonElseTheDefault) {
  first->setEnabled(true);
  first->setAutoDefault(false);
  second->setAutoDefault(false);
  second->setDefault(true);
  Activate(window);
  for (QWidget* focus : std::initializer_list<QWidget*>{first, later, boxed}) {
    focus->setFocus();
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
  }
  QTest::keyClick(window.windowHandle(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(clicked, (std::vector<QAbstractButton*>{first, later, second, second}));
  EXPECT_FALSE(boxed->isChecked());
}

TEST(PreviewWindowKeysTest, EnterOnTheFocusedSaveButtonSavesInsteadOfAnalysing) {
  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TForm2 form2{TUiServices{errors, dialogs}};
  TScratchFolder folder;
  const std::string wave = folder.Path("a.wav");
  WriteWaveFile(wave, 8, 64);
  form2.Edit1().setText(QString::fromStdString(wave));
  dialogs.Answer("SaveDialog1", std::nullopt);
  bool typed = false;
  EXPECT_TRUE(RunModalUntil(
      form2, [&] { form2.exec(); },
      [&] {
        if (form2.Image1().Picture().Empty()) return false;
        if (!typed) {
          typed = true;
          form2.activateWindow();
          Find<QPushButton>(form2, "Button2")->setFocus();
          QTest::keyClick(form2.windowHandle(), Qt::Key_Return);
        }
        return !dialogs.Calls.empty();
      }));
  ASSERT_EQ(dialogs.Calls.size(), 1u);
  EXPECT_EQ(dialogs.Calls[0].Name, "SaveDialog1");
  EXPECT_TRUE(errors.Shown.empty());
}

}  // namespace
}  // namespace ombrisk::testing
