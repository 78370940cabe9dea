#include "signal/wave_header.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "toolkit/exception.h"
#include "toolkit/file_stream.h"
#include "toolkit/message_format.h"
#include "tests/support/refusing_stream.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

static_assert(offsetof(TWaveHeader, RiffSize) == 4);
static_assert(offsetof(TWaveHeader, FormatTag) == 20);
static_assert(offsetof(TWaveHeader, BitsPerSample) == 34);
static_assert(offsetof(TWaveHeader, DataSize) == 40);


// A stream over fixed bytes that hands out at most one byte per read, as a pipe may.
class TTrickleStream : public TStream {
public:
  explicit TTrickleStream(Bytes bytes) : m_bytes(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    if (count == 0 || m_position >= m_bytes.size()) return 0;
    static_cast<std::uint8_t*>(buffer)[0] = m_bytes[m_position++];
    return 1;
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return static_cast<std::int64_t>(m_position); }

private:
  Bytes m_bytes;
  std::size_t m_position = 0;
};

Bytes HeaderBytes(std::uint32_t dataBytes) {
  TMemoryStream s;
  WriteWaveHeader(s, dataBytes);
  return Bytes(s.Memory(), s.Memory() + s.Size());
}

// A memory stream holding bytes, standing at its start.
class TBytesStream : public TMemoryStream {
public:
  explicit TBytesStream(const Bytes& bytes) {
    if (!bytes.empty()) WriteBuffer(bytes.data(), bytes.size());
    SetPosition(0);
  }
};

TEST(WaveHeader, ThreeFramesOf1024Samples) {
  const Bytes want = {0x52, 0x49, 0x46, 0x46, 0x24, 0x18, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6D, 0x74,
                      0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x88, 0x58,
                      0x01, 0x00, 0x02, 0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x00, 0x18, 0x00, 0x00};
  EXPECT_EQ(HeaderBytes(3 * 1024 * 2), want);
}

TEST(WaveHeader, NumbersAreLittleEndianWhateverTheHost) {
  const Bytes b = HeaderBytes(0x01020304);
  EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 8), (Bytes{0x28, 0x03, 0x02, 0x01}));  // 36 + D
  EXPECT_EQ(Bytes(b.begin() + 40, b.end()), (Bytes{0x04, 0x03, 0x02, 0x01}));
  const Bytes empty = HeaderBytes(0);
  EXPECT_EQ(empty.size(), 44u);
  EXPECT_EQ(Bytes(empty.begin() + 4, empty.begin() + 8), (Bytes{36, 0, 0, 0}));
}

TEST(WaveHeader, DecodeReadsEveryFieldInFileOrder) {
  std::uint8_t raw[kWaveHeaderBytes];
  for (std::size_t i = 0; i < sizeof raw; ++i) raw[i] = static_cast<std::uint8_t>(i + 1);
  const TWaveHeader h = DecodeWaveHeader(raw);
  EXPECT_EQ(std::string(h.RiffId, 4), "\x01\x02\x03\x04");
  EXPECT_EQ(h.RiffSize, 0x08070605u);
  EXPECT_EQ(h.FmtSize, 0x14131211u);
  EXPECT_EQ(h.FormatTag, 0x1615u);
  EXPECT_EQ(h.Channels, 0x1817u);
  EXPECT_EQ(h.SamplesPerSec, 0x1C1B1A19u);
  EXPECT_EQ(h.BytesPerSec, 0x201F1E1Du);
  EXPECT_EQ(h.BlockAlign, 0x2221u);
  EXPECT_EQ(h.BitsPerSample, 0x2423u);
  EXPECT_EQ(std::string(h.DataId, 4), "\x25\x26\x27\x28");
  EXPECT_EQ(h.DataSize, 0x2C2B2A29u);
  std::uint8_t again[kWaveHeaderBytes];
  EncodeWaveHeader(h, again);
  EXPECT_EQ(std::memcmp(raw, again, sizeof raw), 0);
}

TEST(WaveHeader, ReaderTakesOnlyTheDataSize) {
  for (const std::uint32_t d : {0u, 2u, 6144u, 0x7FFFFFFFu, 0xFFFFFFDBu}) {
    Bytes bytes = HeaderBytes(d);
    TBytesStream valid(bytes);
    EXPECT_EQ(ReadWaveHeader(valid, "valid.wav"), d);
    EXPECT_EQ(valid.Position(), 44);
    // Every other byte replaced: wrong identifiers, a stereo 8-bit float-ish format, anything.
    for (std::size_t i = 0; i < 40; ++i) bytes[i] = static_cast<std::uint8_t>(0xA5 ^ i);
    bytes.insert(bytes.end(), {1, 2, 3});
    TBytesStream odd(bytes);
    EXPECT_EQ(ReadWaveHeader(odd, "odd.wav"), d);
    EXPECT_EQ(odd.Position(), 44);
  }
}

TEST(WaveHeader, ReadsAcrossPartialReads) {
  TTrickleStream trickle(HeaderBytes(1234));
  EXPECT_EQ(ReadWaveHeader(trickle, "pipe"), 1234u);
}

TEST(WaveHeader, EveryLengthBelow44IsRefusedNamingTheFile) {
  const Bytes full = HeaderBytes(6144);
  for (std::size_t length = 0; length < 44; ++length) {
    TBytesStream s(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    try {
      (void)ReadWaveHeader(s, "/music/clip.wav");
      FAIL() << length << " bytes must be refused";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), FormatMessage(kSWaveTooShort, {"/music/clip.wav"})) << length;
    }
  }
  TTrickleStream trickle(Bytes(full.begin(), full.begin() + 43));
  EXPECT_THROW((void)ReadWaveHeader(trickle, "pipe"), EReadError);
}

TEST(WaveHeader, ShortWriteIsAnError) {
  for (const std::size_t capacity : {0u, 1u, 40u, 43u}) {
    TRefusingStream full(capacity);
    try {
      WriteWaveHeader(full, 6144);
      FAIL() << "capacity " << capacity << " must raise";
    } catch (const EWriteError& e) {
      EXPECT_EQ(e.Message(), kSWriteError);
    }
  }
  TRefusingStream roomy(44);
  EXPECT_NO_THROW(WriteWaveHeader(roomy, 6144));
}

class WaveFile : public ::testing::Test {
protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("ombrisk-wave-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }
  fs::path m_dir;
};

TEST_F(WaveFile, WrittenFileReadsBackItsDataLength) {
  const std::string path = PathOf("three.wav");
  {
    TFileStream out(path, TFileMode::fmCreate);
    WriteWaveHeader(out, 6144);
    const std::vector<std::uint8_t> frame(2 * 1024, 0x7F);
    for (int f = 0; f < 3; ++f) out.WriteBuffer(frame.data(), frame.size());
    out.Close();
  }
  EXPECT_EQ(fs::file_size(path), 6188u);
  TFileStream in(path, TFileMode::fmOpenRead);
  EXPECT_EQ(ReadWaveHeader(in, path), fs::file_size(path) - 44);
  EXPECT_EQ(in.Position(), 44);
}

TEST_F(WaveFile, TruncatedFileIsRefused) {
  const std::string path = PathOf("cut.wav");
  {
    TFileStream out(path, TFileMode::fmCreate);
    const Bytes header = HeaderBytes(100);
    out.WriteBuffer(header.data(), 20);
    out.Close();
  }
  TFileStream in(path, TFileMode::fmOpenRead);
  EXPECT_THROW((void)ReadWaveHeader(in, path), EReadError);
}

}  // namespace
}  // namespace ombrisk
