// The open dialog's preview pane: what it shows for each kind of selection, that it loads only the
// selection it settles on, its place in Qt's dialog, and the "プレビュー" tool window.
#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "app/file_dialog.h"
#include "app/fitted_image.h"
#include "app/picture_preview_pane.h"
#include "app/picture_preview_window.h"
#include "app_test_support.h"

namespace ombrisk::testing {
namespace {

std::string TestData(const char* name) { return std::string(OMBRISK_TESTDATA_DIR) + "/" + name; }

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// An enhanced metafile header whose bounds make it 64 × 48: the core reads that size, but no
// reader draws it here.
void WriteMetafile(const std::string& path) {
  std::vector<std::uint8_t> bytes(88, 0);
  const auto put = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put(0, 1);
  put(4, 88);
  put(16, 63);
  put(20, 47);
  put(40, 0x464D4520);
  WriteBytes(path, bytes);
}

class PicturePreviewTest : public ::testing::Test {
protected:
  // Selects path and waits until the pane shows what it has for it.
  bool Select(const QString& path) {
    QSignalSpy shown(&pane, &TPicturePreviewPane::Shown);
    pane.SelectionChanged(path);
    return shown.wait(10000) && pane.ShownPath() == path;
  }
  bool Select(const std::string& path) { return Select(QString::fromStdString(path)); }

  TScratchFolder folder;
  TPicturePreviewPane pane;
};

struct TSelection {
  const char* Name;
  std::function<std::string(const TScratchFolder&)> Make;
  QSize Size;  // empty: no picture
};

class PreviewPaneShowsTest : public PicturePreviewTest, public ::testing::WithParamInterface<TSelection> {};

TEST_P(PreviewPaneShowsTest, CaptionPictureAndButtonFollowTheSelection) {
  pane.resize(200, 240);
  pane.show();
  const TSelection& selection = GetParam();
  ASSERT_TRUE(Select(selection.Make(folder)));
  const TFittedImage& image = pane.Image();
  if (selection.Size.isEmpty()) {
    EXPECT_EQ(pane.Caption(), QStringLiteral("画像:"));
    EXPECT_TRUE(image.Picture().isNull());
    EXPECT_EQ(image.EmptyText(), QStringLiteral("(なし)"));
    EXPECT_FALSE(pane.PreviewButton().isEnabled());
    return;
  }
  EXPECT_EQ(pane.Caption(), QString::asprintf(" (%dx%d)", selection.Size.width(), selection.Size.height()));
  EXPECT_TRUE(pane.PreviewButton().isEnabled());
  EXPECT_EQ(pane.PreviewButton().toolTip(), QStringLiteral("プレビュー"));
  // Scaled down with its proportions (never up), and centred.
  const QRect shown = image.ShownRect();
  const QRect area = image.rect();
  EXPECT_TRUE(area.contains(shown));
  EXPECT_LE(shown.width(), selection.Size.width());
  const bool fits = selection.Size.width() <= area.width() && selection.Size.height() <= area.height();
  if (fits) {
    EXPECT_EQ(shown.size(), selection.Size);
  } else {
    EXPECT_TRUE(shown.width() == area.width() || shown.height() == area.height());
    const double ratio = double(shown.width()) / shown.height();
    EXPECT_NEAR(ratio / (double(selection.Size.width()) / selection.Size.height()), 1.0, 0.03);
  }
  EXPECT_LE(std::abs(shown.center().x() - area.center().x()), 1);
  EXPECT_LE(std::abs(shown.center().y() - area.center().y()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, PreviewPaneShowsTest,
    ::testing::Values(
        TSelection{"SmallBitmap",
                   [](const TScratchFolder& f) {
                     WriteBitmapFile(f.Path("small.bmp"), 40, 30);
                     return f.Path("small.bmp");
                   },
                   {40, 30}},
        TSelection{"LargeBitmapInCapitals",
                   [](const TScratchFolder& f) {
                     WriteBitmapFile(f.Path("large.BMP"), 1200, 300);
                     return f.Path("large.BMP");
                   },
                   {1200, 300}},
        TSelection{"Jpeg", [](const TScratchFolder&) { return TestData("jpeg/testorig.jpg"); }, {227, 149}},
        TSelection{"Png", [](const TScratchFolder&) { return TestData("pngsuite/basn2c08.png"); }, {32, 32}},
        TSelection{"IconThroughQt",
                   [](const TScratchFolder& f) {
                     QImage icon(48, 40, QImage::Format_ARGB32);
                     icon.fill(Qt::red);
                     icon.save(QString::fromStdString(f.Path("icon.ico")), "ICO");
                     return f.Path("icon.ico");
                   },
                   {48, 40}},
        TSelection{"Metafile",
                   [](const TScratchFolder& f) {
                     WriteMetafile(f.Path("drawing.emf"));
                     return f.Path("drawing.emf");
                   },
                   {}},
        TSelection{"BrokenBitmap",
                   [](const TScratchFolder& f) {
                     WriteBytes(f.Path("broken.bmp"), {'N', 'O', 0, 0, 0, 0});
                     return f.Path("broken.bmp");
                   },
                   {}},
        TSelection{"UnknownExtension",
                   [](const TScratchFolder& f) {
                     WriteBitmapFile(f.Path("picture.txt"), 8, 8);
                     return f.Path("picture.txt");
                   },
                   {}},
        TSelection{"Missing", [](const TScratchFolder& f) { return f.Path("nowhere.bmp"); }, {}},
        TSelection{"Folder", [](const TScratchFolder& f) { return f.Path(""); }, {}}),
    TByName());

TEST_F(PicturePreviewTest, OnlyTheSelectionItSettlesOnIsLoaded) {
  WriteBitmapFile(folder.Path("a.bmp"), 10, 10);
  WriteBitmapFile(folder.Path("b.bmp"), 20, 10);
  ASSERT_TRUE(Select(folder.Path("a.bmp")));
  QSignalSpy shown(&pane, &TPicturePreviewPane::Shown);
  // Moving on clears the old picture at once; the new one comes once the selection rests.
  pane.SelectionChanged(QString::fromStdString(folder.Path("c.bmp")));
  EXPECT_EQ(pane.Caption(), QStringLiteral("画像:"));
  EXPECT_FALSE(pane.PreviewButton().isEnabled());
  pane.SelectionChanged(QString::fromStdString(folder.Path("b.bmp")));
  ASSERT_TRUE(shown.wait(10000));
  EXPECT_FALSE(shown.wait(3 * kPreviewSettleMs));
  EXPECT_EQ(shown.count(), 1);
  EXPECT_EQ(pane.ShownPath().toStdString(), folder.Path("b.bmp"));
  EXPECT_EQ(pane.Caption(), QStringLiteral(" (20x10)"));
}

TEST_F(PicturePreviewTest, QtsOwnDialogCarriesItRightOfTheFileListStartingOnTheLastChoice) {
  WriteBitmapFile(folder.Path("last.bmp"), 56, 78);
  TScriptedDialogs unused;
  TFileDialog open("OpenPictureDialog1", TFileDialogKind::fdOpen, "Bitmap (*.bmp)|*.bmp", unused, nullptr);
  open.PicturePreview = true;
  open.FileName = folder.Path("last.bmp");
  QFileDialog dialog;
  SetUpQtDialog(dialog, open);
  auto* attached = dialog.findChild<TPicturePreviewPane*>();
  ASSERT_NE(attached, nullptr);
  EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
  QSignalSpy first(attached, &TPicturePreviewPane::Shown);
  dialog.show();
  ASSERT_TRUE(first.wait(10000));
  EXPECT_EQ(attached->Caption(), QStringLiteral(" (56x78)"));

  // The splitter holds the folder list and the file list (as a list or in detail).
  auto* files = dialog.findChild<QWidget*>(QStringLiteral("splitter"));
  ASSERT_NE(files, nullptr);
  EXPECT_GE(attached->mapTo(&dialog, QPoint(0, 0)).x(), files->mapTo(&dialog, QPoint(files->width(), 0)).x());
  EXPECT_EQ(attached->mapTo(&dialog, QPoint(0, 0)).y(), files->mapTo(&dialog, QPoint(0, 0)).y());

  WriteBitmapFile(folder.Path("chosen.bmp"), 12, 34);
  QSignalSpy shown(attached, &TPicturePreviewPane::Shown);
  emit dialog.currentChanged(QString::fromStdString(folder.Path("chosen.bmp")));
  ASSERT_TRUE(shown.wait(10000));
  EXPECT_EQ(attached->Caption(), QStringLiteral(" (12x34)"));
}

struct TToolWindow {
  const char* Name;
  QSize Picture;
};

class PreviewToolWindowTest : public PicturePreviewTest, public ::testing::WithParamInterface<TToolWindow> {};

TEST_P(PreviewToolWindowTest, FitsThePictureWithinThreeQuartersOfTheMonitorAndEscCloses) {
  const QSize picture = GetParam().Picture;
  WriteBitmapFile(folder.Path("p.bmp"), picture.width(), picture.height());
  pane.show();
  ASSERT_TRUE(Select(folder.Path("p.bmp")));
  const QSize monitor = pane.screen()->geometry().size();
  const QSize expected(std::min(picture.width() + 10, monitor.width() * 3 / 4),
                       std::min(picture.height() + 10, monitor.height() * 3 / 4));

  bool checked = false;
  bool closed = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* window = qobject_cast<TPicturePreviewWindow*>(QApplication::activeModalWidget());
    if (window == nullptr || !window->isVisible() || checked) return;
    checked = true;
    EXPECT_EQ(window->windowTitle(), QStringLiteral("プレビュー"));
    EXPECT_TRUE(window->windowFlags() & Qt::Tool);
    EXPECT_EQ(window->size(), expected);
    EXPECT_GT(window->maximumWidth(), window->width());  // resizable
    EXPECT_LE((window->frameGeometry().center() - pane.screen()->geometry().center()).manhattanLength(), 2);
    // The picture, with its proportions, inside the 5-pixel border.
    const QRect shown = window->Image().ShownRect().translated(window->Image().mapTo(window, QPoint(0, 0)));
    EXPECT_TRUE(QRect(5, 5, expected.width() - 10, expected.height() - 10).contains(shown));
    EXPECT_TRUE(shown.width() == expected.width() - 10 || shown.height() == expected.height() - 10);
    QTest::keyClick(window, Qt::Key_Escape);
    closed = !window->isVisible();
    if (!closed) window->reject();
  });
  poll.start(10);
  QTimer::singleShot(10000, [&] {
    if (QApplication::activeModalWidget() != nullptr) QApplication::activeModalWidget()->close();
  });
  Find<QToolButton>(pane, "PreviewButton")->click();
  EXPECT_TRUE(checked);
  EXPECT_TRUE(closed);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PreviewToolWindowTest,
                         ::testing::Values(TToolWindow{"Small", {40, 30}}, TToolWindow{"Large", {2000, 1500}}),
                         TByName());

}  // namespace
}  // namespace ombrisk::testing
