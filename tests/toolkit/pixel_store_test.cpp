#include "toolkit/pixel_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <utility>

namespace ombrisk {
namespace {

// Both ways of getting memory: the C library's below the mapped size, the system's above it.
class PixelStore : public ::testing::TestWithParam<std::size_t> {};

TEST_P(PixelStore, StartsZeroAndCopiesAreIndependent) {
  const std::size_t size = GetParam();
  TPixelStore store(size);
  ASSERT_EQ(store.size(), size);
  EXPECT_TRUE(std::all_of(store.data(), store.data() + size, [](std::uint8_t b) { return b == 0; }));
  store.data()[0] = 7;
  store.data()[size - 1] = 9;

  TPixelStore copy(store);
  copy.data()[0] = 1;
  EXPECT_EQ(store.data()[0], 7);
  EXPECT_EQ(copy.data()[size - 1], 9);

  TPixelStore assigned;
  assigned = store;
  EXPECT_EQ(assigned.data()[size - 1], 9);
  EXPECT_NE(assigned.data(), store.data());

  TPixelStore moved(std::move(store));
  EXPECT_EQ(moved.data()[0], 7);
  EXPECT_EQ(store.data(), nullptr);  // NOLINT(bugprone-use-after-move): a moved-from store is empty
  EXPECT_EQ(store.size(), 0u);
  moved = std::move(copy);
  EXPECT_EQ(moved.data()[0], 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PixelStore, ::testing::Values(std::size_t{2}, std::size_t{4096}, std::size_t{5} << 20));

TEST(PixelStoreEmpty, HoldsNothing) {
  const TPixelStore store(0);
  EXPECT_EQ(store.size(), 0u);
  const TPixelStore copy(store);
  EXPECT_EQ(copy.size(), 0u);
}

}  // namespace
}  // namespace ombrisk
