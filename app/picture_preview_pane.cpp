#include "app/picture_preview_pane.h"

#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "app/fitted_image.h"
#include "app/picture_preview_window.h"

namespace ombrisk {

namespace {

constexpr int kPaneImageSide = 160;

}  // namespace

TPicturePreviewPane::TPicturePreviewPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PicturePanel"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* top = new QHBoxLayout;
  m_pictureLabel = new QLabel(QString::fromUtf8(kSPictureLabel), this);
  m_pictureLabel->setObjectName(QStringLiteral("PictureLabel"));
  top->addWidget(m_pictureLabel, 1);
  m_previewButton = new QToolButton(this);
  m_previewButton->setObjectName(QStringLiteral("PreviewButton"));
  m_previewButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  m_previewButton->setToolTip(QString::fromUtf8(kSPreviewLabel));
  m_previewButton->setEnabled(false);
  top->addWidget(m_previewButton);
  layout->addLayout(top);

  auto* paintPanel = new QFrame(this);
  paintPanel->setObjectName(QStringLiteral("PaintPanel"));
  paintPanel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* paintLayout = new QVBoxLayout(paintPanel);
  m_image = new TFittedImage(TFitting::ScaleDown, QString::fromUtf8(kSNone), paintPanel);
  m_image->setObjectName(QStringLiteral("ImageCtrl"));
  m_image->setMinimumSize(kPaneImageSide, kPaneImageSide);
  paintLayout->addWidget(m_image);
  layout->addWidget(paintPanel, 1);

  m_settle.setSingleShot(true);
  m_settle.setInterval(kPreviewSettleMs);
  connect(&m_settle, &QTimer::timeout, this, &TPicturePreviewPane::StartLoad);
  connect(&m_load, &QFutureWatcher<TPreviewPicture>::finished, this, &TPicturePreviewPane::LoadFinished);
  connect(m_previewButton, &QToolButton::clicked, this, &TPicturePreviewPane::ShowPreviewWindow);
}

// A load still running finishes on its own; its result has nowhere to go and is dropped.
TPicturePreviewPane::~TPicturePreviewPane() = default;

void TPicturePreviewPane::SelectionChanged(const QString& path) {
  m_wantedPath = path;
  // What the pane shows belongs to the old selection: away with it until the new one is loaded.
  if (path != m_shownPath && !m_shownPath.isEmpty()) Show(QString(), {});
  m_settle.start();
}

void TPicturePreviewPane::StartLoad() {
  // One load at a time: a selection made meanwhile is loaded when the running one ends.
  if (m_load.isRunning() || m_wantedPath == m_shownPath) return;
  m_loadingPath = m_wantedPath;
  m_load.setFuture(
      QtConcurrent::run(LoadPreviewPicture, m_loadingPath, QSize(kPreviewThumbnailSide, kPreviewThumbnailSide)));
}

void TPicturePreviewPane::LoadFinished() {
  if (m_loadingPath == m_wantedPath) {
    Show(m_loadingPath, m_load.result());
  } else if (!m_settle.isActive()) {
    StartLoad();
  }
}

void TPicturePreviewPane::Show(const QString& path, TPreviewPicture picture) {
  m_shownPath = path;
  m_picture = std::move(picture.Image);
  m_pictureLabel->setText(picture.Loaded ? PreviewCaption(picture.Size) : QString::fromUtf8(kSPictureLabel));
  m_image->SetPicture(picture.Thumbnail);
  m_previewButton->setEnabled(picture.Loaded);
  if (!path.isEmpty()) emit Shown();
}

QString TPicturePreviewPane::Caption() const { return m_pictureLabel->text(); }

void TPicturePreviewPane::ShowPreviewWindow() {
  TPicturePreviewWindow window(m_picture, this->window());
  window.exec();
}

TPicturePreviewPane* AttachPicturePreview(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  auto* pane = new TPicturePreviewPane(&dialog);
  // Qt's dialog: row 1 holds the folder tree and the file list across columns 0 to 2.
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addWidget(pane, 1, 3);
  } else {
    dialog.layout()->addWidget(pane);
  }
  QObject::connect(&dialog, &QFileDialog::currentChanged, pane, &TPicturePreviewPane::SelectionChanged);
  return pane;
}

}  // namespace ombrisk
