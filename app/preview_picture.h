// The picture the open dialog's preview shows for a file: loaded through the picture format
// registry like LoadPicture, but in colour and for display only. Icons are read by Qt's image
// reader; metafiles have no reader here and show as no picture. Safe to call on a worker thread
// (the registry does not change after start-up, and every load has its own objects).
//
//   const TPreviewPicture shown = LoadPreviewPicture(path, QSize(512, 512));
//   if (shown.Loaded) label->setText(PreviewCaption(shown.Size));
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace ombrisk {

struct TPreviewPicture {
  bool Loaded = false;
  QSize Size;         // as the file gives it
  QImage Image;       // at full size; null for a picture without pixels
  QImage Thumbnail;   // scaled down proportionally to fit the box given to the load
};

// Any failure (no such file, a folder, an unknown extension, a broken or oversized picture) gives
// a picture that is not Loaded.
TPreviewPicture LoadPreviewPicture(const QString& path, QSize thumbnailBox);

// " (%dx%d)" with the picture's width and height.
QString PreviewCaption(QSize size);

inline constexpr const char* kSPictureLabel = "画像:";
inline constexpr const char* kSNone = "(なし)";
inline constexpr const char* kSPreviewLabel = "プレビュー";

}  // namespace ombrisk
