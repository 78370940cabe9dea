// A decoded file as samples to play: the conversion to 16 bits, and files cut short (made by sox
// on the spot), which play as far as they go and then end, whatever length they announce.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "playback/recording_sample_source.h"
#include "tests/support/fake_audio_sink.h"

namespace ombrisk {
namespace {

TEST(RecordingSampleSource, SixteenBitSamplesRoundAndClipAtFullScale) {
  const std::pair<float, std::int16_t> cases[] = {{0.0f, 0},          {0.5f, 16384},     {-1.0f, -32768},
                                                  {1.0f, 32767},      {1.5f, 32767},     {-7.0f, -32768},
                                                  {1.0f / 65536, 0},  {3.0f / 65536, 2}, {std::nanf(""), 0}};
  for (const auto& [in, out] : cases) EXPECT_EQ(SixteenBitSample(in), out) << in;
}

std::vector<std::int16_t> PlayAll(TSampleSource& source) {
  TFakeAudioSink sink;
  sink.Start(source);
  return sink.PullAll();
}

// A FLAC file cut in half still announces its whole length; a cut Ogg file announces none. Both
// are shown as 4 s wide; both play their first half and then are at their end.
TEST(RecordingSampleSource, AFileCutShortPlaysAsFarAsItGoesThenEnds) {
  if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
  constexpr std::int64_t kShown = 4 * 44100;
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (const std::string extension : {".flac", ".ogg"}) {
    SCOPED_TRACE(extension);
    const std::string stem = "ombrisk-cut-" + std::to_string(::getpid());
    const std::string whole = (folder / (stem + extension)).string();
    const std::string cut = (folder / (stem + "-cut" + extension)).string();
    const std::string bits = extension == ".ogg" ? "" : "-b 16 ";
    const std::string make = "sox -n -r 44100 -c 1 " + bits + "'" + whole + "' synth 4 sine 300-9000 pinknoise vol 0.5";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    std::filesystem::copy_file(whole, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(whole) / 2);

    TRecordingSampleSource all(whole, 0, kShown);
    const std::vector<std::int16_t> heardWhole = PlayAll(all);
    EXPECT_EQ(static_cast<std::int64_t>(heardWhole.size()), kShown);
    TRecordingSampleSource part(cut, 0, kShown);
    EXPECT_EQ(part.SampleCount(), kShown);
    const std::vector<std::int16_t> heard = PlayAll(part);
    EXPECT_GT(heard.size(), static_cast<std::size_t>(kShown / 4));
    EXPECT_LT(heard.size(), static_cast<std::size_t>(kShown * 3 / 4));
    EXPECT_TRUE(part.AtEnd());
    EXPECT_EQ(part.SampleCount(), static_cast<std::int64_t>(heard.size()));
    for (std::size_t i = 0; i < heard.size() / 2; ++i) ASSERT_EQ(heard[i], heardWhole[i]) << "sample " << i;

    // From a column beyond where the file stops: nothing, at once at the end.
    TRecordingSampleSource late(cut, 0, kShown);
    late.Seek(kShown - 1000);
    EXPECT_TRUE(PlayAll(late).empty());
    EXPECT_TRUE(late.AtEnd());
    std::filesystem::remove(whole);
    std::filesystem::remove(cut);
  }
}

}  // namespace
}  // namespace ombrisk
