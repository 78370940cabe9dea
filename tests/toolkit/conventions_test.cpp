#include "toolkit/conventions.h"

#include <gtest/gtest.h>

#include "toolkit/message_format.h"

namespace ombrisk {
namespace {

TEST(UserErrorText, AppendsPeriodOnlyAfterCharactersAboveIt) {
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"", ""},
      {"abc", "abc."},
      {"done.", "done."},            // the period itself is not above the period
      {"ends in blank ", "ends in blank "},
      {"dash-", "dash-"},            // '-' is below '.'
      {"slash/", "slash/."},         // '/' is just above '.'
      {"JPEG エラー #42", "JPEG エラー #42."},
      {"ビットマップイメージが不正です", "ビットマップイメージが不正です."},
      {"ファイル /x は開けません。 reason ", "ファイル /x は開けません。 reason "},
  };
  for (const Case& c : cases) EXPECT_EQ(UserErrorText(c.in), c.out) << c.in;
}

TEST(ApplicationTitle, DropsDirectoryCutsAtFirstDotLowersTheRest) {
  EXPECT_EQ(ApplicationTitle("/usr/local/bin/ombrisk"), "ombrisk");
  EXPECT_EQ(ApplicationTitle("OMBRISK.EXE"), "Ombrisk");
  EXPECT_EQ(ApplicationTitle("/opt/x.y/MyTool.v2.bin"), "Mytool");
  EXPECT_EQ(ApplicationTitle("relative/dir/aBC"), "abc");
  EXPECT_EQ(ApplicationTitle(".hidden"), "");
}

TEST(FormatMessage, FillsDirectivesInOrder) {
  EXPECT_EQ(FormatMessage("%s を %s に代入することはできません", {"TIcon", "TBitmap"}),
            "TIcon を TBitmap に代入することはできません");
  EXPECT_EQ(FormatMessage("JPEG エラー #%d", {"53"}), "JPEG エラー #53");
  EXPECT_EQ(FormatMessage("100%% %s", {}), "100% ");
  EXPECT_EQ(FormatMessage("trailing %", {"x"}), "trailing %");
}

}  // namespace
}  // namespace ombrisk
