#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "toolkit/exception.h"

namespace ombrisk::cli {
namespace {

const TOptionSpec kSpec{{"--quiet", "--invert"}, {"--size", "--window"}};

TEST(ParseCommandLine, SplitsPositionalsFlagsAndValues) {
  const TCommandLine line =
      ParseCommandLine({"in.wav", "--size", "2048", "--quiet", "out.bmp", "--window=hamming", "--", "--invert"}, kSpec);
  EXPECT_EQ(line.Positionals, (std::vector<std::string>{"in.wav", "out.bmp", "--invert"}));
  EXPECT_TRUE(line.Has("--quiet"));
  EXPECT_FALSE(line.Has("--invert"));
  EXPECT_EQ(line.Value("--size"), "2048");
  EXPECT_EQ(line.Value("--window"), "hamming");
  EXPECT_EQ(line.Value("--brightness"), std::nullopt);
  // A single dash and names that merely start with one are positionals.
  EXPECT_EQ(ParseCommandLine({"-", "-x.bmp"}, kSpec).Positionals, (std::vector<std::string>{"-", "-x.bmp"}));
}

TEST(ParseCommandLine, RefusesWhatItDoesNotKnow) {
  const std::vector<std::vector<std::string>> wrong = {
      {"--verbose"}, {"--size"}, {"a", "--quiet=yes"}, {"--Quiet"}, {"---quiet"}};
  for (const auto& args : wrong) EXPECT_THROW(ParseCommandLine(args, kSpec), TUsageError) << args.front();
}

TEST(RequirePositionals, NamesWhatIsMissingOrExtra) {
  const auto message = [](std::vector<std::string> args) {
    try {
      RequirePositionals(ParseCommandLine(args, kSpec), {"PICTURE", "WAVE"});
      return std::string("accepted");
    } catch (const TUsageError& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(message({}), "missing PICTURE");
  EXPECT_EQ(message({"a.bmp"}), "missing WAVE");
  EXPECT_EQ(message({"a.bmp", "b.wav"}), "accepted");
  EXPECT_EQ(message({"a.bmp", "b.wav", "c"}), "unexpected argument 'c'");
}

TEST(ParseIntOption, WholeNumbersWithinTheRangeOnly) {
  EXPECT_EQ(ParseIntOption("--brightness", "0", 0, 100), 0);
  EXPECT_EQ(ParseIntOption("--brightness", "100", 0, 100), 100);
  for (const char* text : {"", "-1", "101", "5x", " 5", "1e2", "99999999999999999999", "+5"}) {
    EXPECT_THROW(ParseIntOption("--brightness", text, 0, 100), TUsageError) << text;
  }
}

TEST(RunCommand, MapsFailuresToExitStatuses) {
  const std::string usage = "usage: ombrisk-cli test X\n  more\nDetails.\n";
  EXPECT_EQ(RunCommand("test", usage, {}, [] { return kExitDone; }), kExitDone);
  EXPECT_EQ(RunCommand("test", usage, {}, []() -> int { throw TUsageError("bad"); }), kExitUsage);
  EXPECT_EQ(RunCommand("test", usage, {}, []() -> int { throw EFOpenError("gone"); }), kExitFailure);
  EXPECT_EQ(RunCommand("test", usage, {}, []() -> int { throw std::bad_alloc(); }), kExitFailure);
  // --help runs nothing, even beside wrong arguments.
  bool ran = false;
  EXPECT_EQ(RunCommand("test", usage, {"--nonsense", "--help"}, [&] { ran = true; return kExitDone; }), kExitDone);
  EXPECT_FALSE(ran);
}

TEST(TerminalProgress, BarFollowsThePositionAndStaysSilentWhenDisabled) {
  TTerminalProgress bar(nullptr, true, "synth");
  bar.SetMax(200);
  EXPECT_EQ(bar.BarText(0), "synth [........................................] 0%");
  EXPECT_EQ(bar.BarText(100), "synth [####################....................] 50%");
  EXPECT_EQ(bar.BarText(200), "synth [########################################] 100%");
  EXPECT_EQ(bar.BarText(500), bar.BarText(200));
  bar.SetMax(0);  // a single column: done at once
  EXPECT_EQ(bar.BarText(0), "synth [########################################] 100%");

  std::FILE* sink = std::tmpfile();
  ASSERT_NE(sink, nullptr);
  {
    TTerminalProgress quiet(sink, false, "synth");
    quiet.SetMax(10);
    for (int i = 0; i <= 10; ++i) quiet.SetPosition(i);
  }
  EXPECT_EQ(std::ftell(sink), 0L);
  {
    TTerminalProgress shown(sink, true, "synth");
    shown.SetMax(1000);
    for (int i = 0; i <= 1000; ++i) shown.SetPosition(i);
  }
  // One redraw per percent (0 … 100), each a carriage return and the bar, then the clearing.
  const long drawn = std::ftell(sink);
  EXPECT_GT(drawn, 100L * 48);
  EXPECT_LT(drawn, 102L * 56);
  std::fclose(sink);
}

}  // namespace
}  // namespace ombrisk::cli
