// The analysis draws its columns on a second thread; without one, refused or not worth having on
// one processor, the calling thread draws the same picture alone.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "spectrogram/spectrogram_analysis.h"
#include "tests/spectrogram/spectrogram_reference.h"
#include "tests/support/thread_starters.h"

namespace ombrisk {
namespace {

struct TPicture {
  int Width = 0;
  std::string Pixels;
  bool operator==(const TPicture&) const = default;
};

TPicture Analyze(const testing::Bytes& wave, const TSpectrogramSettings& settings, const TThreadStarter& start) {
  TMemoryStream stream;
  stream.Write(wave.data(), wave.size());
  stream.Seek(0, TSeekOrigin::soBeginning);
  TNullProgress progress;
  const auto picture = AnalyzeWaveStream(stream, "threads.wav", settings, progress, start);
  TPicture seen{picture->Width(), {}};
  for (int y = 0; y < picture->Height(); ++y) {
    seen.Pixels.append(reinterpret_cast<const char*>(picture->ScanLine(y)), 4 * static_cast<std::size_t>(seen.Width));
  }
  return seen;
}

TEST(AnalysisThreads, WhenNoSecondThreadIsStartedTheCallerAloneDrawsTheSamePicture) {
  // Many more batches than are in flight between the threads at once, the last one short.
  std::mt19937 random(5);
  testing::Samples samples(128 * 900 + 70);
  for (auto& s : samples) s = static_cast<std::int16_t>(random());
  const testing::Bytes wave = testing::WaveBytes(samples);
  TSpectrogramSettings settings;
  settings.SampleSize = 128;
  settings.LogVoltage = true;
  const TPicture shared = Analyze(wave, settings, StartThread);
  ASSERT_EQ(shared.Width, 901);

  testing::TStarterLog refusing{.Refuse = true};
  EXPECT_EQ(Analyze(wave, settings, refusing.Starter()), shared);
  testing::TStarterLog onOne;
  {
    const testing::TOneProcessor pin;
    if (!pin.Pinned()) GTEST_SKIP() << "this thread could not be kept to one processor";
    EXPECT_EQ(Analyze(wave, settings, onOne.Starter()), shared);
  }
  EXPECT_EQ(onOne.Asked, 0);
  if (UsableProcessors() < 2) GTEST_SKIP() << "one processor: no second thread was asked for to be refused";
  EXPECT_EQ(refusing.Asked, 1);
}

}  // namespace
}  // namespace ombrisk
