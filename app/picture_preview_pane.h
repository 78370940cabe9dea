// The pane that the open dialog for pictures carries to the right of its file list: the selected
// file scaled down proportionally and centred, its size as the caption (" (%dx%d)"), and a button
// (hint "プレビュー") that opens it in the "プレビュー" tool window. For no loadable picture the
// caption reads "画像:", the pane "(なし)", and the button is disabled.
//
//   QFileDialog dialog;  AttachPicturePreview(dialog);  dialog.exec();
//
// Loading waits until the selection has stayed put for a moment and runs on a worker thread, one
// file at a time, so browsing a folder of large photographs stays smooth. The pane only ever shows
// pictures: the display picture is LoadPicture's alone.
#pragma once

#include <QFutureWatcher>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "app/preview_picture.h"

class QFileDialog;
class QLabel;
class QToolButton;

namespace ombrisk {

class TFittedImage;

class TPicturePreviewPane : public QWidget {
  Q_OBJECT

public:
  explicit TPicturePreviewPane(QWidget* parent = nullptr);
  ~TPicturePreviewPane() override;

  // The dialog's selection moved to path (a file, a folder, or a name that does not exist).
  void SelectionChanged(const QString& path);
  // Opens the tool window on the picture shown (the preview button does this).
  void ShowPreviewWindow();

  // The file whose picture, or lack of one, the pane shows now; empty until the first load ends.
  const QString& ShownPath() const { return m_shownPath; }
  QString Caption() const;
  const TFittedImage& Image() const { return *m_image; }
  const QToolButton& PreviewButton() const { return *m_previewButton; }

signals:
  // A load has ended and its result is on show.
  void Shown();

private:
  void StartLoad();
  void LoadFinished();
  void Show(const QString& path, TPreviewPicture picture);

  QLabel* m_pictureLabel = nullptr;
  TFittedImage* m_image = nullptr;
  QToolButton* m_previewButton = nullptr;
  QTimer m_settle;
  QFutureWatcher<TPreviewPicture> m_load;
  QString m_wantedPath;
  QString m_loadingPath;
  QString m_shownPath;
  QImage m_picture;
};

// Makes dialog Qt's own (a native dialog cannot carry the pane), puts a pane right of its file list
// and feeds it the dialog's current file. The pane belongs to the dialog.
TPicturePreviewPane* AttachPicturePreview(QFileDialog& dialog);

// How long the selection must stay on one file before it is loaded.
inline constexpr int kPreviewSettleMs = 150;
// The largest thumbnail the worker makes; the pane scales it further to its own size.
inline constexpr int kPreviewThumbnailSide = 512;

}  // namespace ombrisk
