// Shared by the picture tests: a scratch folder per test, whole-file reads and writes, and the
// reference decoder djpeg (libjpeg-turbo's own program) run with chosen options.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace ombrisk::testing_support {

namespace fs = std::filesystem;
using ByteVector = std::vector<std::uint8_t>;

inline const fs::path kJpegData = fs::path(OMBRISK_TESTDATA_DIR) / "jpeg";

inline ByteVector ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFileBytes(const fs::path& path, const ByteVector& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class ScratchFolder : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    m_dir = fs::temp_directory_path() / ("ombrisk-picture-" + std::to_string(::getpid()) + "-" + name);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

  fs::path m_dir;
};

// A decoded netpbm picture: channels 1 (grey) or 3 (red, green, blue).
struct Netpbm {
  int width = 0;
  int height = 0;
  int channels = 0;
  ByteVector pixels;
};

inline bool DjpegAvailable() { return std::system("command -v djpeg >/dev/null 2>&1") == 0; }

// Runs djpeg with options on input and reads its binary PGM/PPM output; nullopt if djpeg failed
// (exit status 2 only says that libjpeg warned, as it does for a truncated file).
inline std::optional<Netpbm> RunDjpeg(const std::string& options, const fs::path& input, const fs::path& output) {
  const std::string command = "djpeg " + options + " -pnm -outfile '" + output.string() + "' '" + input.string() + "' 2>/dev/null";
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 2)) return std::nullopt;
  const ByteVector bytes = ReadFileBytes(output);
  Netpbm picture;
  std::size_t at = 0;
  const auto token = [&]() {
    while (at < bytes.size() && std::isspace(bytes[at]) != 0) ++at;
    std::string text;
    while (at < bytes.size() && std::isspace(bytes[at]) == 0) text += static_cast<char>(bytes[at++]);
    return text;
  };
  const std::string magic = token();
  if (magic != "P5" && magic != "P6") return std::nullopt;
  picture.channels = magic == "P5" ? 1 : 3;
  picture.width = std::stoi(token());
  picture.height = std::stoi(token());
  if (token() != "255") return std::nullopt;
  ++at;  // the single blank after the maximum
  picture.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
  if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height * picture.channels) return std::nullopt;
  return picture;
}

}  // namespace ombrisk::testing_support
