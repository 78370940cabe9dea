#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "synthesis/synthesis_run.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/exception.h"
#include "tests/support/picture_helpers.h"

namespace ombrisk {
namespace {

using test::MakeGreyPicture;
using test::ReadFileBytes;
using test::WaveSamples;

constexpr long double kPhaseCosine = 0.76031396174443966L;

class RunProgress : public TProgressSink {
public:
  void SetMax(int maximum) override { Calls.push_back("max " + std::to_string(maximum)); }
  void SetPosition(int position) override { Calls.push_back(std::to_string(position)); }
  std::vector<std::string> Calls;
};

class SynthesisRun : public ::testing::Test {
protected:
  std::vector<std::uint8_t> Run(const TBitmap& picture, const TSynthesisSettings& settings = {}) {
    const std::filesystem::path path = m_folder.File("run" + std::to_string(m_runs++) + ".wav");
    RunSynthesis(picture, settings, path.string(), m_progress);
    return ReadFileBytes(path);
  }
  std::vector<std::int16_t> RunSamples(const TBitmap& picture, const TSynthesisSettings& settings = {}) {
    return WaveSamples(Run(picture, settings));
  }
  static TSynthesisSettings Plain() {
    TSynthesisSettings settings;
    settings.Invert = false;
    return settings;
  }

  test::ScratchFolder m_folder{"synthesis-run"};
  RunProgress m_progress;
  int m_runs = 0;
};

// A picture of any reported size that holds no pixels: what the run must refuse before it copies.
class ClaimedSizeBitmap : public TBitmap {
public:
  ClaimedSizeBitmap(int width, int height) : m_width(width), m_height(height) {}
  int Width() const override { return m_width; }
  int Height() const override { return m_height; }

private:
  int m_width;
  int m_height;
};

struct Size {
  int Width;
  int Height;
  std::int32_t N;
};

std::string SizeName(const ::testing::TestParamInfo<Size>& size) {
  return std::to_string(size.param.Width) + "x" + std::to_string(size.param.Height);
}

class RunLengths : public SynthesisRun, public ::testing::WithParamInterface<Size> {};

TEST_P(RunLengths, HeaderAnnouncesExactlyWhatFollows) {
  const auto [w, h, n] = GetParam();
  const std::vector<std::uint8_t> bytes = Run(MakeGreyPicture(w, h, [](int x, int y) { return (x * 37 + y * 11) % 256; }));
  const std::uint32_t data = static_cast<std::uint32_t>(w) * static_cast<std::uint32_t>(n) * 2;
  ASSERT_EQ(bytes.size(), 44u + data);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(test::ReadLittle32(bytes, 4), 36 + data);
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(test::ReadLittle32(bytes, 16), 16u);
  EXPECT_EQ(test::ReadLittle32(bytes, 20), 0x00010001u);  // PCM, one channel
  EXPECT_EQ(test::ReadLittle32(bytes, 24), 44100u);
  EXPECT_EQ(test::ReadLittle32(bytes, 28), 88200u);
  EXPECT_EQ(test::ReadLittle32(bytes, 32), 0x00100002u);  // two bytes a sample, 16 bits
  EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
  EXPECT_EQ(test::ReadLittle32(bytes, 40), data);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RunLengths,
                         ::testing::Values(Size{1, 1, 2}, Size{3, 2, 4}, Size{2, 3, 8}, Size{5, 4, 8}, Size{3, 256, 512},
                                           Size{2, 257, 1024}, Size{40, 17, 64}),
                         SizeName);

TEST_F(SynthesisRun, OneRowPicturesGiveTwoSamplesAColumn) {
  const int greys[] = {200, 200, 37, 255, 1};
  const TBitmap picture = MakeGreyPicture(5, 1, [&](int x, int) { return greys[x]; });
  const std::vector<std::int16_t> samples = RunSamples(picture, Plain());
  ASSERT_EQ(samples.size(), 10u);
  EXPECT_EQ(samples[0], 500);
  EXPECT_EQ(samples[1], 500);
  for (int x = 1; x < 5; ++x) {
    const double turned = static_cast<double>(greys[x] * kPhaseCosine);
    const auto expected = static_cast<std::int16_t>(std::llrint(2.5L * turned));
    EXPECT_EQ(samples[2 * x], expected) << "column " << x;
    EXPECT_EQ(samples[2 * x + 1], expected) << "column " << x;
  }
  EXPECT_EQ(samples[2], 380);  // 2.5 × 0.7603… × 200 = 380.16
}

TEST_F(SynthesisRun, WhiteIsSilentWhenInverted) {
  const std::vector<std::int16_t> samples = RunSamples(MakeGreyPicture(6, 20, [](int, int) { return 255; }));
  ASSERT_EQ(samples.size(), 6u * 64);
  EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; }));
}

class BlackPicture : public SynthesisRun, public ::testing::WithParamInterface<int> {};

TEST_P(BlackPicture, FirstSampleSumsEveryBinUntilItSaturates) {
  const int h = GetParam();
  const std::vector<std::int16_t> samples = RunSamples(MakeGreyPicture(2, h, [](int, int) { return 0; }));
  const long long sum = std::llrint(5.0L * (127.5L + 255.0L * (h - 1)));
  EXPECT_EQ(samples.front(), std::min(sum, 32767LL)) << "height " << h;
}

INSTANTIATE_TEST_SUITE_P(Heights, BlackPicture, ::testing::Values(1, 2, 5, 26, 27, 64));

TEST_F(SynthesisRun, StripesSaturateAtBothEnds) {
  // Bright odd rows (counted from the bottom) add up at t = 0 and cancel to a large negative sum
  // at t = N/2: 32 bins × 255 × 5 is beyond both limits.
  const int h = 64;
  const TBitmap picture = MakeGreyPicture(1, h, [&](int, int y) { return (h - 1 - y) % 2 == 1 ? 255 : 0; });
  const std::vector<std::int16_t> samples = RunSamples(picture, Plain());
  ASSERT_EQ(samples.size(), 128u);
  EXPECT_EQ(samples[0], 32767);
  EXPECT_EQ(samples[64], -32768);
}

TEST_F(SynthesisRun, FirstColumnIsLouderThanAnIdenticalLaterOne) {
  std::mt19937 random(7);
  std::vector<int> column(16);
  for (int& g : column) g = static_cast<int>(random() % 60);
  const TBitmap picture = MakeGreyPicture(3, 16, [&](int, int y) { return column[static_cast<std::size_t>(y)]; });
  const std::vector<std::int16_t> samples = RunSamples(picture, Plain());
  const std::size_t n = 32;
  double peakFirst = 0;
  double peakLater = 0;
  for (std::size_t t = 0; t < n; ++t) {
    EXPECT_NEAR(samples[n + t], samples[t] * 0.760313961, 1.0) << t;
    EXPECT_EQ(samples[n + t], samples[2 * n + t]) << t;
    peakFirst = std::max(peakFirst, std::abs(static_cast<double>(samples[t])));
    peakLater = std::max(peakLater, std::abs(static_cast<double>(samples[n + t])));
  }
  EXPECT_NEAR(peakFirst / peakLater, 1 / 0.760313961, 0.01);
}

TBitmap Flipped(const TBitmap& picture, bool horizontal, bool vertical) {
  const int w = picture.Width();
  const int h = picture.Height();
  return test::MakePicture(w, h, [&](int x, int y) {
    const TColor c = picture.GetPixel(horizontal ? w - 1 - x : x, vertical ? h - 1 - y : y);
    return test::Rgb{static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8 & 0xFF),
                     static_cast<std::uint8_t>(c >> 16 & 0xFF)};
  });
}

TEST_F(SynthesisRun, MirrorsActOnTheWorkingCopyAsAFlippedPictureWould) {
  std::mt19937 random(11);
  const TBitmap picture = MakeGreyPicture(4, 8, [&](int, int) { return static_cast<int>(random() % 256); });
  const TBitmap untouched(picture);
  for (const bool x : {false, true}) {
    for (const bool y : {false, true}) {
      TSynthesisSettings settings;
      settings.MirrorX = x;
      settings.MirrorY = y;
      EXPECT_EQ(Run(picture, settings), Run(Flipped(picture, x, y))) << "mirror x " << x << ", y " << y;
    }
  }
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 4; ++x) ASSERT_EQ(picture.GetPixel(x, y), untouched.GetPixel(x, y));
  }
}

TEST_F(SynthesisRun, MirrorXReversesTimeColumnByColumn) {
  const TBitmap picture = MakeGreyPicture(4, 8, [](int x, int y) { return (x + 1) * 20 + y; });
  TSynthesisSettings mirrored = Plain();
  mirrored.MirrorX = true;
  const std::vector<std::int16_t> forward = RunSamples(picture, Plain());
  const std::vector<std::int16_t> backward = RunSamples(picture, mirrored);
  const auto block = [](const std::vector<std::int16_t>& s, int x) {
    return std::vector<std::int16_t>(s.begin() + 16 * x, s.begin() + 16 * (x + 1));
  };
  // Columns other than the first carry the same phase gain, so they match exactly.
  EXPECT_EQ(block(backward, 1), block(forward, 2));
  EXPECT_EQ(block(backward, 2), block(forward, 1));
  EXPECT_NE(block(backward, 1), block(forward, 1));
}

TEST_F(SynthesisRun, MirrorYTurnsTheFrequencyAxis) {
  // One bright row near the bottom is a low tone; mirrored it sits near the top: a high tone.
  const int h = 16;
  const TBitmap picture = MakeGreyPicture(1, h, [&](int, int y) { return y == h - 2 ? 100 : 0; });
  TSynthesisSettings mirrored = Plain();
  mirrored.MirrorY = true;
  const std::vector<std::int16_t> low = RunSamples(picture, Plain());
  const std::vector<std::int16_t> high = RunSamples(picture, mirrored);
  const std::size_t n = 32;
  for (std::size_t t = 0; t < n; ++t) {
    EXPECT_EQ(low[t], std::llrint(500 * std::cos(2 * std::numbers::pi * 1 * t / n))) << t;
    EXPECT_EQ(high[t], std::llrint(500 * std::cos(2 * std::numbers::pi * 14 * t / n))) << t;
  }
}

TEST_F(SynthesisRun, LogarithmicAmplitudeIsNeverSilent) {
  TSynthesisSettings settings;
  settings.LogAmplitude = true;
  const std::vector<std::int16_t> samples = RunSamples(MakeGreyPicture(3, 4, [](int, int) { return 255; }), settings);
  // Every bin holds 1638.35: the first sample of the first column is 5 × (819.175 + 3 × 1638.35).
  EXPECT_EQ(samples[0], std::llrint(5.0L * (1638.35L / 2 + 3 * 1638.35L)));
  for (int x = 0; x < 3; ++x) {
    const auto begin = samples.begin() + 8 * x;
    EXPECT_TRUE(std::any_of(begin, begin + 8, [](std::int16_t s) { return s != 0; })) << "column " << x;
  }
}

TEST_F(SynthesisRun, LogarithmicPlacementLetsTheHigherRowWinASharedBin) {
  // Four rows, eight samples: the two lowest rows both land in bin 0, so the bottom row is unheard.
  TSynthesisSettings settings = Plain();
  settings.LogFrequency = true;
  const TBitmap a = MakeGreyPicture(2, 4, [](int, int y) { return y == 3 ? 10 : 50 + y; });
  const TBitmap b = MakeGreyPicture(2, 4, [](int, int y) { return y == 3 ? 250 : 50 + y; });
  const TBitmap c = MakeGreyPicture(2, 4, [](int, int y) { return y == 2 ? 250 : 50 + y; });
  EXPECT_EQ(Run(a, settings), Run(b, settings));
  EXPECT_NE(Run(a, settings), Run(c, settings));
}

// The independent check: every sample from a direct sum of cosines in long double.
std::vector<std::int16_t> DirectSynthesis(const TBitmap& picture, const TSynthesisSettings& settings) {
  const int w = picture.Width();
  const int h = picture.Height();
  int n = 2;
  while (n < 2 * h) n *= 2;
  std::vector<std::int16_t> out;
  for (int x = 0; x < w; ++x) {
    std::vector<long double> bins(static_cast<std::size_t>(n / 2), 0.0L);
    for (int m = 0; m < h; ++m) {
      const int sx = settings.MirrorX ? w - 1 - x : x;
      const int sy = settings.MirrorY ? m : h - 1 - m;
      const TColor c = picture.GetPixel(sx, sy);
      long double v = ((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF)) / 3;
      if (settings.Invert) v = 255 - v;
      if (settings.LogAmplitude) v = std::pow(10.0L, v / 255) * 1638.35L;
      std::size_t k = static_cast<std::size_t>(m);
      if (settings.LogFrequency) k = static_cast<std::size_t>(std::llrint(std::pow(10.0L, static_cast<long double>(m) / h) * n) / 20);
      bins[k] = v;
    }
    const long double gain = x > 0 ? std::cos(0.707L) : 1.0L;
    for (int t = 0; t < n; ++t) {
      long double z = bins[0] / 2;
      for (int k = 1; k < n / 2; ++k) z += bins[static_cast<std::size_t>(k)] * std::cos(2 * 3.14159265358979323846264L * k * t / n);
      const long long rounded = std::llrint(5 * gain * z);
      out.push_back(static_cast<std::int16_t>(std::clamp(rounded, -32768LL, 32767LL)));
    }
  }
  return out;
}

class AgainstDirectSum : public SynthesisRun, public ::testing::WithParamInterface<int> {};

TEST_P(AgainstDirectSum, EverySampleOfARandomColourPicture) {
  const int flags = GetParam();
  TSynthesisSettings settings;
  settings.Invert = (flags & 1) != 0;
  settings.MirrorX = (flags & 2) != 0;
  settings.MirrorY = (flags & 4) != 0;
  settings.LogFrequency = (flags & 8) != 0;
  settings.LogAmplitude = (flags & 16) != 0;
  std::mt19937 random(static_cast<unsigned>(100 + flags));
  // Colours, not greys: the run takes the truncated mean of the three channels.
  const TBitmap picture = test::MakePicture(7, 13, [&](int, int) {
    // Linear amplitudes are kept small so that few samples saturate and most are compared exactly.
    // Inverted, light pixels give the small amplitudes.
    const bool light = settings.Invert && !settings.LogAmplitude;
    const unsigned limit = settings.LogAmplitude ? 256 : 40;
    const auto channel = [&] {
      const auto value = static_cast<std::uint8_t>(random() % limit);
      return light ? static_cast<std::uint8_t>(255 - value) : value;
    };
    return test::Rgb{channel(), channel(), channel()};
  });
  const std::vector<std::int16_t> written = RunSamples(picture, settings);
  const std::vector<std::int16_t> direct = DirectSynthesis(picture, settings);
  ASSERT_EQ(written.size(), direct.size());
  int exact = 0;
  for (std::size_t i = 0; i < direct.size(); ++i) {
    ASSERT_LE(std::abs(written[i] - direct[i]), 1) << "sample " << i;
    exact += written[i] == direct[i] ? 1 : 0;
  }
  // Off by one only where the exact value sits within rounding noise of a half.
  EXPECT_GE(exact, static_cast<int>(direct.size()) - 4);
}

INSTANTIATE_TEST_SUITE_P(Settings, AgainstDirectSum, ::testing::Values(0, 1, 2, 4, 6, 8, 9, 16, 17, 24, 31));

TEST_F(SynthesisRun, EmptyPicturesWriteAHeaderWithNoData) {
  for (const auto& [w, h] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 5}}) {
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    picture.SetSize(w, h);
    m_progress.Calls.clear();
    const std::vector<std::uint8_t> bytes = Run(picture);
    ASSERT_EQ(bytes.size(), 44u) << w << "x" << h;
    EXPECT_EQ(test::ReadLittle32(bytes, 4), 36u);
    EXPECT_EQ(test::ReadLittle32(bytes, 40), 0u);
    EXPECT_EQ(m_progress.Calls, (std::vector<std::string>{"max 0", "0"}));
  }
}

TEST_F(SynthesisRun, ProgressRunsToTheLastColumnAndBack) {
  Run(MakeGreyPicture(4, 3, [](int, int) { return 9; }));
  EXPECT_EQ(m_progress.Calls, (std::vector<std::string>{"max 3", "0", "1", "2", "3", "0"}));
  m_progress.Calls.clear();
  Run(MakeGreyPicture(1, 3, [](int, int) { return 9; }));
  EXPECT_EQ(m_progress.Calls, (std::vector<std::string>{"max 0", "0", "0"}));
}

TEST_F(SynthesisRun, AnUncreatableFileIsTheFirstErrorEvenForAnOversizedPicture) {
  const std::string path = m_folder.File("no-such-folder/out.wav").string();
  const std::string expected = "ファイル \"" + path + "\" を作成できません。No such file or directory";
  const TBitmap small = MakeGreyPicture(3, 2, [](int, int) { return 0; });
  const ClaimedSizeBitmap huge(1 << 20, 2049);
  for (const TBitmap* picture : {&small, static_cast<const TBitmap*>(&huge)}) {
    try {
      RunSynthesis(*picture, {}, path, m_progress);
      ADD_FAILURE() << "the run succeeded";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), expected);
    }
  }
  EXPECT_TRUE(m_progress.Calls.empty());
}

TEST_F(SynthesisRun, AWaveTooLongForItsHeaderIsRefusedAndTheOldFileKept) {
  const ClaimedSizeBitmap huge(1 << 20, 2049);  // 8192 samples a column: 16 GiB of data
  const std::filesystem::path path = m_folder.File("huge.wav");
  { std::ofstream(path) << "the user's old file"; }
  try {
    RunSynthesis(huge, {}, path.string(), m_progress);
    FAIL() << "the run succeeded";
  } catch (const EOutOfResources& e) {
    EXPECT_NE(e.Message().find("17179869184"), std::string::npos) << e.Message();
  }
  const std::vector<std::uint8_t> kept = ReadFileBytes(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "the user's old file");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()), {}), 1) << "a temporary file was left";
  EXPECT_TRUE(m_progress.Calls.empty());
  std::filesystem::remove(path);
  EXPECT_THROW(RunSynthesis(huge, {}, path.string(), m_progress), EOutOfResources);
  EXPECT_FALSE(std::filesystem::exists(path)) << "a failed run leaves no file where none was";
}

TEST_F(SynthesisRun, ALongerOldFileIsReplacedWhole) {
  const std::filesystem::path path = m_folder.File("old.wav");
  { std::ofstream(path) << std::string(10000, 'x'); }
  RunSynthesis(MakeGreyPicture(2, 2, [](int, int) { return 0; }), {}, path.string(), m_progress);
  EXPECT_EQ(std::filesystem::file_size(path), 44u + 2 * 4 * 2);
}

TEST_F(SynthesisRun, AFullDiskIsReportedNotTakenForSuccess) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const TBitmap picture = MakeGreyPicture(3, 3, [](int, int) { return 0; });
  EXPECT_THROW(RunSynthesis(picture, {}, "/dev/full", m_progress), EWriteError);
}

}  // namespace
}  // namespace ombrisk
