#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/exception.h"
#include "toolkit/file_stream.h"
#include "toolkit/picture.h"
#include "toolkit/stream.h"
#include "tests/support/refusing_stream.h"

namespace ombrisk {
namespace {

namespace fs = std::filesystem;


class TempDir : public ::testing::Test {
protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("ombrisk-stream-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  fs::path m_dir;
};

TEST(MemoryStream, ReadWriteSeekAndShortReads) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Position(), 6);
  s.SetPosition(2);
  char two[2];
  s.ReadBuffer(two, 2);
  EXPECT_EQ(std::string(two, 2), "cd");
  char many[8];
  EXPECT_EQ(s.Read(many, 8), 2u);  // only what is left
  EXPECT_EQ(s.Read(many, 8), 0u);
  s.SetPosition(4);
  EXPECT_THROW(s.ReadBuffer(many, 3), EReadError);
  EXPECT_EQ(s.Seek(-1, TSeekOrigin::soEnd), 5);
  EXPECT_THROW(s.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
  s.SetPosition(8);  // writing past the end fills the gap with zeros
  s.WriteBuffer("z", 1);
  EXPECT_EQ(s.Size(), 9);
  EXPECT_EQ(s.Memory()[6], 0);
}

// Claims a size of its own and hands out at most `dribble` bytes per read.
class TMisleadingStream : public TMemoryStream {
public:
  TMisleadingStream(std::int64_t claimed, std::size_t dribble) : m_claimed(claimed), m_dribble(dribble) {}
  std::int64_t Size() override { return m_claimed; }
  std::size_t Read(void* buffer, std::size_t count) override {
    return TMemoryStream::Read(buffer, std::min(count, m_dribble));
  }

private:
  std::int64_t m_claimed;
  std::size_t m_dribble;
};

TEST(Stream, ReadRemainingBytesTakesAllThatFollowsWhateverTheSizeClaims) {
  std::vector<std::uint8_t> bytes((1 << 20) + 5000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  const auto total = static_cast<std::int64_t>(bytes.size());
  // Sizes that are right, short by a little or a lot, too large, and none at all.
  for (const std::int64_t claimed : {total, total - 1, std::int64_t{4096}, total + 100000, std::int64_t{0}}) {
    for (const std::size_t dribble : {std::size_t{1000}, bytes.size()}) {
      TMisleadingStream stream(claimed, dribble);
      stream.WriteBuffer(bytes.data(), bytes.size());
      stream.Seek(10, TSeekOrigin::soBeginning);
      const std::vector<std::uint8_t> rest = ReadRemainingBytes(stream);
      EXPECT_TRUE(std::equal(rest.begin(), rest.end(), bytes.begin() + 10, bytes.end()) &&
                  rest.size() == bytes.size() - 10)
          << claimed << " " << dribble;
    }
  }
}

TEST(Stream, ShortWriteRaisesWriteError) {
  TRefusingStream full(10);
  full.WriteBuffer("0123456789", 10);
  try {
    full.WriteBuffer("x", 1);
    FAIL() << "a refused byte must raise";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), kSWriteError);
  }
}

TEST_F(TempDir, FileStreamCreatesTruncatesAndReads) {
  const std::string path = (m_dir / "a.bin").string();
  {
    TFileStream out(path, TFileMode::fmCreate);
    out.WriteBuffer("hello world", 11);
    out.Close();
  }
  {
    TFileStream out(path, TFileMode::fmCreate);  // truncates
    out.WriteBuffer("hi", 2);
  }
  TFileStream in(path, TFileMode::fmOpenRead);
  EXPECT_EQ(in.Size(), 2);
  char buf[4] = {};
  EXPECT_EQ(in.Read(buf, 4), 2u);
  EXPECT_STREQ(buf, "hi");
  EXPECT_THROW(in.ReadBuffer(buf, 1), EReadError);
}

TEST_F(TempDir, FileErrorsCarryFullPathAndReason) {
  const std::string missing = (m_dir / "no-such-dir" / "x.wav").string();
  try {
    TFileStream out(missing, TFileMode::fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "ファイル \"" + missing + "\" を作成できません。" + std::strerror(ENOENT));
  }
  try {
    TFileStream in(missing, TFileMode::fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + missing + " は開けません。 " + std::strerror(ENOENT) + " ");
  }
}

TEST_F(TempDir, RelativePathsAreExpandedInMessages) {
  const fs::path old = fs::current_path();
  fs::current_path(m_dir);
  try {
    TFileStream in("missing.bmp", TFileMode::fmOpenRead);
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find((m_dir / "missing.bmp").string()), std::string::npos) << e.Message();
  }
  fs::current_path(old);
}

TEST_F(TempDir, DriveLetterPathFailsAndCreatesNothing) {
  const fs::path old = fs::current_path();
  fs::current_path(m_dir);
  EXPECT_THROW(TFileStream("X:\\ombrisk.wav", TFileMode::fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream("X:\\ombrisk.wav", TFileMode::fmOpenRead), EFOpenError);
  EXPECT_TRUE(fs::is_empty(m_dir));
  fs::current_path(old);
}

TEST_F(TempDir, DirectoryCannotBeOpenedAsFile) {
  EXPECT_THROW(TFileStream(m_dir.string(), TFileMode::fmOpenRead), EFOpenError);
}

}  // namespace
}  // namespace ombrisk
