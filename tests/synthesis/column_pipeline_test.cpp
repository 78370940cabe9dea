// The two-thread column run when something goes wrong on either side: the error arrives on the
// caller, whole, and neither thread is left waiting for the other; and the same run on one thread,
// when no second can be started or only one processor is usable.
#include "synthesis/column_pipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <numeric>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "synthesis/synthesis_run.h"
#include "synthesis/synthesis_steps.h"
#include "tests/support/refusing_stream.h"
#include "tests/support/thread_starters.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"

namespace ombrisk {
namespace {

TBitmap GreyPicture(int width, int height) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  return picture;
}

class TThrowingProgress : public TProgressSink {
public:
  explicit TThrowingProgress(int at) : m_at(at) {}
  void SetMax(int) override {}
  void SetPosition(int position) override {
    Last = position;
    if (position == m_at) throw std::runtime_error("stopped by the progress sink");
  }
  int Last = -1;

private:
  int m_at;
};

// A memory stream whose writes from any thread but the caller's are slow, so that batches are
// completed while the other thread writes and the writing changes hands many times.
class TSlowElsewhereStream : public TMemoryStream {
public:
  std::size_t Write(const void* buffer, std::size_t count) override {
    if (std::this_thread::get_id() != m_caller) std::this_thread::sleep_for(std::chrono::microseconds(300));
    return TMemoryStream::Write(buffer, count);
  }

private:
  std::thread::id m_caller = std::this_thread::get_id();
};

TBitmap RandomPicture(int width, int height) {
  TBitmap picture = GreyPicture(width, height);
  std::mt19937 random(11);
  for (int y = 0; y < picture.Height(); ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < 3 * picture.Width(); ++x) row[x] = static_cast<std::uint8_t>(random());
  }
  return picture;
}

std::vector<std::uint8_t> Synthesize(const TBitmap& picture, const TThreadStarter& startThread) {
  const TSynthesisSettings settings;
  const std::int32_t n = SamplesPerColumn(picture.Height());
  const TColumnSpectrum spectrum(picture.Height(), n, settings);
  TColumnReader reader(picture, false, false);
  TMemoryStream wave;
  TNullProgress progress;
  SynthesizeColumns(reader, spectrum, n, picture.Width(), wave, progress, startThread);
  return {wave.Memory(), wave.Memory() + wave.Size()};
}

// Records every position and whether it came from the thread that started the run.
class TRecordingProgress : public TProgressSink {
public:
  void SetMax(int) override {}
  void SetPosition(int position) override {
    Positions.push_back(position);
    if (std::this_thread::get_id() != m_caller) ++ElsewhereCalls;
  }
  std::vector<int> Positions;
  int ElsewhereCalls = 0;

private:
  std::thread::id m_caller = std::this_thread::get_id();
};

TEST(ColumnPipeline, WritesFromBothThreadsKeepTheColumnOrder) {
  const TBitmap picture = RandomPicture(1500, 40);
  const TSynthesisSettings settings;
  const std::int32_t n = SamplesPerColumn(picture.Height());
  const TColumnSpectrum spectrum(picture.Height(), n, settings);
  TNullProgress progress;
  TMemoryStream quick;
  TColumnReader quickReader(picture, false, false);
  SynthesizeColumns(quickReader, spectrum, n, picture.Width(), quick, progress);
  TSlowElsewhereStream slow;
  TColumnReader slowReader(picture, false, false);
  SynthesizeColumns(slowReader, spectrum, n, picture.Width(), slow, progress);
  ASSERT_EQ(slow.Size(), std::int64_t{1500} * n * 2);
  ASSERT_EQ(quick.Size(), slow.Size());
  EXPECT_EQ(std::memcmp(quick.Memory(), slow.Memory(), static_cast<std::size_t>(slow.Size())), 0);
}

TEST(ColumnPipeline, ProgressGoesOutOnceForEveryColumnInOrderOnTheCaller) {
  // Widths whose batches shrink towards the end to sizes that are not whole groups of columns,
  // and one that fits a single batch.
  for (const auto& [width, height] : {std::pair{70, 1500}, std::pair{613, 1024}, std::pair{5, 1024}}) {
    const TBitmap picture = GreyPicture(width, height);
    const TSynthesisSettings settings;
    const std::int32_t n = SamplesPerColumn(height);
    const TColumnSpectrum spectrum(height, n, settings);
    TColumnReader reader(picture, false, false);
    TMemoryStream wave;
    TRecordingProgress progress;
    SynthesizeColumns(reader, spectrum, n, width, wave, progress);
    std::vector<int> expected(static_cast<std::size_t>(width));
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(progress.Positions, expected) << width;
    EXPECT_EQ(progress.ElsewhereCalls, 0) << width;
    EXPECT_EQ(wave.Size(), std::int64_t{width} * n * 2) << width;
  }
}

TEST(ColumnPipeline, AStreamThatFillsUpRaisesTheWriteErrorAndTheBarShowsOnlyColumnsWritten) {
  // Full after the first samples, early or late in the run, on two threads and on one: each time
  // the write error comes back, the run returns, and no position beyond the columns wholly in the
  // stream was shown.
  const TBitmap picture = GreyPicture(900, 9);
  const TSynthesisSettings settings;
  TColumnReader reader(picture, false, false);
  const std::int32_t n = SamplesPerColumn(picture.Height());
  const std::size_t columnBytes = static_cast<std::size_t>(n) * 2;
  const TColumnSpectrum spectrum(picture.Height(), n, settings);
  for (const bool alone : {false, true}) {
    for (const std::size_t capacity : {std::size_t{0}, 64 * columnBytes * 3 + 5, 900 * columnBytes - 1}) {
      testing::TStarterLog starter{.Refuse = alone};
      TRefusingStream full(capacity);
      TRecordingProgress progress;
      EXPECT_THROW(SynthesizeColumns(reader, spectrum, n, picture.Width(), full, progress, starter.Starter()),
                   EWriteError)
          << capacity;
      const int columnsInStream = static_cast<int>(capacity / columnBytes);
      const int lastShown = progress.Positions.empty() ? -1 : progress.Positions.back();
      EXPECT_LT(lastShown, columnsInStream) << capacity << (alone ? " alone" : "");
      EXPECT_EQ(progress.ElsewhereCalls, 0);
    }
  }
}

TEST(ColumnPipeline, AnErrorOfTheProgressSinkStopsTheHelperToo) {
  const TBitmap picture = GreyPicture(900, 9);
  const TSynthesisSettings settings;
  TColumnReader reader(picture, false, false);
  const std::int32_t n = SamplesPerColumn(picture.Height());
  const TColumnSpectrum spectrum(picture.Height(), n, settings);
  for (const int at : {0, 300, 899}) {
    TRefusingStream roomy(std::size_t{1} << 30);
    TThrowingProgress progress(at);
    EXPECT_THROW(SynthesizeColumns(reader, spectrum, n, picture.Width(), roomy, progress), std::runtime_error);
    EXPECT_EQ(progress.Last, at);
  }
}

// Without a second thread, refused or not worth having on one processor, the calling thread makes
// the same wave alone.
TEST(ColumnPipeline, WhenNoSecondThreadIsStartedTheCallerAloneWritesTheSameWave) {
  const TBitmap picture = RandomPicture(700, 100);
  const std::vector<std::uint8_t> shared = Synthesize(picture, StartThread);
  testing::TStarterLog refusing{.Refuse = true};
  EXPECT_EQ(Synthesize(picture, refusing.Starter()), shared);
  testing::TStarterLog onOne;
  {
    const testing::TOneProcessor pin;
    if (!pin.Pinned()) GTEST_SKIP() << "this thread could not be kept to one processor";
    EXPECT_EQ(Synthesize(picture, onOne.Starter()), shared);
  }
  EXPECT_EQ(onOne.Asked, 0);
  if (UsableProcessors() < 2) GTEST_SKIP() << "one processor: no second thread was asked for to be refused";
  EXPECT_EQ(refusing.Asked, 1);
}

}  // namespace
}  // namespace ombrisk
