#include "app/file_dialog.h"

#include <QFileDialog>
#include <QWidget>

#include "app/picture_preview_pane.h"

namespace ombrisk {

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    }
    result.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
  }
  return result;
}

void SetUpQtDialog(QFileDialog& qt, const TFileDialog& dialog) {
  // First: the pane makes the dialog Qt's own, and the settings below then go to that one.
  TPicturePreviewPane* pane = dialog.PicturePreview ? AttachPicturePreview(qt) : nullptr;
  const bool opening = dialog.Kind == TFileDialogKind::fdOpen;
  qt.setAcceptMode(opening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  qt.setFileMode(QFileDialog::AnyFile);
  qt.setOption(QFileDialog::HideNameFilterDetails, true);
  const QStringList filters = QtNameFilters(dialog.Filter);
  qt.setNameFilters(filters);
  if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size()) {
    qt.selectNameFilter(filters[dialog.FilterIndex - 1]);
  }
  if (dialog.FileName.empty()) return;
  qt.selectFile(QString::fromStdString(dialog.FileName));
  // The list fills in the background and selects the file only then, if at all: the pane starts on
  // the last choice at once.
  if (pane != nullptr) pane->SelectionChanged(QString::fromStdString(dialog.FileName));
}

bool TQtDialogRunner::Run(TFileDialog& dialog, QWidget* owner) {
  QFileDialog qt(owner);
  SetUpQtDialog(qt, dialog);
  const QStringList filters = QtNameFilters(dialog.Filter);
  if (qt.exec() != QDialog::Accepted) return false;
  const QStringList chosen = qt.selectedFiles();
  if (chosen.isEmpty()) return false;
  dialog.FileName = chosen.first().toStdString();
  const qsizetype filterIndex = filters.indexOf(qt.selectedNameFilter());
  if (filterIndex >= 0) dialog.FilterIndex = static_cast<int>(filterIndex) + 1;
  return true;
}

}  // namespace ombrisk
