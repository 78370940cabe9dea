// The synthesis kernels on every instruction-set path, bit for bit against the portable path.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "synthesis/column_reader.h"
#include "synthesis/synthesis_steps.h"
#include "tests/support/kernel_paths.h"
#include "tests/support/picture_helpers.h"

namespace ombrisk {
namespace {

// Transform outputs that reach every branch: ordinary values, 5x exactly on a half (the rounding
// of 4x + x decides), just beside a half, at and beyond the 16-bit range, signed zeros, NaN and
// infinities, in runs long and short enough for every vector width and its remainder.
std::vector<double> Outputs(std::size_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> ordinary(-7000.0, 7000.0);
  std::uniform_int_distribution<int> whole(-6600, 6600);
  std::uniform_int_distribution<int> pick(0, 9);
  const double specials[] = {0.0, -0.0, 6553.5, -6553.6, 6553.4, -6553.7, 1e300, -1e300,
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
  std::uniform_int_distribution<std::size_t> special(0, std::size(specials) - 1);
  std::vector<double> v(count);
  for (double& x : v) {
    const int kind = pick(random);
    const double half = (whole(random) + 0.5) / 5.0;
    if (kind < 5) {
      x = ordinary(random);
    } else if (kind < 8) {
      x = kind == 5 ? half : kind == 6 ? std::nextafter(half, 0.0) : half * 1.0000001;
    } else {
      x = specials[special(random)];
    }
  }
  return v;
}

class SampleRoundingPaths : public test::KernelPathTest {};

TEST_P(SampleRoundingPaths, SameSamplesAsThePortablePath) {
  for (const std::size_t count : {0u, 1u, 3u, 4u, 7u, 8u, 15u, 16u, 17u, 31u, 33u, 1000u, 4099u}) {
    const std::vector<double> output = Outputs(count, count);
    const auto scale = [&] {
      std::vector<std::int16_t> samples(count);
      ScaleSamples(output, samples);
      return samples;
    };
    ASSERT_EQ(test::OnPath(ombrisk::SampleRoundingPaths(), GetParam(), scale),
              test::OnPath(ombrisk::SampleRoundingPaths(), TInstructionSet::Portable, scale))
        << count << " samples";
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, SampleRoundingPaths, test::EveryPathOf(ombrisk::SampleRoundingPaths()), test::PathName);

struct TReadCase {
  int Width;
  int Height;
  bool ThirtyTwoBits;
};

class ColumnSumPaths : public test::KernelPathTest {};

TEST_P(ColumnSumPaths, SameSumsAsThePortablePath) {
  // Widths around the groups of eight and the 64-column blocks, heights around the eight-row steps.
  const TReadCase cases[] = {{1, 1, false}, {7, 9, false}, {8, 8, true}, {17, 15, false},
                             {64, 33, true}, {131, 17, false}, {131, 24, true}};
  for (const TReadCase& c : cases) {
    std::mt19937 random(static_cast<unsigned>(c.Width * 1000 + c.Height));
    std::uniform_int_distribution<int> channel(0, 255);
    TBitmap picture = test::MakePicture(c.Width, c.Height, [&](int, int) {
      return test::Rgb{static_cast<std::uint8_t>(channel(random)), static_cast<std::uint8_t>(channel(random)),
                       static_cast<std::uint8_t>(channel(random))};
    });
    if (c.ThirtyTwoBits) picture.SetPixelFormat(TPixelFormat::pf32bit);
    for (const bool mirrorX : {false, true}) {
      for (const bool mirrorY : {false, true}) {
        const auto read = [&] {
          TColumnReader reader(picture, mirrorX, mirrorY);
          std::vector<std::uint16_t> sums;
          for (int x = 0; x < c.Width; ++x) {
            const std::span<const std::uint16_t> column = reader.Sums(x);
            sums.insert(sums.end(), column.begin(), column.end());
          }
          return sums;
        };
        ASSERT_EQ(test::OnPath(ombrisk::ColumnSumPaths(), GetParam(), read),
                  test::OnPath(ombrisk::ColumnSumPaths(), TInstructionSet::Portable, read))
            << c.Width << " x " << c.Height << (c.ThirtyTwoBits ? " at 32 bits" : " at 24 bits") << ", mirror "
            << mirrorX << mirrorY;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, ColumnSumPaths, test::EveryPathOf(ombrisk::ColumnSumPaths()), test::PathName);

}  // namespace
}  // namespace ombrisk
