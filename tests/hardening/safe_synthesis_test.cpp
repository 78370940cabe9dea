// A synthesis that fails half way leaves the user's old file exactly as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "synthesis/synthesis_run.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"

namespace ombrisk {
namespace {

namespace fs = std::filesystem;

class FailingProgress : public TProgressSink {
public:
  explicit FailingProgress(int failAt) : m_failAt(failAt) {}
  void SetMax(int) override {}
  void SetPosition(int position) override {
    if (position == m_failAt) throw EOutOfResources("out of memory in column " + std::to_string(position));
  }

private:
  int m_failAt;
};

TBitmap GreyPicture(int width, int height) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.SetPixel(x, y, 0x010101 * ((x * 37 + y * 11) % 256));
  return picture;
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(SafeSynthesis, FailedRunKeepsOldFileAndCompleteRunReplacesIt) {
  const fs::path dir = fs::temp_directory_path() / ("ombrisk-safe-synth-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path target = dir / "out.wav";
  std::ofstream(target, std::ios::binary) << "the user's old sound";
  const TBitmap picture = GreyPicture(5, 4);

  FailingProgress failing(2);
  EXPECT_THROW(RunSynthesis(picture, TSynthesisSettings{}, target.string(), failing), EOutOfResources);
  EXPECT_EQ(Contents(target), "the user's old sound");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1) << "no temporary file is left behind";

  TNullProgress quiet;
  RunSynthesis(picture, TSynthesisSettings{}, target.string(), quiet);
  EXPECT_EQ(fs::file_size(target), 44u + 5u * 8u * 2u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);

  EXPECT_THROW(RunSynthesis(picture, TSynthesisSettings{}, (dir / "missing" / "x.wav").string(), quiet), EFCreateError);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ombrisk
