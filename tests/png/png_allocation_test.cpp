// Lengths from the file never size an allocation beyond what the file can hold. This executable
// replaces the global operator new to record the largest single allocation.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "png_decode_support.h"

namespace {
std::atomic<std::size_t> g_largestAllocation{0};
}  // namespace

void* operator new(std::size_t size) {
  std::size_t seen = g_largestAllocation.load();
  while (size > seen && !g_largestAllocation.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace ombrisk {
namespace {

using namespace ombrisk::testing;

constexpr std::size_t kSmall = 1 << 20;

Bytes Grey2x2(const std::string& type, std::uint32_t claimedLength, bool afterImage) {
  TPngBuilder png;
  png.Header(2, 2, 8, 0);
  if (afterImage) png.Idat(Rows({{0, 1, 2}, {0, 3, 4}}));
  png.RawChunk(claimedLength, type, {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});
  if (!afterImage) png.Idat(Rows({{0, 1, 2}, {0, 3, 4}}));
  return png.End().Data();
}

TEST(ClaimedLengths, TextClaimingTwoGigabytesAllocatesOnlyWhatTheFileHolds) {
  for (const bool afterImage : {true, false}) {
    const Bytes data = Grey2x2("tEXt", 0x7FFFFFF0u, afterImage);
    g_largestAllocation = 0;
    const auto d = Decode(data);
    EXPECT_LT(g_largestAllocation.load(), kSmall);
    EXPECT_TRUE(d->reader.Eof());
    EXPECT_EQ(d->reader.Comment(), "");
    EXPECT_EQ(d->bitmap.Width(), afterImage ? 2 : 0);  // the claim ends the file where it stands
  }
}

TEST(ClaimedLengths, HugePaletteAndImageDataClaimsStaySmall) {
  for (const char* type : {"PLTE", "IDAT", "zTXt", "tpNG"}) {
    const Bytes data = Grey2x2(type, 0x7FFFFFF0u, false);
    g_largestAllocation = 0;
    DecodeError(data);  // either outcome; the point is the allocation
    EXPECT_LT(g_largestAllocation.load(), kSmall) << type;
  }
}

}  // namespace
}  // namespace ombrisk
