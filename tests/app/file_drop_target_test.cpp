// The drop target: its states, what a drop delivers, and its use on the main window's picture area.
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QUrl>
#include <memory>

#include "app/file_drop_target.h"
#include "app/image_control.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "app_test_support.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk::testing {
namespace {

std::unique_ptr<QMimeData> UrlData(const QList<QUrl>& urls) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  return data;
}

QList<QUrl> FileUrls(const std::vector<std::string>& paths) {
  QList<QUrl> urls;
  for (const std::string& path : paths) urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
  return urls;
}

// Sends a drag entering and then a drop to site; returns whether each was accepted.
std::pair<bool, bool> DragAndDrop(QWidget* site, const QMimeData& data) {
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(site, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(site, &drop);
  return {enter.isAccepted(), drop.isAccepted()};
}

class FileDropTargetTest : public ::testing::Test {
protected:
  FileDropTargetTest() {
    target->OnDropFiles = [this](TFileDropTarget& sender, QWidget* control, const std::vector<std::string>& files) {
      EXPECT_EQ(&sender, target);
      EXPECT_EQ(control, area);
      received.push_back(files);
      kept = &files;
    };
  }
  bool Registered() const { return area->acceptDrops() && area->viewport()->acceptDrops(); }
  bool Unregistered() const { return !area->acceptDrops() && !area->viewport()->acceptDrops(); }

  QWidget owner;
  QScrollArea* area = new QScrollArea(&owner);
  TFileDropTarget* target = new TFileDropTarget(&owner);
  std::vector<std::vector<std::string>> received;
  const std::vector<std::string>* kept = nullptr;
};

TEST_F(FileDropTargetTest, FollowsItsStateTable) {
  // Detached and active from creation: nothing registered.
  EXPECT_EQ(target->Control(), nullptr);
  EXPECT_TRUE(target->Active());
  EXPECT_TRUE(Unregistered());

  target->SetControl(area);
  EXPECT_TRUE(Registered());
  target->SetActive(false);
  EXPECT_TRUE(Unregistered());
  target->SetActive(true);
  EXPECT_TRUE(Registered());

  target->SetControl(nullptr);
  EXPECT_TRUE(Unregistered());
  EXPECT_TRUE(target->Active());

  // Detached, only the flag changes; attaching later registers according to it.
  target->SetActive(false);
  target->SetControl(area);
  EXPECT_TRUE(Unregistered());
  EXPECT_FALSE(target->Active());
}

TEST_F(FileDropTargetTest, MovingToAnotherControlUnregistersTheOld) {
  auto* other = new QScrollArea(&owner);
  target->SetControl(area);
  target->SetControl(other);
  EXPECT_TRUE(Unregistered());
  EXPECT_TRUE(other->acceptDrops() && other->viewport()->acceptDrops());
  EXPECT_EQ(DragAndDrop(area->viewport(), *UrlData(FileUrls({"/tmp/a.bmp"}))), std::make_pair(false, false));
  EXPECT_TRUE(received.empty());
}

TEST_F(FileDropTargetTest, DeliversEveryFullPathInDropOrderOnce) {
  target->SetControl(area);
  const std::string longName = "/tmp/" + std::string(700, 'n') + "/picture.bmp";
  const std::vector<std::string> paths{"/tmp/c.bmp", longName, "/tmp/日本語 の名前.png"};
  EXPECT_EQ(DragAndDrop(area->viewport(), *UrlData(FileUrls(paths))), std::make_pair(true, true));
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], paths);
  EXPECT_EQ(received[0][1].size(), longName.size());
}

TEST_F(FileDropTargetTest, ASecondDropReplacesTheListTheFirstWasGiven) {
  target->SetControl(area);
  DragAndDrop(area->viewport(), *UrlData(FileUrls({"/tmp/a.bmp", "/tmp/b.bmp"})));
  const std::vector<std::string>* first = kept;
  DragAndDrop(area, *UrlData(FileUrls({"/tmp/z.bmp"})));
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(first, kept);
  EXPECT_EQ(*first, std::vector<std::string>{"/tmp/z.bmp"});
}

struct TUrlDrop {
  const char* Name;
  QList<QUrl> Urls;
  bool Accepted;
  std::vector<std::string> Delivered;
};

class FileDropUrlTest : public FileDropTargetTest, public ::testing::WithParamInterface<TUrlDrop> {};

TEST_P(FileDropUrlTest, OnlyFileUrlsCount) {
  target->SetControl(area);
  const auto accepted = DragAndDrop(area->viewport(), *UrlData(GetParam().Urls));
  EXPECT_EQ(accepted, std::make_pair(GetParam().Accepted, GetParam().Accepted));
  if (GetParam().Accepted) {
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], GetParam().Delivered);
  } else {
    EXPECT_TRUE(received.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Urls, FileDropUrlTest,
    ::testing::Values(
        TUrlDrop{"WebOnly", {QUrl(QStringLiteral("https://example.org/a.png"))}, false, {}},
        TUrlDrop{"Mixed",
                 {QUrl(QStringLiteral("https://example.org/a.png")), QUrl::fromLocalFile(QStringLiteral("/tmp/b.png")),
                  QUrl(QStringLiteral("ftp://host/c.png")), QUrl::fromLocalFile(QStringLiteral("/tmp/d.jpg"))},
                 true,
                 {"/tmp/b.png", "/tmp/d.jpg"}},
        TUrlDrop{"None", {}, false, {}}),
    TByName());

TEST_F(FileDropTargetTest, InactiveRefusesDrops) {
  target->SetControl(area);
  target->SetActive(false);
  EXPECT_EQ(DragAndDrop(area->viewport(), *UrlData(FileUrls({"/tmp/a.bmp"}))), std::make_pair(false, false));
  EXPECT_TRUE(received.empty());
  EXPECT_TRUE(target->DropList().empty());
}

TEST_F(FileDropTargetTest, DestroyingTheControlDetachesTheTarget) {
  target->SetControl(area);
  delete area;
  area = nullptr;
  EXPECT_EQ(target->Control(), nullptr);
  target->SetActive(false);
  target->SetActive(true);
  EXPECT_EQ(target->Control(), nullptr);
}

class MainWindowDropTest : public ::testing::Test {
protected:
  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TOmbriskWindows windows{TUiServices{errors, dialogs}};
  TForm1& form1 = *windows.Forms().Form1;
  QScrollArea* area = Find<QScrollArea>(form1, "ScrollBox1");
  TScratchFolder folder;
};

TEST_F(MainWindowDropTest, ADropOfThreeFilesLoadsTheFirst) {
  const std::vector<std::string> paths{folder.Path("one.bmp"), folder.Path("two.bmp"), folder.Path("three.bmp")};
  WriteBitmapFile(paths[0], 7, 3);
  WriteBitmapFile(paths[1], 9, 9);
  WriteBitmapFile(paths[2], 11, 2);
  EXPECT_EQ(DragAndDrop(area->viewport(), *UrlData(FileUrls(paths))), std::make_pair(true, true));
  EXPECT_TRUE(errors.Shown.empty());
  EXPECT_EQ(form1.Image1().size(), QSize(7, 3));
  EXPECT_EQ(form1.FileDropTarget1().DropList(), paths);
  EXPECT_TRUE(Find<QWidget>(form1, "Button2")->isEnabled());
}

TEST_F(MainWindowDropTest, AFailedDropShowsTheErrorAndKeepsThePicture) {
  DragAndDrop(area->viewport(), *UrlData(FileUrls({folder.Path("notes.txt")})));
  ASSERT_EQ(errors.Shown.size(), 1u);
  EXPECT_EQ(errors.Shown[0], FormatMessage(kSUnknownExtension, {"txt"}) + ".");
  EXPECT_FALSE(Find<QWidget>(form1, "Button2")->isEnabled());
}

TEST_F(MainWindowDropTest, OnlyThePictureAreaAcceptsDrops) {
  EXPECT_EQ(form1.FileDropTarget1().Control(), area);
  EXPECT_TRUE(form1.FileDropTarget1().Active());
  EXPECT_FALSE(form1.acceptDrops());
  for (QWidget* widget : form1.findChildren<QWidget*>()) {
    const bool inArea = widget == area || widget == area->viewport();
    EXPECT_EQ(widget->acceptDrops(), inArea) << widget->objectName().toStdString();
  }
  // The picture itself passes drops on to the area's viewport.
  EXPECT_EQ(area->widget()->parentWidget(), area->viewport());
}

}  // namespace
}  // namespace ombrisk::testing
