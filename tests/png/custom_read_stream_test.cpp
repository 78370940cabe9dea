#include "picture/png/custom_read_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "toolkit/exception.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A source that is not a TMemoryStream, so the reader has to buffer, and that remembers the
// furthest byte anyone asked it for.
class TRecordingStream : public TStream {
public:
  explicit TRecordingStream(Bytes bytes) : m_bytes(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    ++m_reads;
    m_furthestAsked = std::max(m_furthestAsked, m_position + count);
    if (m_position >= m_bytes.size()) return 0;
    const std::size_t n = std::min(count, m_bytes.size() - m_position);
    std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return n;
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) base = static_cast<std::int64_t>(m_position);
    if (origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(m_bytes.size());
    m_position = static_cast<std::size_t>(base + offset);
    return base + offset;
  }
  std::size_t FurthestAsked() const { return m_furthestAsked; }
  int Reads() const { return m_reads; }

private:
  Bytes m_bytes;
  std::size_t m_position = 0;
  std::size_t m_furthestAsked = 0;
  int m_reads = 0;
};

class TRecordingReader : public TCustomReadStream {
public:
  bool DoProgress(int percent) override {
    reports.push_back(percent);
    return false;
  }
  std::vector<int> reports;
};

Bytes Counting(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return b;
}

enum class Source { Memory, Buffered };

std::unique_ptr<TStream> MakeSource(Source kind, const Bytes& bytes) {
  if (kind == Source::Buffered) return std::make_unique<TRecordingStream>(bytes);
  auto memory = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) memory->WriteBuffer(bytes.data(), bytes.size());
  memory->SetPosition(0);
  return memory;
}

class ReadStreamOnBothSources : public ::testing::TestWithParam<Source> {};

TEST_P(ReadStreamOnBothSources, EmptyRangeSetsEofAtOpen) {
  auto source = MakeSource(GetParam(), {});
  TCustomReadStream reader;
  reader.Open(*source, 0);
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.ReadLong(), 0u);
}

TEST_P(ReadStreamOnBothSources, BigEndianReadsAndShortTailConsumesNothing) {
  auto source = MakeSource(GetParam(), {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE});
  TCustomReadStream reader;
  reader.Open(*source, 0);
  EXPECT_EQ(reader.ReadLong(), 0x12345678u);
  EXPECT_EQ(reader.ReadLong(), 0u);  // three bytes left
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.Position(), 4);
  EXPECT_EQ(reader.ReadByte(), 0);  // EOF sticks
  reader.Close();
  EXPECT_EQ(source->Position(), 4);
}

TEST_P(ReadStreamOnBothSources, MacBinaryHeaderIsSkippedAndCountsAsConsumed) {
  Bytes bytes = Counting(210);
  bytes[10] = 0;
  bytes[10 + 74] = 0;
  auto source = MakeSource(GetParam(), bytes);
  source->SetPosition(10);
  TCustomReadStream reader;
  reader.SetMacBinaryCheck(true);
  reader.Open(*source, 200);
  EXPECT_TRUE(reader.MacBinaryFound());
  EXPECT_EQ(reader.Position(), 128);
  EXPECT_EQ(reader.ReadByte(), bytes[10 + 128]);
  EXPECT_EQ(reader.ReadWord(), bytes[10 + 129] << 8 | bytes[10 + 130]);
  reader.Close();
  EXPECT_EQ(source->Position(), 10 + 128 + 3);
}

TEST_P(ReadStreamOnBothSources, RangeOfExactly128BytesIsNeverMacBinary) {
  Bytes bytes(128, 0);
  auto source = MakeSource(GetParam(), bytes);
  TCustomReadStream reader;
  reader.SetMacBinaryCheck(true);
  reader.Open(*source, 0);
  EXPECT_FALSE(reader.MacBinaryFound());
  EXPECT_EQ(reader.Position(), 0);
}

TEST_P(ReadStreamOnBothSources, MacBinaryNeedsTheCheckEnabled) {
  Bytes bytes(300, 0);
  auto source = MakeSource(GetParam(), bytes);
  TCustomReadStream reader;
  reader.Open(*source, 0);
  EXPECT_FALSE(reader.MacBinaryFound());
  EXPECT_EQ(reader.Position(), 0);
}

TEST_P(ReadStreamOnBothSources, ZeroCountsRaiseStopAndAnAdvancingReportClearsIt) {
  auto source = MakeSource(GetParam(), Counting(1000));
  TRecordingReader reader;
  reader.Open(*source, 0);
  reader.BeginProgress();
  reader.NextStage(0, 0, 100);
  reader.Skip(0);
  EXPECT_TRUE(reader.Stopped());
  EXPECT_EQ(reader.ReadByte(), 0);  // nothing is read while stopped
  EXPECT_EQ(reader.Position(), 0);
  reader.UpdateProgress(0);  // does not advance: the flag stays
  EXPECT_TRUE(reader.Stopped());

  TRecordingReader second;
  auto source2 = MakeSource(GetParam(), Counting(1000));
  second.Open(*source2, 0);
  second.BeginProgress();
  second.NextStage(0, 0, 30);
  std::uint8_t unused = 0;
  second.ReadBuffer(&unused, 0);
  EXPECT_TRUE(second.Stopped());
  // Only a report that advances replaces the flag; reading is blocked, so move the stage instead.
  second.NextStage(1, 10, 50);
  second.UpdateProgress(10);
  EXPECT_FALSE(second.Stopped());
}

TEST_P(ReadStreamOnBothSources, SkipsWithinAndBeyondTheBuffer) {
  const Bytes bytes = Counting(200000);
  auto source = MakeSource(GetParam(), bytes);
  TCustomReadStream reader;
  reader.Open(*source, 0);
  reader.Skip(10);
  EXPECT_EQ(reader.ReadByte(), bytes[10]);
  reader.Skip(100000);  // past the 64-KiB buffer
  EXPECT_EQ(reader.ReadByte(), bytes[100011]);
  reader.Skip(200000);  // past the range: EOF, nothing moves
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.Position(), 100012);
  reader.Close();
  EXPECT_EQ(source->Position(), 100012);
}

TEST_P(ReadStreamOnBothSources, LargeReadBufferDeliversEveryByte) {
  const Bytes bytes = Counting(300001);
  auto source = MakeSource(GetParam(), bytes);
  TCustomReadStream reader;
  reader.Open(*source, 0);
  EXPECT_EQ(reader.ReadByte(), bytes[0]);
  Bytes out(250000);
  reader.ReadBuffer(out.data(), static_cast<std::int64_t>(out.size()));
  EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + 1));
  EXPECT_EQ(reader.ReadLong(), std::uint32_t{bytes[250001]} << 24 | bytes[250002] << 16 | bytes[250003] << 8 |
                                   bytes[250004]);
  Bytes tooMuch(50000);
  reader.ReadBuffer(tooMuch.data(), 50000);  // 49996 left: refused whole
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.Position(), 250005);
}

INSTANTIATE_TEST_SUITE_P(Sources, ReadStreamOnBothSources, ::testing::Values(Source::Memory, Source::Buffered));

TEST(ReadStreamBuffering, LongStraddlingTheBufferEndReadsCorrectlyWithinTheRange) {
  const Bytes bytes = Counting(70000);
  // A range that ends 500 bytes after the first buffer: the second refill must stop at the range.
  for (const std::int64_t first : {65533, 65534, 65535}) {
    TRecordingStream source(bytes);
    TCustomReadStream reader;
    reader.Open(source, 66036);
    std::vector<std::uint8_t> skip(static_cast<std::size_t>(first));
    reader.ReadBuffer(skip.data(), first);
    const std::uint32_t expected = std::uint32_t{bytes[first]} << 24 | bytes[first + 1] << 16 |
                                   bytes[first + 2] << 8 | bytes[first + 3];
    EXPECT_EQ(reader.ReadLong(), expected) << first;
    EXPECT_EQ(reader.ReadWord(), bytes[first + 4] << 8 | bytes[first + 5]) << first;
    EXPECT_LE(source.FurthestAsked(), 66036u) << first;
  }
}

TEST(ReadStreamBuffering, LargeReadGoesStraightToTheDestination) {
  const Bytes bytes = Counting(400000);
  TRecordingStream source(bytes);
  TCustomReadStream reader;
  reader.Open(source, 0);  // first refill: one read
  Bytes out(300000);
  reader.ReadBuffer(out.data(), 300000);
  // the rest beyond the first buffer but its last 64 KiB in one read, then one refill
  EXPECT_EQ(source.Reads(), 3);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin()));
}

TEST(ReadStreamBuffering, SourceShorterThanTheRangeRaisesTheReadError) {
  const Bytes bytes = Counting(100);
  TRecordingStream source(bytes);
  TCustomReadStream reader;
  EXPECT_THROW(reader.Open(source, 500), EReadError);

  // A memory stream that holds less than the range is not read in place past its end.
  TMemoryStream memory;
  memory.WriteBuffer(bytes.data(), bytes.size());
  memory.SetPosition(0);
  TCustomReadStream second;
  EXPECT_THROW(second.Open(memory, 500), EReadError);
}

TEST(ReadStreamProgress, WorkedExampleOfTheFirstStage) {
  TMemoryStream source;
  source.SetSize(1000);
  TRecordingReader reader;
  reader.Open(source, 0);
  reader.BeginProgress();
  reader.NextStage(0, 0, 30);  // 99 × 30 div 100 = 29 points
  Bytes out(500);
  reader.ReadBuffer(out.data(), 500);
  reader.UpdateProgress(0);
  ASSERT_EQ(reader.reports, (std::vector<int>{0, 14}));  // 500 × 29 div 1000
}

TEST(ReadStreamProgress, StagesShareTheNinetyNinePointsAndEndAtHundred) {
  TMemoryStream source;
  source.SetSize(1000);
  TRecordingReader reader;
  reader.Open(source, 0);
  reader.BeginProgress();
  reader.NextStage(0, 0, 30);  // 0 … 29
  reader.NextStage(1, 100, 98);  // 70 unassigned: 68 points, 29 … 97
  reader.UpdateProgress(50);    // 29 + 34
  reader.UpdateProgress(50);    // no advance, no report
  reader.UpdateProgress(1000);  // at or past the total: the whole span
  reader.NextStage(0, 0, 0);    // the remaining 2 points
  Bytes out(1000);
  reader.ReadBuffer(out.data(), 1000);
  reader.UpdateProgress(0);
  reader.EndProgress();
  EXPECT_EQ(reader.reports, (std::vector<int>{0, 63, 97, 99, 100}));
}

TEST(ReadStreamProgress, ZeroTotalCountsAsOne) {
  TMemoryStream source;
  source.SetSize(10);
  TRecordingReader reader;
  reader.Open(source, 0);
  reader.BeginProgress();
  reader.NextStage(1, 0, 50);  // 49 points over a total of 1
  reader.UpdateProgress(0);
  reader.UpdateProgress(1);
  EXPECT_EQ(reader.reports, (std::vector<int>{0, 49}));
}

}  // namespace
}  // namespace ombrisk
