#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/hardening/disk_flush_spy.h"
#include "toolkit/exception.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk {
namespace {

namespace fs = std::filesystem;

class SafeOutput : public ::testing::Test {
protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("ombrisk-safe-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Path(const char* name) const { return (m_dir / name).string(); }
  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::size_t EntryCount() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {})); }

  fs::path m_dir;
};

TEST_F(SafeOutput, CommitReplacesTheTargetWithTheWholeResult) {
  const std::string target = Path("out.wav");
  Put(target, "old contents");
  {
    TSafeFileStream out(target);
    out.WriteBuffer("new", 3);
    EXPECT_EQ(Contents(target), "old contents");  // nothing visible before the commit
    out.Commit();
  }
  EXPECT_EQ(Contents(target), "new");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SafeOutput, AFailedRunLeavesTheOldFileAndNoTemporary) {
  const std::string target = Path("out.wav");
  Put(target, "keep me");
  try {
    TSafeFileStream out(target);
    out.WriteBuffer("half", 4);
    throw EWriteError(kSWriteError);
  } catch (const EWriteError&) {
  }
  EXPECT_EQ(Contents(target), "keep me");
  EXPECT_EQ(EntryCount(), 1u);
}

// A crash between the move and the disk's own write-back would leave the target empty or short,
// with the old file gone: the new file must be on the disk, whole, before it takes the name.
TEST_F(SafeOutput, TheWholeFileIsFlushedBeforeItIsMovedOverTheTarget) {
  using TKind = test::TDiskCall::TKind;
  const std::string target = Path("out.wav");
  Put(target, "old contents");
  const test::TDiskFlushSpy spy;
  {
    TSafeFileStream out(target);
    out.WriteBuffer("new contents, longer", 20);
    out.Commit();
  }
  EXPECT_EQ(Contents(target), "new contents, longer");
  const std::vector<test::TDiskCall> calls = spy.Calls();
  const auto move = std::find_if(calls.begin(), calls.end(), [](const test::TDiskCall& c) { return c.kind == TKind::Move; });
  ASSERT_NE(move, calls.end()) << "no move seen";
  EXPECT_EQ(move->size, 20);
  EXPECT_TRUE(std::any_of(calls.begin(), move, [&](const test::TDiskCall& c) {
    return c.kind == TKind::Flush && c.device == move->device && c.inode == move->inode && c.size == move->size;
  })) << "the moved file was not flushed whole before the move";
}

TEST_F(SafeOutput, AFailingFlushKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string target = Path("out.wav");
  Put(target, "keep me");
  test::TDiskFlushSpy spy;
  spy.FailFlushes(EIO);
  {
    TSafeFileStream out(target);
    out.WriteBuffer("new", 3);
    EXPECT_THROW(out.Commit(), EWriteError);
  }
  EXPECT_EQ(Contents(target), "keep me");
  EXPECT_EQ(EntryCount(), 1u);
  for (const test::TDiskCall& call : spy.Calls()) EXPECT_NE(call.kind, test::TDiskCall::TKind::Move);
}

TEST_F(SafeOutput, AFailedRunCreatesNothingWhereNoFileWas) {
  { TSafeFileStream out(Path("new.bmp")); out.WriteBuffer("x", 1); }
  EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(SafeOutput, KeepsThePermissionsOfTheReplacedFile) {
  const std::string target = Path("mode.wav");
  Put(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  TSafeFileStream out(target);
  out.WriteBuffer("new", 3);
  out.Commit();
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SafeOutput, UncreatableTargetsRaiseTheCreationErrorFirst) {
  const std::string inMissingFolder = Path("missing/out.wav");
  try {
    TSafeFileStream out(inMissingFolder);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "ファイル \"" + inMissingFolder + "\" を作成できません。" + std::strerror(ENOENT));
  }
  const fs::path old = fs::current_path();
  fs::current_path(m_dir);
  EXPECT_THROW(TSafeFileStream("X:\\ombrisk.wav"), EFCreateError);
  fs::current_path(old);
  EXPECT_THROW(TSafeFileStream(m_dir.string()), EFCreateError);  // a folder is no file
  EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(SafeOutput, LinksAreFollowedAndDevicesWrittenThrough) {
  const std::string real = Path("real.wav");
  const std::string link = Path("link.wav");
  Put(real, "old");
  fs::create_symlink(real, link);
  {
    TSafeFileStream out(link);
    out.WriteBuffer("new", 3);
    out.Commit();
  }
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Contents(real), "new");

  if (!fs::exists("/dev/full")) return;
  {
    TSafeFileStream full("/dev/full");
    EXPECT_THROW(full.WriteBuffer("x", 1), EWriteError);  // a full disk is reported, not replaced
  }
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(SafeOutput, ReadOnlyTargetIsRefusedUnchanged) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  const std::string target = Path("ro.wav");
  Put(target, "read only");
  fs::permissions(target, fs::perms::owner_read);
  EXPECT_THROW(TSafeFileStream{target}, EFCreateError);
  EXPECT_EQ(Contents(target), "read only");
}

}  // namespace
}  // namespace ombrisk
