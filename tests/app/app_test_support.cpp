#include <QTimer>
#include "app_test_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <fstream>
#include <iterator>
#include <memory>

#include "picture/load_picture.h"
#include "synthesis/synthesis_run.h"
#include "toolkit/progress.h"

namespace ombrisk::testing {

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "app_test";
    static char* argv[] = {name, nullptr};
    m_application = std::make_unique<QApplication>(argc, argv);
    RegisterPictureFormats(24);
  }
  void TearDown() override { m_application.reset(); }

private:
  std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);  // gtest owns it

}  // namespace

bool TScriptedDialogs::Run(TFileDialog& dialog, QWidget*) {
  Calls.push_back({dialog.Name, dialog.Kind, dialog.Filter, dialog.FilterIndex, dialog.FileName});
  auto& queue = m_answers[dialog.Name];
  if (queue.empty()) {
    ++Unexpected;
    return false;
  }
  const std::optional<std::string> answer = queue.front();
  queue.pop_front();
  if (!answer) return false;
  dialog.FileName = *answer;
  return true;
}

bool RunModalUntil(QDialog& dialog, const std::function<void()>& open, const std::function<bool()>& ready,
                   int deadlineMs) {
  bool held = false;
  QElapsedTimer clock;
  clock.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!dialog.isVisible()) return;
    held = ready();
    if (held || clock.elapsed() > deadlineMs) {
      poll.stop();
      dialog.close();
    }
  });
  poll.start(10);
  open();
  poll.stop();
  return held;
}

TBitmap MakeGreyBitmap(int width, int height, int seed) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const auto grey = static_cast<std::uint8_t>((x * 7 + y * 3 + seed) % 256);
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey;
    }
  }
  return bitmap;
}

void WriteBitmapFile(const std::string& path, int width, int height, int seed) {
  MakeGreyBitmap(width, height, seed).SaveToFile(path);
}

void WriteWaveFile(const std::string& path, int width, int height) {
  TNullProgress progress;
  RunSynthesis(MakeGreyBitmap(width, height), TSynthesisSettings{}, path, progress);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> PixelBytes(const TBitmap& bitmap) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    bytes.insert(bytes.end(), row, row + bitmap.BytesPerScanLine());
  }
  return bytes;
}

TScratchFolder::TScratchFolder() : m_previousCurrent(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }

TScratchFolder::~TScratchFolder() { QDir::setCurrent(m_previousCurrent); }

std::string TScratchFolder::Path(const std::string& name) const {
  return QDir(m_dir.path()).filePath(QString::fromStdString(name)).toStdString();
}

}  // namespace ombrisk::testing
