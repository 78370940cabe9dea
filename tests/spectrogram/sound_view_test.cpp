// The viewer's core: views zoomed and panned as a window drives them, and the levels a view
// renders to — tones and bursts at their time and frequency, full scale at 0 dBFS for any window,
// no empty rows on a logarithmic axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "spectrogram/sound_view.h"
#include "spectrogram/sound_view_source.h"
#include "spectrogram/view_readout.h"
#include "tests/spectrogram/spectrogram_reference.h"
#include "tests/support/float_wave.h"

namespace ombrisk {
namespace {

using testing::AddNoise;
using testing::AddTone;
using testing::TTempFile;
using testing::WriteFloatWave;

constexpr std::int32_t kRate = 16384;

TRecordingInfo TenSeconds() { return TRecordingInfo{.SampleRateHz = kRate, .Channels = 2, .Frames = 10 * kRate}; }

// The row of column x with the highest level.
int LoudestRow(const TViewLevels& levels, int x) {
  int best = 0;
  for (int y = 1; y < levels.Height; ++y) {
    if (levels.At(x, y) > levels.At(x, best)) best = y;
  }
  return best;
}

// --- The view value -------------------------------------------------------------------------

TEST(SoundView, ZoomKeepsWhatIsUnderThePointer) {
  const TRecordingInfo info = TenSeconds();
  const TSoundView whole = WholeSoundView(info, 1000, 500);
  for (const double x : {0.0, 250.0, 731.0, 1000.0}) {
    const TSoundView zoomed = ZoomTime(whole, 4.0, x, info);
    EXPECT_NEAR(SecondsAtColumn(zoomed, x), SecondsAtColumn(whole, x), 1e-9) << x;
    EXPECT_NEAR(zoomed.ToSeconds - zoomed.FromSeconds, 2.5, 1e-9) << x;
  }
  for (const bool log : {false, true}) {
    const TSoundView band = WithLogFrequency(whole, log, info);
    const TSoundView zoomed = ZoomFrequency(band, 3.0, 123.0, info);
    EXPECT_NEAR(HzAtRow(zoomed, 123.0), HzAtRow(band, 123.0), 1e-6 * HzAtRow(band, 123.0)) << log;
    EXPECT_LT(zoomed.HighHz - zoomed.LowHz, band.HighHz - band.LowHz) << log;
  }
}

TEST(SoundView, ZoomAndPanStayWithinTheFile) {
  const TRecordingInfo info = TenSeconds();
  const TSoundView whole = WholeSoundView(info, 1000, 500);
  // Out beyond the whole file: the whole file again (what Home shows).
  const TSoundView out = ZoomTime(ZoomTime(whole, 4.0, 900, info), 0.001, 100, info);
  EXPECT_DOUBLE_EQ(out.FromSeconds, 0.0);
  EXPECT_DOUBLE_EQ(out.ToSeconds, 10.0);
  // In without end: one sample per column at the closest.
  TSoundView in = whole;
  for (int i = 0; i < 60; ++i) in = ZoomTime(in, 2.0, 500, info);
  EXPECT_NEAR((in.ToSeconds - in.FromSeconds) * kRate, 1000.0, 1e-6);
  // Dragging far past either end stops there with the span kept.
  const TSoundView near = ZoomTime(whole, 10.0, 500, info);
  const TSoundView left = PanView(near, 1e6, 0, info);
  EXPECT_DOUBLE_EQ(left.FromSeconds, 0.0);
  EXPECT_NEAR(left.ToSeconds, 1.0, 1e-9);
  const TSoundView right = PanView(near, -1e6, 0, info);
  EXPECT_DOUBLE_EQ(right.ToSeconds, 10.0);
  EXPECT_NEAR(right.FromSeconds, 9.0, 1e-9);
  // Dragging right by a tenth of the plot shows a tenth of the span earlier.
  const TSoundView moved = PanView(near, 100, 0, info);
  EXPECT_NEAR(moved.FromSeconds, near.FromSeconds - 0.1, 1e-9);
  // Upwards on the band, held at half the rate; on the log scale held at its floor.
  const TSoundView band = ZoomFrequency(whole, 4.0, 250, info);
  EXPECT_DOUBLE_EQ(PanView(band, 0, 1e6, info).HighHz, kRate / 2.0);
  const TSoundView logBand = WithLogFrequency(band, true, info);
  const TSoundView bottom = PanView(logBand, 0, -1e6, info);
  EXPECT_NEAR(bottom.LowHz, std::min(kLogFloorHz, logBand.LowHz), 1e-9);
  EXPECT_NO_THROW(ValidateSoundView(bottom, info));
}

struct TBadViewCase {
  const char* Field;
  void (*Spoil)(TSoundView&);
};

class BadViewTest : public ::testing::TestWithParam<TBadViewCase> {};

TEST_P(BadViewTest, NamesTheField) {
  const TRecordingInfo info = TenSeconds();
  TSoundView view = WholeSoundView(info, 100, 50);
  GetParam().Spoil(view);
  try {
    ValidateSoundView(view, info);
    FAIL() << "accepted";
  } catch (const EViewError& e) {
    EXPECT_EQ(e.Field(), GetParam().Field) << e.Message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BadViewTest,
    ::testing::Values(TBadViewCase{"Width", [](TSoundView& v) { v.Width = 0; }},
                      TBadViewCase{"Height", [](TSoundView& v) { v.Height = kLargestViewSide + 1; }},
                      TBadViewCase{"Height", [](TSoundView& v) { v.Width = v.Height = kLargestViewSide; }},
                      TBadViewCase{"FromSeconds", [](TSoundView& v) { v.FromSeconds = 10.0; }},
                      TBadViewCase{"FromSeconds", [](TSoundView& v) { v.FromSeconds = -0.5; }},
                      TBadViewCase{"ToSeconds", [](TSoundView& v) { v.FromSeconds = v.ToSeconds = 4.0; }},
                      TBadViewCase{"ToSeconds", [](TSoundView& v) { v.ToSeconds = 10.01; }},
                      TBadViewCase{"LowHz", [](TSoundView& v) { v.LowHz = v.HighHz; }},
                      TBadViewCase{"HighHz", [](TSoundView& v) { v.HighHz = kRate; }},
                      TBadViewCase{"LogFrequency", [](TSoundView& v) { v.LogFrequency = true; }},
                      TBadViewCase{"Channel", [](TSoundView& v) { v.Channel = 3; }},
                      TBadViewCase{"FrameSamples", [](TSoundView& v) { v.FrameSamples = 1000; }},
                      TBadViewCase{"RangeDb", [](TSoundView& v) { v.RangeDb = 0; }}));

// --- Rendering --------------------------------------------------------------------------------

// A 4 s file: a 1 kHz burst from 1.0 to 1.5 s and a 3 kHz one from 2.5 to 3.0 s, both −6 dBFS.
class RenderedBursts : public ::testing::Test {
protected:
  static constexpr double kSeconds = 4.0;
  void SetUp() override {
    std::vector<float> samples(static_cast<std::size_t>(kSeconds * kRate));
    AddTone(samples, kRate, 1000.0, 0.5, 1.0, 1.5);
    AddTone(samples, kRate, 3000.0, 0.5, 2.5, 3.0);
    WriteFloatWave(m_file.Path(), kRate, 1, samples);
  }
  TTempFile m_file{".wav"};
};

struct TBurstCase {
  const char* Name;
  double From, To, LowHz, HighHz;
  bool Log;
  int Width, Height;
  double BurstHz, BurstFrom, BurstTo;
};

class BurstViewTest : public RenderedBursts, public ::testing::WithParamInterface<TBurstCase> {};

TEST_P(BurstViewTest, LandsAtItsTimeAndFrequency) {
  const TBurstCase c = GetParam();
  TSoundViewSource source(m_file.Path());
  TSoundView view = WholeSoundView(source.Info(), c.Width, c.Height);
  view.FromSeconds = c.From;
  view.ToSeconds = c.To;
  view.LowHz = c.LowHz;
  view.HighHz = c.HighHz;
  view.LogFrequency = c.Log;
  const TViewLevels levels = source.Render(view);
  ASSERT_TRUE(levels.Complete());
  // The middle of what the view shows of the burst.
  const double shownFrom = std::max(c.BurstFrom, c.From), shownTo = std::min(c.BurstTo, c.To);
  const int middle = static_cast<int>(ColumnOfSeconds(view, (shownFrom + shownTo) / 2));
  const int row = LoudestRow(levels, middle);
  // The loudest row's band holds the tone, give or take one row or one bin.
  const double binHz = static_cast<double>(kRate) / ChosenFrameSamples(view, kRate);
  const double rowHz = std::abs(HzAtRow(view, row) - HzAtRow(view, row + 1.0));
  EXPECT_NEAR(HzAtRow(view, row + 0.5), c.BurstHz, std::max(rowHz, binHz)) << c.Name;
  EXPECT_NEAR(levels.At(middle, row), -6.02, 1.5) << c.Name;
  // Its edges: within half a frame (and a column) of where the burst starts and stops.
  const double slack = ChosenFrameSamples(view, kRate) / 2.0 / kRate;
  const double perColumn = (view.ToSeconds - view.FromSeconds) / view.Width;
  int first = -1, last = -1;
  for (int x = 0; x < view.Width; ++x) {
    if (levels.At(x, row) > -30.0) {
      if (first < 0) first = x;
      last = x;
    }
  }
  ASSERT_GE(first, 0) << c.Name;
  EXPECT_NEAR(SecondsAtColumn(view, first), shownFrom, slack + perColumn) << c.Name;
  EXPECT_NEAR(SecondsAtColumn(view, last + 1.0), shownTo, slack + perColumn) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Views, BurstViewTest,
    ::testing::Values(TBurstCase{"whole_linear", 0, 4, 0, 8192, false, 400, 200, 3000, 2.5, 3.0},
                      TBurstCase{"whole_log", 0, 4, 20, 8192, true, 400, 200, 1000, 1.0, 1.5},
                      // 0.2 s over 200 columns: 1 ms a column, computed again rather than stretched.
                      TBurstCase{"zoomed_time", 0.9, 1.1, 0, 8192, false, 200, 100, 1000, 1.0, 1.5},
                      TBurstCase{"zoomed_band", 2.0, 3.5, 2900, 3100, false, 300, 100, 3000, 2.5, 3.0},
                      TBurstCase{"zoomed_log_band", 0.5, 2.0, 500, 2000, true, 300, 150, 1000, 1.0, 1.5}),
    [](const auto& param) { return std::string(param.param.Name); });

// A sine at amplitude 1 on a bin's frequency is 0 dBFS whatever the window; half of it −6.02.
class WindowLevelTest : public ::testing::TestWithParam<int> {};

TEST_P(WindowLevelTest, FullScaleReadsZeroDbfs) {
  TTempFile file(".wav");
  std::vector<float> samples(2 * kRate);
  AddTone(samples, kRate, 2048.0, 1.0, 0.0, 1.0);  // bin 128 of 1024
  AddTone(samples, kRate, 2048.0, 0.5, 1.0, 2.0);
  WriteFloatWave(file.Path(), kRate, 1, samples);
  TSoundViewSource source(file.Path());
  TSoundView view = WholeSoundView(source.Info(), 100, 512);
  view.FrameSamples = 1024;
  view.WindowIndex = GetParam();
  const TViewLevels levels = source.Render(view);
  for (const auto& [x, db] : {std::pair{25, 0.0}, std::pair{75, -6.0206}}) {
    const int row = LoudestRow(levels, x);
    EXPECT_NEAR(levels.At(x, row), db, 0.02) << "window " << GetParam() << " column " << x;
    EXPECT_NEAR(HzAtRow(view, row + 0.5), 2048.0, 16.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowLevelTest, ::testing::Values(0, 2, 3));

TEST(SoundViewRender, LogarithmicAxisOverNoiseHasNoGaps) {
  TTempFile file(".wav");
  std::vector<float> samples(kRate);
  AddNoise(samples, 0.3, 7);
  WriteFloatWave(file.Path(), kRate, 1, samples);
  TSoundViewSource source(file.Path());
  TSoundView view = WithLogFrequency(WholeSoundView(source.Info(), 64, 400), true, source.Info());
  // Coarse bins: most rows at the bottom lie between two of them.
  view.FrameSamples = 256;
  const TViewLevels levels = source.Render(view);
  for (int y = 0; y < view.Height; ++y) {
    for (int x = 2; x < view.Width - 2; ++x) {
      ASSERT_GT(levels.At(x, y), -60.0f) << "row " << y << " column " << x;
    }
  }
  // The read-out names the pixel's time, frequency and level.
  const auto reading = ReadViewPixel(levels, view, 32, 399);
  ASSERT_TRUE(reading);
  EXPECT_NEAR(reading->Seconds, 32.5 / 64, 1e-9);
  EXPECT_NEAR(reading->FrequencyHz, HzAtRow(view, 399.5), 1e-9);
  EXPECT_TRUE(reading->LevelDb.has_value());
  EXPECT_FALSE(ReadViewPixel(levels, view, 64, 0));
}

TEST(SoundViewRender, ChannelsAndCancel) {
  TTempFile file(".wav");
  std::vector<float> left(kRate), right(kRate), both;
  AddTone(left, kRate, 1024.0, 1.0, 0.0, 1.0);  // bins 64 and 256 of 1024
  AddTone(right, kRate, 4096.0, 0.5, 0.0, 1.0);
  for (int i = 0; i < kRate; ++i) {
    both.push_back(left[static_cast<std::size_t>(i)]);
    both.push_back(right[static_cast<std::size_t>(i)]);
  }
  WriteFloatWave(file.Path(), kRate, 2, both);
  TSoundViewSource source(file.Path());
  TSoundView view = WholeSoundView(source.Info(), 50, 256);
  view.FrameSamples = 1024;
  for (const auto& [channel, hz, db] : {std::tuple{0, 1024.0, -6.02}, std::tuple{1, 1024.0, 0.0}, std::tuple{2, 4096.0, -6.02}}) {
    view.Channel = channel;
    const TViewLevels levels = source.Render(view);
    const int row = LoudestRow(levels, 25);
    EXPECT_NEAR(HzAtRow(view, row + 0.5), hz, 32.0) << channel;
    EXPECT_NEAR(levels.At(25, row), db, 0.05) << channel;
  }
  // Stopped at its first report, a render hands back what it had.
  int calls = 0;
  view.Width = 4000;
  const TViewLevels stopped = source.Render(view, [&](const TViewLevels& so, int first, int end) {
    ++calls;
    EXPECT_EQ(first, 0);
    EXPECT_EQ(so.ColumnsDone, end);
    return false;
  });
  EXPECT_FALSE(stopped.Complete());
  EXPECT_EQ(calls, 1);
}

// A damaged float file: NaN counts as silence and infinities are held, so every level stays a
// number and the tone beside them keeps its level.
TEST(SoundViewRender, DamagedSamplesStayNumbers) {
  TTempFile file(".wav");
  std::vector<float> samples(kRate);
  AddTone(samples, kRate, 1024.0, 1.0, 0.0, 1.0);
  for (std::size_t i = 8000; i < 8400; ++i) samples[i] = i % 2 ? std::nanf("") : std::numeric_limits<float>::infinity();
  WriteFloatWave(file.Path(), kRate, 1, samples);
  TSoundViewSource source(file.Path());
  TSoundView view = WholeSoundView(source.Info(), 64, 128);
  view.FrameSamples = 256;
  const TViewLevels levels = source.Render(view);
  for (const float db : levels.Db) ASSERT_TRUE(std::isfinite(db));
  EXPECT_NEAR(levels.At(10, LoudestRow(levels, 10)), 0.0, 0.05);
  EXPECT_GT(levels.At(31, 0), 20.0f) << "the held infinities are loud";
}

TEST(SoundViewSource, NamesTheFileItCannotRead) {
  TTempFile file(".wav");
  file.Write({'n', 'o', 't', ' ', 's', 'o', 'u', 'n', 'd'});
  try {
    TSoundViewSource source(file.Path());
    FAIL() << "opened";
  } catch (const ERecordingError& e) {
    EXPECT_NE(e.Message().find(file.Path()), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace ombrisk

namespace ombrisk {
namespace {

// Long enough that a render splits the file between two decoders: 80 s with a 2048 Hz burst at
// 20 … 21 s and a 4096 Hz one at 61 … 62 s, one in each half.
class LongSound : public ::testing::Test {
protected:
  void SetUp() override {
    std::vector<float> samples(80 * kRate);
    AddNoise(samples, 0.001, 3);
    AddTone(samples, kRate, 2048.0, 0.5, 20.0, 21.0);
    AddTone(samples, kRate, 4096.0, 0.5, 61.0, 62.0);
    WriteFloatWave(m_file.Path(), kRate, 1, samples);
  }
  // Each burst's middle column has its loudest row on its tone.
  static void ExpectBursts(const TViewLevels& levels, const TSoundView& view, const std::string& what) {
    for (const auto& [seconds, hz] : {std::pair{20.5, 2048.0}, std::pair{61.5, 4096.0}}) {
      const int x = static_cast<int>(ColumnOfSeconds(view, seconds));
      const int row = LoudestRow(levels, x);
      EXPECT_NEAR(HzAtRow(view, row + 0.5), hz, 40.0) << what << " at " << seconds << " s";
      EXPECT_NEAR(levels.At(x, row), -6.02, 1.0) << what << " at " << seconds << " s";
    }
  }
  TTempFile m_file{".wav"};
};

// Both halves report their columns from their own threads while another thread asks for quick
// pictures; every column is reported once, and the quick picture of a wide view afterwards is
// the rendered one.
TEST_F(LongSound, SplitRendersReportEveryColumnOnceBesideQuickPictures) {
  TSoundViewSource source(m_file.Path());
  for (const int width : {300, 1000}) {  // a wide view from the summary, a narrow one frame by frame
    const TSoundView view = WholeSoundView(source.Info(), width, 200);
    std::vector<int> reported(static_cast<std::size_t>(width), 0);
    std::atomic<bool> rendering{true};
    std::thread asker([&] {
      while (rendering) {
        if (const auto quick = source.QuickRender(ZoomTime(view, 3.0, 100, source.Info()))) {
          EXPECT_EQ(quick->Width, width);
        }
        std::this_thread::yield();
      }
    });
    std::vector<float> copied(static_cast<std::size_t>(width) * 200, kSilenceDb);
    const TViewLevels levels = source.Render(view, [&](const TViewLevels& so, int first, int end) {
      for (int x = first; x < end; ++x) {
        ++reported[static_cast<std::size_t>(x)];
        for (int y = 0; y < 200; ++y) copied[static_cast<std::size_t>(y * width + x)] = so.At(x, y);
      }
      return true;
    });
    rendering = false;
    asker.join();
    ASSERT_TRUE(levels.Complete()) << width;
    EXPECT_EQ(std::count(reported.begin(), reported.end(), 1), width) << width;
    EXPECT_EQ(copied, levels.Db) << width;
    ExpectBursts(levels, view, "width " + std::to_string(width));
    if (width == 300) {
      const auto quick = source.QuickRender(view);
      ASSERT_TRUE(quick);
      EXPECT_EQ(quick->Db, levels.Db);
    }
  }
}

// A zoom drawn from the summary at once lands where the file's own render does.
TEST_F(LongSound, QuickPictureOfAZoomMatchesItsRender) {
  TSoundViewSource source(m_file.Path());
  const TSoundView whole = WholeSoundView(source.Info(), 300, 200);
  EXPECT_FALSE(source.QuickRender(whole)) << "nothing rendered yet";
  source.Render(whole);
  TSoundView zoom = whole;
  zoom.FromSeconds = 15;
  zoom.ToSeconds = 65;
  const auto quick = source.QuickRender(zoom);
  ASSERT_TRUE(quick);
  ASSERT_TRUE(quick->Complete());
  ExpectBursts(*quick, zoom, "quick");
  ExpectBursts(source.Render(zoom), zoom, "rendered");
  TSoundView otherChannel = zoom;
  otherChannel.WindowIndex = 2;
  EXPECT_FALSE(source.QuickRender(otherChannel)) << "made with another window";
}

}  // namespace
}  // namespace ombrisk
