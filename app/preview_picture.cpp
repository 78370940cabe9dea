#include "app/preview_picture.h"

#include <QFileInfo>
#include <QImageReader>
#include <exception>
#include <string>

#include "app/bitmap_image.h"
#include "toolkit/bitmap.h"
#include "toolkit/picture.h"

namespace ombrisk {

namespace {

TPreviewPicture Loaded(QSize size, QImage image, QSize thumbnailBox) {
  TPreviewPicture picture;
  picture.Loaded = true;
  picture.Size = size;
  if (!image.isNull() && (image.width() > thumbnailBox.width() || image.height() > thumbnailBox.height())) {
    picture.Thumbnail = image.scaled(thumbnailBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  } else {
    picture.Thumbnail = image;
  }
  picture.Image = std::move(image);
  return picture;
}

TPreviewPicture ReadIcon(const QString& path, QSize thumbnailBox) {
  QImageReader reader(path);
  const QImage image = reader.read();
  if (image.isNull()) return {};
  return Loaded(image.size(), image, thumbnailBox);
}

}  // namespace

TPreviewPicture LoadPreviewPicture(const QString& path, QSize thumbnailBox) {
  if (!QFileInfo(path).isFile()) return {};
  const std::string fileName = path.toStdString();
  const TGraphicClass* kind = TPicture::FindExt(FileExtension(fileName));
  if (kind == nullptr || kind->InheritsFrom(MetafileClass())) return {};
  if (kind->InheritsFrom(IconClass())) return ReadIcon(path, thumbnailBox);
  try {
    TPicture picture;
    picture.LoadFromFile(fileName);
    const QSize size(picture.Width(), picture.Height());
    QImage image;
    {
      // The bitmap goes as soon as Qt has its copy: a large photograph is held twice only briefly.
      TBitmap colours;
      colours.Assign(*picture.Graphic());
      image = ToQImage(colours);
    }
    return Loaded(size, std::move(image), thumbnailBox);
  } catch (const std::exception&) {
    // A preview shows what it can; the reason a picture cannot load is LoadPicture's to report.
    return {};
  }
}

QString PreviewCaption(QSize size) { return QString::asprintf(" (%dx%d)", size.width(), size.height()); }

}  // namespace ombrisk
