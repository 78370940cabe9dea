// What the window tests share: one QApplication for the whole run (offscreen), an error display
// that records instead of blocking, dialogs answered from a script, a way to run a modal window
// until a condition holds, and small picture and wave files made on the spot.
#pragma once

#include <QDialog>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/error_display.h"
#include "app/file_dialog.h"
#include "app/forms.h"
#include "toolkit/bitmap.h"

namespace ombrisk::testing {

class TRecordedErrors : public TErrorDisplay {
public:
  void ShowError(const std::string& text) override { Shown.push_back(text); }
  std::vector<std::string> Shown;
};

struct TDialogCall {
  std::string Name;
  TFileDialogKind Kind;
  std::string Filter;
  int FilterIndex;
  std::string StartName;  // FileName as the dialog was opened with it
};

// Answers each dialog, by name, from its queue: a name confirms, nullopt cancels. A dialog with
// nothing queued is cancelled and counted in Unexpected.
class TScriptedDialogs : public TDialogRunner {
public:
  bool Run(TFileDialog& dialog, QWidget* owner) override;
  void Answer(const std::string& dialogName, std::optional<std::string> fileName) {
    m_answers[dialogName].push_back(std::move(fileName));
  }
  std::vector<TDialogCall> Calls;
  int Unexpected = 0;

private:
  std::map<std::string, std::deque<std::optional<std::string>>> m_answers;
};

// Names parameterised cases after their Name field.
struct TByName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param) const {
    return param.param.Name;
  }
};

// A child widget by object name; fails the test when there is none of that kind.
template <typename Widget>
Widget* Find(const QObject& parent, const char* name) {
  auto* widget = parent.findChild<Widget*>(QString::fromLatin1(name));
  EXPECT_NE(widget, nullptr) << "no control named " << name;
  return widget;
}

// Calls open (which shows dialog modally), closes the dialog as soon as ready() holds, and returns
// whether it did before the deadline (the dialog is closed then anyway, so nothing hangs).
bool RunModalUntil(QDialog& dialog, const std::function<void()>& open, const std::function<bool()>& ready,
                   int deadlineMs = 10000);

// A 24-bit bitmap file whose pixel (x, y) has the grey (x * 7 + y * 3 + seed) mod 256 in all three bytes.
TBitmap MakeGreyBitmap(int width, int height, int seed = 0);
void WriteBitmapFile(const std::string& path, int width, int height, int seed = 0);
// A wave file made by the synthesis from a width × height picture: width blocks of
// 2 × (smallest power of two ≥ height) samples.
void WriteWaveFile(const std::string& path, int width, int height);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
std::vector<std::uint8_t> PixelBytes(const TBitmap& bitmap);

// A scratch folder that is also the working directory while it lives.
class TScratchFolder {
public:
  TScratchFolder();
  ~TScratchFolder();
  std::string Path(const std::string& name) const;

private:
  QTemporaryDir m_dir;
  QString m_previousCurrent;
};

}  // namespace ombrisk::testing
