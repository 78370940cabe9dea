// Recordings of the common formats through AnalyzeRecording. The files are made by sox (and lame
// for MP3) at run time; a test whose tool is missing is skipped, saying which.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "recording/recording_reader.h"
#include "spectrogram/recording_analysis.h"
#include "spectrogram/spectrogram_analysis.h"
#include "tests/spectrogram/spectrogram_reference.h"
#include "tests/support/thread_starters.h"

namespace ombrisk {
namespace {

using testing::Bytes;
using testing::ColumnOf;
using testing::Samples;
using testing::TTempFile;
using testing::WaveBytes;

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

void Shell(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

// The bin of N = 1024 a tone at rate sits on exactly, and the tone's frequency.
constexpr std::int32_t kSize = 1024;
std::string ToneOnBin(int bin, int rate) { return std::to_string(static_cast<double>(bin) * rate / kSize); }

// The row of the darkest pixel of column x (the first of equals, from the top).
int DarkestRow(const TPixelBitmap& picture, int x) {
  const std::vector<int> column = ColumnOf(picture, x);
  return static_cast<int>(std::min_element(column.begin(), column.end()) - column.begin());
}

// Brightness 1 of 100 keeps a full tone's bin below the clamp, so its neighbours are lighter.
TSpectrogramSettings FaintSettings() {
  TSpectrogramSettings settings;
  settings.BrightnessPosition = 1;
  return settings;
}

struct TFormatCase {
  const char* Name;
  int Rate;
  int Channels;
  const char* SoxOutput;  // sox's output options and the file's extension
  const char* Extension;
  bool ThroughLame;       // sox writes a wave that lame turns into MP3
};

std::ostream& operator<<(std::ostream& out, const TFormatCase& c) { return out << c.Name; }

class RecordingFormats : public ::testing::TestWithParam<TFormatCase> {};

// Each format and rate decodes to a tone on the row of its own bin: the rate is the file's, the
// samples' scale and order survive decoding, and the channels are mixed.
constexpr int kBin = 100;

// Writes the case's two-second tone on kBin into file.
void MakeTone(const TFormatCase& c, const TTempFile& file) {
  TTempFile wave("-for-lame.wav");
  const std::string synth = " synth 2 sine " + ToneOnBin(kBin, c.Rate) + " vol 0.5";
  const std::string options = "-r " + std::to_string(c.Rate) + " -c " + std::to_string(c.Channels) + " ";
  if (c.ThroughLame) {
    Shell("sox -n " + options + "-b 16 '" + wave.Path() + "'" + synth);
    Shell("lame --quiet -b 192 '" + wave.Path() + "' '" + file.Path() + "'");
  } else {
    Shell("sox -n " + options + c.SoxOutput + " '" + file.Path() + "'" + synth);
  }
}

TEST_P(RecordingFormats, ToneLandsOnTheRowOfItsBinAtTheFilesRate) {
  const TFormatCase& c = GetParam();
  if (!Have("sox")) GTEST_SKIP() << "sox is not installed";
  if (c.ThroughLame && !Have("lame")) GTEST_SKIP() << "lame is not installed";
  TTempFile file(c.Extension);
  MakeTone(c, file);

  TNullProgress progress;
  TRecordingInfo info;
  const auto picture = AnalyzeRecording(file.Path(), 0, FaintSettings(), progress, &info);
  EXPECT_EQ(info.SampleRateHz, c.Rate);
  EXPECT_EQ(info.Channels, c.Channels);
  const std::int64_t columns = (info.Frames + kSize - 1) / kSize;
  ASSERT_EQ(picture->Width(), columns);
  ASSERT_GE(columns, 40);
  ASSERT_EQ(picture->Height(), kSize / 2);
  for (const int x : {10, static_cast<int>(columns / 2), static_cast<int>(columns) - 10}) {
    EXPECT_EQ(DarkestRow(*picture, x), kSize / 2 - 1 - kBin) << "column " << x;
  }
}

// The reader over a file's bytes in memory gives what the reader of the file gives: the same
// header, the same samples of the last channel (chosen after opening, as the fuzz target does),
// and the same after a seek back into the middle.
TEST_P(RecordingFormats, BytesInMemoryReadAsTheirFile) {
  const TFormatCase& c = GetParam();
  if (!Have("sox")) GTEST_SKIP() << "sox is not installed";
  if (c.ThroughLame && !Have("lame")) GTEST_SKIP() << "lame is not installed";
  TTempFile file(c.Extension);
  MakeTone(c, file);
  std::ifstream stream(file.Path(), std::ios::binary);
  const std::vector<char> chars((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  const std::vector<std::byte> bytes(reinterpret_cast<const std::byte*>(chars.data()),
                                     reinterpret_cast<const std::byte*>(chars.data()) + chars.size());
  TRecordingReader fromFile(file.Path(), c.Channels);
  TRecordingReader fromMemory(bytes, "tone", 0);
  EXPECT_THROW(fromMemory.SelectChannel(c.Channels + 1), ERecordingChannelError);
  fromMemory.SelectChannel(c.Channels);
  EXPECT_EQ(fromMemory.Info().SampleRateHz, fromFile.Info().SampleRateHz);
  EXPECT_EQ(fromMemory.Info().Channels, fromFile.Info().Channels);
  EXPECT_EQ(fromMemory.Info().Frames, fromFile.Info().Frames);
  const auto readAll = [](TRecordingReader& reader) {
    std::vector<float> all;
    std::vector<float> buffer(5000);
    while (const std::size_t got = reader.Read(buffer)) all.insert(all.end(), buffer.begin(), buffer.begin() + got);
    return all;
  };
  const std::vector<float> expected = readAll(fromFile);
  ASSERT_GE(expected.size(), static_cast<std::size_t>(c.Rate));
  EXPECT_EQ(readAll(fromMemory), expected);
  fromFile.Seek(c.Rate / 2);
  fromMemory.Seek(c.Rate / 2);
  EXPECT_EQ(readAll(fromMemory), readAll(fromFile));
}

INSTANTIATE_TEST_SUITE_P(
    Files, RecordingFormats,
    ::testing::Values(TFormatCase{"wav16_44100_mono", 44100, 1, "-b 16", ".wav", false},
                      TFormatCase{"wav24_48000_stereo", 48000, 2, "-b 24", ".wav", false},
                      TFormatCase{"float_96000_stereo", 96000, 2, "-e floating-point -b 32", ".wav", false},
                      TFormatCase{"aiff_48000_mono", 48000, 1, "-b 16", ".aiff", false},
                      TFormatCase{"flac_44100_stereo", 44100, 2, "-b 16", ".flac", false},
                      TFormatCase{"ogg_48000_stereo", 48000, 2, "", ".ogg", false},
                      TFormatCase{"mp3_44100_stereo", 44100, 2, "", ".mp3", true}),
    [](const ::testing::TestParamInfo<TFormatCase>& each) { return std::string(each.param.Name); });

// A 16-bit mono wave whose fmt and data chunks are parted by another chunk: decoded, it gives the
// picture the literal reading gives for the same samples behind a plain 44-byte header, pixel for
// pixel, short last block included.
TEST(RecordingAnalysis, WaveWithAChunkBeforeItsDataMatchesTheLiteralReading) {
  std::mt19937 random(22);
  std::uniform_int_distribution<int> value(-20000, 20000);
  Samples samples(3000);
  for (auto& s : samples) s = static_cast<std::int16_t>(value(random));
  const Bytes plain = WaveBytes(samples);
  Bytes chunked(plain.begin(), plain.begin() + 36);  // RIFF header and fmt chunk
  const Bytes list = {'J', 'U', 'N', 'K', 10, 0, 0, 0, 'd', 'a', 't', 'a', 0xff, 0xff, 0xff, 0x7f, 1, 2};
  chunked.insert(chunked.end(), list.begin(), list.end());
  chunked.insert(chunked.end(), plain.begin() + 36, plain.end());
  testing::PutLe(chunked, 4, static_cast<std::uint32_t>(chunked.size() - 8), 4);
  TTempFile plainFile(".wav");
  plainFile.Write(plain);
  TTempFile chunkedFile("-chunked.wav");
  chunkedFile.Write(chunked);

  TSpectrogramSettings settings;
  settings.SampleSize = 256;
  settings.WindowIndex = 0;
  settings.LogVoltage = true;
  settings.LogFrequency = true;
  TNullProgress progress;
  const auto literal = AnalyzeWave(plainFile.Path(), settings, progress);
  const auto decoded = AnalyzeRecording(chunkedFile.Path(), 0, settings, progress);
  ASSERT_EQ(decoded->Width(), literal->Width());
  ASSERT_EQ(decoded->Height(), literal->Height());
  for (int x = 0; x < literal->Width(); ++x) EXPECT_EQ(ColumnOf(*decoded, x), ColumnOf(*literal, x)) << "column " << x;
}

// A float wave holding what no microphone gives: NaN and infinities are silence, huge values are
// held at a bound, so the picture is drawn (no undefined conversion, no overflow) and a column of
// good samples beside them is untouched.
TEST(RecordingAnalysis, FloatWaveWithNonFiniteSamplesIsDrawnSafely) {
  constexpr std::size_t kHalf = 128;  // N = 256
  std::vector<float> samples(8 * kHalf, 0.25f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float bad[] = {nan, inf, -inf, 1e30f};
  for (std::size_t column = 0; column < 4; ++column) {
    std::fill_n(samples.begin() + static_cast<std::ptrdiff_t>((2 * column + 1) * kHalf), kHalf, bad[column]);
  }
  Bytes bytes(44 + 4 * samples.size(), 0);
  const std::string tags = "RIFF    WAVEfmt     ";
  std::copy(tags.begin(), tags.end(), bytes.begin());
  testing::PutLe(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8), 4);
  testing::PutLe(bytes, 16, 16, 4);
  testing::PutLe(bytes, 20, 3, 2);  // IEEE float
  testing::PutLe(bytes, 22, 1, 2);
  testing::PutLe(bytes, 24, 44100, 4);
  testing::PutLe(bytes, 28, 44100 * 4, 4);
  testing::PutLe(bytes, 32, 4, 2);
  testing::PutLe(bytes, 34, 32, 2);
  std::copy_n("data", 4, bytes.begin() + 36);
  testing::PutLe(bytes, 40, static_cast<std::uint32_t>(4 * samples.size()), 4);
  std::memcpy(bytes.data() + 44, samples.data(), 4 * samples.size());
  TTempFile file("-float.wav");
  file.Write(bytes);

  TSpectrogramSettings settings;
  settings.SampleSize = 256;
  settings.LogVoltage = true;
  TNullProgress progress;
  const auto picture = AnalyzeRecording(file.Path(), 0, settings, progress);
  ASSERT_EQ(picture->Width(), 4);
  const std::vector<int> white(kHalf, 255);
  EXPECT_EQ(ColumnOf(*picture, 0), white);  // NaN
  EXPECT_EQ(ColumnOf(*picture, 1), white);  // +inf
  EXPECT_EQ(ColumnOf(*picture, 2), white);  // -inf
  EXPECT_LT(ColumnOf(*picture, 3)[kHalf - 1], 255);  // 1e30, held: loud, and drawn
}

// Left and right hold different tones: each channel shows its own alone, the mix both, and a
// channel the file lacks is refused with its number.
TEST(RecordingAnalysis, ChosenChannelShowsOnlyItsOwnTone) {
  if (!Have("sox")) GTEST_SKIP() << "sox is not installed";
  constexpr int kLeft = 40;
  constexpr int kRight = 200;
  TTempFile file(".wav");
  Shell("sox -n -r 44100 -c 2 -b 16 '" + file.Path() + "' synth 1 sine " + ToneOnBin(kLeft, 44100) + " sine " +
      ToneOnBin(kRight, 44100) + " vol 0.5");
  const int leftRow = kSize / 2 - 1 - kLeft;
  const int rightRow = kSize / 2 - 1 - kRight;
  TNullProgress progress;
  const TSpectrogramSettings settings = FaintSettings();
  const auto mix = ColumnOf(*AnalyzeRecording(file.Path(), 0, settings, progress), 20);
  const auto left = ColumnOf(*AnalyzeRecording(file.Path(), 1, settings, progress), 20);
  const auto right = ColumnOf(*AnalyzeRecording(file.Path(), 2, settings, progress), 20);
  EXPECT_LT(left[leftRow], 240);
  EXPECT_EQ(left[rightRow], 255);
  EXPECT_EQ(right[leftRow], 255);
  EXPECT_LT(right[rightRow], 240);
  EXPECT_LT(mix[leftRow], 250);
  EXPECT_LT(mix[rightRow], 250);
  EXPECT_GT(mix[leftRow], left[leftRow]);  // half the tone's weight in the mix

  for (const std::int32_t wrong : {3, -1}) {
    try {
      AnalyzeRecording(file.Path(), wrong, settings, progress);
      ADD_FAILURE() << "channel " << wrong << " was accepted";
    } catch (const ERecordingChannelError& e) {
      EXPECT_NE(e.Message().find("channel " + std::to_string(wrong)), std::string::npos) << e.Message();
    }
  }
}

// A file cut short is drawn as far as it goes: the columns it reaches are the whole file's. Its
// width is what the file announces (a FLAC header keeps the whole length, libsndfile shortens a
// wave's data to what is there, a cut Ogg file announces none and is as wide as its samples);
// columns beyond the samples stay black.
TEST(RecordingAnalysis, FileCutShortIsDrawnAsFarAsItGoes) {
  if (!Have("sox")) GTEST_SKIP() << "sox is not installed";
  for (const std::string extension : {".wav", ".flac", ".ogg"}) {
    SCOPED_TRACE(extension);
    TTempFile whole(extension);
    const std::string bits = extension == ".ogg" ? "" : "-b 16 ";
    Shell("sox -n -r 44100 -c 1 " + bits + "'" + whole.Path() + "' synth 4 sine 300-9000 pinknoise vol 0.5");
    const auto size = std::filesystem::file_size(whole.Path());
    TTempFile cut("-cut" + extension);
    std::filesystem::copy_file(whole.Path(), cut.Path(), std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut.Path(), size / 2);

    TNullProgress progress;
    const TSpectrogramSettings settings;
    const auto full = AnalyzeRecording(whole.Path(), 0, settings, progress);
    const auto part = AnalyzeRecording(cut.Path(), 0, settings, progress);
    const int columns = full->Width();
    ASSERT_LE(part->Width(), columns);
    ASSERT_GT(part->Width(), columns / 3);
    const std::vector<int> black(static_cast<std::size_t>(kSize / 2), 0);
    for (int x = 0; x < columns / 3; ++x) EXPECT_EQ(ColumnOf(*part, x), ColumnOf(*full, x)) << "column " << x;
    for (int x = columns * 2 / 3; x < part->Width(); ++x) EXPECT_EQ(ColumnOf(*part, x), black) << "column " << x;
  }
}

// Decoding ahead and drawing on threads of their own, or all on the caller's thread when no
// thread is given: the same picture, over many slots of decoded samples and a short last one.
TEST(RecordingAnalysis, SamePictureWithAndWithoutItsThreads) {
  if (!Have("sox")) GTEST_SKIP() << "sox is not installed";
  TTempFile file(".flac");
  Shell("sox -n -r 44100 -c 2 -b 16 '" + file.Path() + "' synth 9.3 sine 100-15000 pinknoise vol 0.5");
  TSpectrogramSettings settings;
  settings.SampleSize = 256;
  settings.WindowIndex = 4;
  settings.LogVoltage = true;
  TNullProgress progress;
  testing::TStarterLog threads;
  testing::TStarterLog refused;
  refused.Refuse = true;
  TRecordingReader first(file.Path(), 0);
  const auto threaded = AnalyzeRecordingReader(first, settings, progress, threads.Starter());
  TRecordingReader second(file.Path(), 0);
  const auto alone = AnalyzeRecordingReader(second, settings, progress, refused.Starter());
  if (UsableProcessors() > 1) {
    EXPECT_EQ(threads.Asked, 2);
  }
  ASSERT_EQ(threaded->Width(), alone->Width());
  ASSERT_EQ(threaded->Width(), (410130 + 255) / 256);
  for (int x = 0; x < alone->Width(); ++x) ASSERT_EQ(ColumnOf(*threaded, x), ColumnOf(*alone, x)) << "column " << x;
}

// What libsndfile cannot read is refused with a message naming the file and a reason.
TEST(RecordingAnalysis, FileThatIsNotSoundIsRefusedNamingIt) {
  TTempFile text("-text.wav");
  text.Write(Bytes{'n', 'o', 't', ' ', 's', 'o', 'u', 'n', 'd', '\n'});
  TTempFile empty("-empty.flac");
  empty.Write(Bytes{});
  const std::string missing = text.Path() + ".missing";
  TNullProgress progress;
  for (const std::string& path : {text.Path(), empty.Path(), missing}) {
    try {
      AnalyzeRecording(path, 0, TSpectrogramSettings{}, progress);
      ADD_FAILURE() << path << " was read";
    } catch (const ERecordingError& e) {
      EXPECT_NE(e.Message().find("'" + path + "'"), std::string::npos) << e.Message();
      EXPECT_GT(e.Message().size(), path.size() + 30) << e.Message();
    }
  }
  // The same bytes from memory, under the name they were given.
  const std::vector<std::byte> notSound(10, std::byte{'n'});
  for (const std::span<const std::byte> bytes : {std::span<const std::byte>(notSound), std::span<const std::byte>()}) {
    try {
      TRecordingReader reader(bytes, "dropped bytes", 0);
      ADD_FAILURE() << bytes.size() << " bytes were read";
    } catch (const ERecordingError& e) {
      EXPECT_NE(e.Message().find("'dropped bytes'"), std::string::npos) << e.Message();
    }
  }
}

}  // namespace
}  // namespace ombrisk
