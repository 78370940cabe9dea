// Stereo from colour and bands of noise, read back from the wave files the smooth synthesis writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "signal/wave_fft.h"
#include "synthesis/noise_rows.h"
#include "synthesis/scaled_samples.h"
#include "synthesis/shaped_sound.h"
#include "tests/support/picture_helpers.h"
#include "tests/support/thread_starters.h"
#include "toolkit/progress.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

using test::MakeGreyPicture;
using test::MakePicture;
using test::Rgb;

class ColourNoise : public ::testing::Test {
protected:
  std::vector<std::uint8_t> Run(const TBitmap& picture, const TShapedSound& shape, TSynthesisSettings settings = {}) {
    const std::filesystem::path path = m_folder.File("run" + std::to_string(m_runs++) + ".wav");
    TNullProgress progress;
    RunSmoothSynthesis(picture, settings, shape, path.string(), progress);
    return test::ReadFileBytes(path);
  }

  test::ScratchFolder m_folder{"colour-noise"};
  int m_runs = 0;
};

// Channel c (0 left, 1 right) of interleaved frames.
std::vector<double> Channel(const std::vector<std::int16_t>& frames, int c) {
  std::vector<double> out;
  for (std::size_t i = static_cast<std::size_t>(c); i < frames.size(); i += 2) out.push_back(frames[i]);
  return out;
}

// Power per bin of the samples under a Hann window, zero-padded to a power of two, and the bin
// width in hertz. The window keeps a loud tone's skirts from covering the silent rows.
struct TPower {
  std::vector<double> Bins;
  double BinHz;
  double Between(double lowHz, double highHz) const {
    double sum = 0;
    for (std::size_t k = 1; k < Bins.size(); ++k) {
      const double hz = static_cast<double>(k) * BinHz;
      if (hz >= lowHz && hz < highHz) sum += Bins[k];
    }
    return sum;
  }
  double All() const { return Between(0, 1e12); }
};

TPower PowerOf(const std::vector<double>& samples, double rateHz) {
  std::int32_t n = 2;
  while (static_cast<std::size_t>(n) < samples.size()) n *= 2;
  std::vector<double> data(static_cast<std::size_t>(n), 0.0);
  const double count = static_cast<double>(samples.size());
  for (std::size_t t = 0; t < samples.size(); ++t) {
    data[t] = samples[t] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * (static_cast<double>(t) + 0.5) / count));
  }
  ForwardRealFFT(n, data);
  TPower power{std::vector<double>(static_cast<std::size_t>(n / 2), 0.0), rateHz / n};
  for (std::int32_t k = 1; k < n / 2; ++k) {
    power.Bins[static_cast<std::size_t>(k)] = data[k] * data[k] + data[n - k] * data[n - k];
  }
  return power;
}

double Decibels(double ratio) { return 10 * std::log10(std::max(ratio, 1e-30)); }

class StereoAtRate : public ColourNoise, public ::testing::WithParamInterface<std::int32_t> {};

// 32 rows over 1 … 9 kHz: row 8 red, row 20 green, row 26 orange, the rest black (row 4 blue,
// which is not used). Red is heard only on the left and green only on the right, orange on both;
// the black rows are silent; nothing reaches full scale; the header says two channels.
TEST_P(StereoAtRate, RedLeftGreenRightBlackSilent) {
  const std::int32_t rate = GetParam();
  const int height = 32;
  const TBitmap picture = MakePicture(8, height, [&](int, int y) {
    const int m = height - 1 - y;
    if (m == 8) return Rgb{255, 0, 0};
    if (m == 20) return Rgb{0, 255, 0};
    if (m == 26) return Rgb{255, 128, 0};
    if (m == 4) return Rgb{0, 0, 255};
    return Rgb{0, 0, 0};
  });
  TShapedSound shape;
  shape.Seconds = 1;
  shape.LowHz = 1000;
  shape.HighHz = 9000;
  shape.RateHz = rate;
  shape.Stereo = true;
  TSynthesisSettings settings;  // inverted: applies to grey pictures only
  const std::vector<std::uint8_t> bytes = Run(picture, shape, settings);

  const auto frames = static_cast<std::uint32_t>(rate);
  ASSERT_EQ(bytes.size(), 44u + 4u * frames);
  EXPECT_EQ(test::ReadLittle32(bytes, 4), 36u + 4u * frames);
  EXPECT_EQ(ReadLittle16(bytes.data() + 22), 2u);  // channels
  EXPECT_EQ(test::ReadLittle32(bytes, 24), static_cast<std::uint32_t>(rate));
  EXPECT_EQ(test::ReadLittle32(bytes, 28), static_cast<std::uint32_t>(4 * rate));
  EXPECT_EQ(ReadLittle16(bytes.data() + 32), 4u);   // block align
  EXPECT_EQ(ReadLittle16(bytes.data() + 34), 16u);  // bits per sample
  EXPECT_EQ(test::ReadLittle32(bytes, 40), 4u * frames);

  const std::vector<std::int16_t> samples = test::WaveSamples(bytes);
  int peak = 0;
  for (const std::int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
  EXPECT_LT(peak, 32767);
  EXPECT_GE(peak, 30000);

  const double spacing = 8000.0 / (height - 1);
  auto row = [&](const TPower& p, int m) {
    const double hz = 1000 + spacing * m;
    return p.Between(hz - spacing / 2, hz + spacing / 2);
  };
  const TPower left = PowerOf(Channel(samples, 0), rate);
  const TPower right = PowerOf(Channel(samples, 1), rate);
  EXPECT_LT(Decibels(row(right, 8) / row(left, 8)), -60.0) << "red heard on the right";
  EXPECT_LT(Decibels(row(left, 20) / row(right, 20)), -60.0) << "green heard on the left";
  // One factor for both channels keeps the balance: orange is 255 / 128 louder on the left.
  EXPECT_NEAR(Decibels(row(left, 26) / row(right, 26)), 20 * std::log10(255.0 / 128.0), 0.05) << "orange's balance";
  for (const TPower* channel : {&left, &right}) {
    const double drawn = row(*channel, 8) + row(*channel, 20) + row(*channel, 26);
    EXPECT_LT(Decibels((channel->All() - drawn) / drawn), -60.0) << "black rows sound";
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, StereoAtRate, ::testing::Values(44100, 48000, 96000));

// A grey picture gives two equal channels, each the mono sound with light loud: one factor
// scales both, so each is the mono sound to the bit.
TEST_F(ColourNoise, GreyPictureGivesTwoEqualChannelsOfTheMonoSound) {
  const TBitmap picture = MakeGreyPicture(19, 40, [](int x, int y) { return (x * 29 + y * 11) % 256; });
  TShapedSound shape;
  shape.Seconds = 0.2;
  TSynthesisSettings loud;
  loud.Invert = false;
  const std::vector<std::int16_t> mono = test::WaveSamples(Run(picture, shape, loud));
  shape.Stereo = true;
  const std::vector<std::int16_t> stereo = test::WaveSamples(Run(picture, shape, TSynthesisSettings{}));
  ASSERT_EQ(stereo.size(), 2 * mono.size());
  const std::vector<double> left = Channel(stereo, 0);
  EXPECT_EQ(left, Channel(stereo, 1));
  EXPECT_EQ(left, std::vector<double>(mono.begin(), mono.end()));
}

// The colours are read from whatever depth the picture is held at: 32 bits give the 24-bit sound.
TEST_F(ColourNoise, StereoReadsAnyPixelFormat) {
  TBitmap picture = MakePicture(9, 12, [](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(x * 25), static_cast<std::uint8_t>(y * 20), 77};
  });
  TShapedSound shape;
  shape.Seconds = 0.05;
  shape.Stereo = true;
  const std::vector<std::uint8_t> wide = Run(picture, shape);
  picture.SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(Run(picture, shape), wide);
}

class EndsFallSilent : public ColourNoise, public ::testing::WithParamInterface<double> {};

// A row loud in every column fades in over the first half column and out over the last: the
// energy of each end's half column is 3/8 of a steady one's (a raised cosine squared), and the
// first and last samples are next to silent. A fade cut to half its length holds 3/16.
TEST_P(EndsFallSilent, BothEndsGlideFromAndToSilence) {
  const int width = 10;
  const TBitmap picture = MakeGreyPicture(width, 16, [](int, int y) { return y == 7 ? 0 : 255; });
  TShapedSound shape;
  shape.Seconds = GetParam();
  shape.LowHz = 500;
  shape.HighHz = 8000;
  const std::vector<std::int16_t> samples = test::WaveSamples(Run(picture, shape));
  const std::size_t half = samples.size() / width / 2;
  auto energy = [&](std::size_t from) {
    double sum = 0;
    for (std::size_t t = from; t < from + half; ++t) sum += static_cast<double>(samples[t]) * samples[t];
    return sum;
  };
  // Steady halves next to each end, where the cross-fades join equal columns.
  const double steadyStart = energy(half);
  const double steadyEnd = energy(samples.size() - 2 * half);
  EXPECT_NEAR(energy(0) / steadyStart, 0.375, 0.04);
  EXPECT_NEAR(energy(samples.size() - half) / steadyEnd, 0.375, 0.04);
  const double level = std::sqrt(steadyEnd / static_cast<double>(half));
  EXPECT_LT(std::abs(samples.front()), 0.02 * level);
  EXPECT_LT(std::abs(samples.back()), 0.02 * level);
}

// Seconds: made on one thread, and long enough to be shared with a second.
INSTANTIATE_TEST_SUITE_P(Lengths, EndsFallSilent, ::testing::Values(0.5, 7.0));

// Half the rate is the highest frequency a rate can hold, and is accepted; a hair above it is not.
TEST(ShapedSoundCheck, HighestAtHalfTheRateIsAccepted) {
  const TBitmap picture = MakeGreyPicture(8, 8, [](int, int) { return 0; });
  for (const std::int32_t rate : {44100, 48000, 96000}) {
    TShapedSound shape;
    shape.RateHz = rate;
    shape.LowHz = 100;
    shape.HighHz = rate / 2.0;
    EXPECT_NO_THROW(CheckShapedSound(picture, TSynthesisSettings{}, shape)) << rate;
    shape.Noise = shape.Stereo = true;
    EXPECT_NO_THROW(CheckShapedSound(picture, TSynthesisSettings{}, shape)) << rate;
    shape.HighHz = std::nextafter(rate / 2.0, 1e9);
    EXPECT_THROW(CheckShapedSound(picture, TSynthesisSettings{}, shape), EShapedSoundError) << rate;
  }
}

struct TNoiseCase {
  int Height;
  int Row;
  bool Log;
};

class NoiseRow : public ColourNoise, public ::testing::WithParamInterface<TNoiseCase> {};

// A steady noise row: at least 90 % of its energy within its band (halfway to the rows on either
// side), spread evenly enough that no 4 Hz of it holds more than 20 %, its bins one level.
TEST_P(NoiseRow, StaysInItsBandWithoutALine) {
  const TNoiseCase c = GetParam();
  const TBitmap picture = MakeGreyPicture(30, c.Height, [&](int, int y) { return y == c.Height - 1 - c.Row ? 0 : 255; });
  TShapedSound shape;
  shape.Seconds = 3;
  shape.LowHz = 200;
  shape.HighHz = 8000;
  shape.Noise = true;
  TSynthesisSettings settings;
  settings.LogFrequency = c.Log;
  const std::vector<std::int16_t> samples = test::WaveSamples(Run(picture, shape, settings));
  const std::vector<double> sound(samples.begin(), samples.end());
  const TPower power = PowerOf(sound, 44100);
  const TFrequencyBand band{200, 8000};
  const double low = RowHz(band, c.Log, c.Height, c.Row - 0.5);
  const double high = RowHz(band, c.Log, c.Height, c.Row + 0.5);
  const double inBand = power.Between(low, high);
  EXPECT_GE(inBand / power.All(), 0.9);
  const auto window = static_cast<std::size_t>(std::llround(4.0 / power.BinHz));
  double strongest = 0;
  for (std::size_t k = 1; k + window < power.Bins.size(); ++k) {
    const double hz = static_cast<double>(k) * power.BinHz;
    if (hz < low || hz + 4.0 > high) continue;
    double sum = 0;
    for (std::size_t i = k; i < k + window; ++i) sum += power.Bins[i];
    strongest = std::max(strongest, sum);
  }
  EXPECT_LE(strongest / inBand, 0.2);

  const TNoiseRows rows(c.Height, band, c.Log, 44100, kDefaultNoiseSeed);
  EXPECT_GE(rows.Bins(c.Row).Count, kNoiseBinsPerRow);
}

INSTANTIATE_TEST_SUITE_P(Rows, NoiseRow,
                         ::testing::Values(TNoiseCase{40, 12, false}, TNoiseCase{40, 0, false},
                                           TNoiseCase{24, 18, true}));

// The same seed gives the same bytes, the default seed is the one named, another seed other noise.
TEST_F(ColourNoise, NoiseSeedReproducesTheSound) {
  const TBitmap picture = MakeGreyPicture(12, 20, [](int x, int y) { return (x * 40 + y * 13) % 256; });
  TShapedSound shape;
  shape.Seconds = 0.3;
  shape.Noise = true;
  const std::vector<std::uint8_t> first = Run(picture, shape);
  EXPECT_EQ(Run(picture, shape), first);
  shape.NoiseSeed = kDefaultNoiseSeed + 1;
  EXPECT_NE(Run(picture, shape), first);
  shape.Noise = false;
  EXPECT_NE(Run(picture, shape), first);
}

// Frames rounded halves to even, the second half packed in place on another thread or not: the
// same bytes, left sample first.
TEST(ScaledFrames, SecondHalfPackedInPlaceWritesTheSameFrames) {
  const std::size_t count = (std::size_t{1} << 18) + 5;
  auto write = [&](bool refuse) {
    std::vector<float> left(count);
    std::vector<float> right(count);
    for (std::size_t t = 0; t < count; ++t) {
      left[t] = static_cast<float>(static_cast<int>(t % 4001) - 2000) / 4.0f;
      right[t] = -static_cast<float>(t % 3000) / 2.0f;
    }
    testing::TStarterLog log;
    log.Refuse = refuse;
    TMemoryStream stream;
    WriteScaledFrames(stream, left, right, 2.0, log.Starter());
    return std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
  };
  const std::vector<std::uint8_t> alone = write(true);
  ASSERT_EQ(alone.size(), 4 * count);
  EXPECT_EQ(write(false), alone);
  auto sample = [&](std::size_t i) { return static_cast<std::int16_t>(alone[2 * i] | alone[2 * i + 1] << 8); };
  EXPECT_EQ(sample(2), -1000);  // left 1: −1999 / 4 × 2 = −999.5, even −1000
  EXPECT_EQ(sample(3), -1);     // right 1: −1 / 2 × 2
  const std::size_t last = count - 1;
  EXPECT_EQ(sample(2 * last + 1), -static_cast<int>(last % 3000));
}

// The noise bands of neighbouring rows tile the band without a gap or an overlap.
TEST(NoiseRows, NeighbouringBandsTile) {
  for (const bool log : {false, true}) {
    const TNoiseRows rows(50, {300, 12000}, log, 48000, 7);
    for (int m = 0; m + 1 < 50; ++m) {
      EXPECT_EQ(rows.Bins(m).First + rows.Bins(m).Count, rows.Bins(m + 1).First) << m << (log ? " log" : "");
    }
  }
}

}  // namespace
}  // namespace ombrisk
