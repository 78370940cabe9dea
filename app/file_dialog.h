// File dialogs as the windows hold them: an object with a filter, the chosen pair of the filter and
// a file name that stays from one Execute to the next, so each dialog starts from its last choice.
// Running one goes through a TDialogRunner, which tests replace so that nothing modal blocks them.
//
//   TFileDialog save("SaveDialog1", TFileDialogKind::fdSave, "Wave sound (*.wav)|*.wav", runner, window);
//   if (save.Execute()) edit->setText(QString::fromStdString(save.FileName));
#pragma once

#include <QStringList>
#include <string>

class QFileDialog;
class QWidget;

namespace ombrisk {

enum class TFileDialogKind { fdOpen, fdSave };

class TFileDialog;

class TDialogRunner {
public:
  virtual ~TDialogRunner() = default;
  // Runs the dialog modally. On confirmation sets dialog.FileName (and FilterIndex) and returns true.
  virtual bool Run(TFileDialog& dialog, QWidget* owner) = 0;
};

class TFileDialog {
public:
  TFileDialog(std::string name, TFileDialogKind kind, std::string filter, TDialogRunner& runner, QWidget* owner)
      : Name(std::move(name)), Kind(kind), Filter(std::move(filter)), m_runner(runner), m_owner(owner) {}

  bool Execute() { return m_runner.Run(*this, m_owner); }

  const std::string Name;
  const TFileDialogKind Kind;
  // Description|pattern pairs joined by vertical bars; patterns within a pair joined by ';'.
  std::string Filter;
  // 1-based index of the chosen pair.
  int FilterIndex = 1;
  std::string FileName;
  // An open dialog for pictures: the Qt dialog carries a preview pane right of its file list.
  bool PicturePreview = false;

private:
  TDialogRunner& m_runner;
  QWidget* m_owner;
};

// The Qt file dialog. Open dialogs accept names of files that do not exist (loading reports them);
// save dialogs ask before overwriting and add no extension to a typed name.
class TQtDialogRunner : public TDialogRunner {
public:
  bool Run(TFileDialog& dialog, QWidget* owner) override;
};

// Gives qt the kind, filter, chosen pair, start name and pane of dialog, as Run shows it.
void SetUpQtDialog(QFileDialog& qt, const TFileDialog& dialog);

// The filter as Qt's dialog takes it: one entry per pair, "description (patterns)" with the patterns
// separated by blanks. The dialog hides the added patterns, so it shows each description as given.
// "*.*" becomes "*", which is what it means on Windows: every file, with or without a dot.
QStringList QtNameFilters(const std::string& filter);

}  // namespace ombrisk
