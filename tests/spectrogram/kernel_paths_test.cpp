// The analysis kernels on every instruction-set path, bit for bit against the portable path.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "spectrogram/column_tile.h"
#include "spectrogram/level_kernels.h"
#include "tests/support/kernel_paths.h"

namespace ombrisk {
namespace {

struct TLevels {
  bool Any = false;
  std::vector<std::uint8_t> Levels;
  std::vector<std::uint8_t> Undecided;
  bool operator==(const TLevels&) const = default;
};

class LinearLevelPaths : public test::KernelPathTest {};

TEST_P(LinearLevelPaths, SameLevelsAndFlagsAsThePortablePath) {
  for (const std::size_t n : {2u, 16u, 32u, 48u, 1024u}) {
    std::mt19937_64 random(n);
    // Loud enough that some bins clamp at 255, quiet enough that most do not.
    std::uniform_real_distribution<double> value(-400000.0, 400000.0);
    std::vector<double> transform(n);
    for (double& v : transform) v = value(random);
    const auto levels = [&] {
      TLevels out{false, std::vector<std::uint8_t>(n / 2), std::vector<std::uint8_t>(n / 2)};
      out.Any = LinearLevels(transform, 0.0007, out.Levels, out.Undecided);
      return out;
    };
    ASSERT_TRUE(test::OnPath(ombrisk::LinearLevelPaths(), GetParam(), levels) ==
                test::OnPath(ombrisk::LinearLevelPaths(), TInstructionSet::Portable, levels))
        << "n = " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, LinearLevelPaths, test::EveryPathOf(ombrisk::LinearLevelPaths()), test::PathName);

class ColumnTilePaths : public test::KernelPathTest {};

TEST_P(ColumnTilePaths, SamePicturesAsThePortablePath) {
  // Sizes around the sixteen-by-sixteen blocks and the 64-column tiles.
  const int sizes[][2] = {{1, 1}, {15, 17}, {16, 16}, {33, 40}, {150, 47}};
  for (const auto& size : sizes) {
    const int width = size[0];
    const int height = size[1];
    const auto draw = [&] {
      TPixelBitmap picture;
      picture.SetWidth(width);
      picture.SetHeight(height);
      std::mt19937 random(static_cast<unsigned>(width * 100 + height));
      std::uniform_int_distribution<int> grey(0, 255);
      TColumnTile tile(height);
      for (int x = 0; x < width; ++x) {
        std::uint8_t* const column = tile.Column(x, picture);
        for (int y = 0; y < height; ++y) column[y] = static_cast<std::uint8_t>(grey(random));
      }
      tile.Flush(picture);
      std::vector<std::uint8_t> pixels;
      for (int y = 0; y < height; ++y) pixels.insert(pixels.end(), picture.ScanLine(y), picture.ScanLine(y) + 4 * width);
      return pixels;
    };
    ASSERT_EQ(test::OnPath(ombrisk::ColumnTilePaths(), GetParam(), draw),
              test::OnPath(ombrisk::ColumnTilePaths(), TInstructionSet::Portable, draw))
        << width << " x " << height;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, ColumnTilePaths, test::EveryPathOf(ombrisk::ColumnTilePaths()), test::PathName);

}  // namespace
}  // namespace ombrisk
