#include "spectrogram/block_reader.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "toolkit/exception.h"

namespace ombrisk {
namespace {

// Hands out at most a few bytes per read, as a pipe or a slow device may.
class TDribblingStream : public TMemoryStream {
public:
  TDribblingStream(std::size_t size, std::size_t dribble) : m_dribble(dribble) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    WriteBuffer(bytes.data(), bytes.size());
    SetPosition(0);
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    return TMemoryStream::Read(buffer, std::min(count, m_dribble));
  }

private:
  std::size_t m_dribble;
};

TEST(BlockReader, BlocksCoverTheRestOfTheStreamInOrder) {
  // Sizes around the chunk size too, so that blocks straddle refills.
  for (const std::size_t size : {std::size_t{44}, std::size_t{45}, std::size_t{1100}, std::size_t{(1u << 20) + 300}}) {
    for (const std::size_t dribble : {std::size_t{7}, std::size_t{1} << 22}) {
      TDribblingStream stream(size, dribble);
      stream.SetPosition(44);
      TBlockReader reader(stream, 44, stream.Size(), 1024);
      std::size_t expected = 44;
      while (!reader.AtEnd()) {
        const std::span<const std::uint8_t> block = reader.Next();
        ASSERT_EQ(block.size(), std::min<std::size_t>(1024, size - expected)) << size;
        for (const std::uint8_t b : block) ASSERT_EQ(b, static_cast<std::uint8_t>(expected++)) << size;
      }
      EXPECT_EQ(expected, size);
      EXPECT_EQ(reader.Position(), static_cast<std::int64_t>(size));
    }
  }
}

TEST(BlockReader, StreamEndingBeforeItsLengthIsAReadError) {
  TDribblingStream stream(3000, 1 << 20);
  TBlockReader reader(stream, 0, 5000, 1024);
  EXPECT_EQ(reader.Next().size(), 1024u);
  EXPECT_EQ(reader.Next().size(), 1024u);
  try {
    (void)reader.Next();
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), kSReadError);
  }
}

}  // namespace
}  // namespace ombrisk
