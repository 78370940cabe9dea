#include "toolkit/instruction_sets.h"

#include <gtest/gtest.h>

#include <vector>

#include "toolkit/exception.h"

namespace ombrisk {
namespace {

TEST(InstructionSets, AKernelTakesTheWidestPathTheProcessorRuns) {
  // Given out of order, twice, and with the portable path among them.
  TKernelPaths kernel("test kernel", {TInstructionSet::Avx512, TInstructionSet::Sse2, TInstructionSet::Portable,
                                      TInstructionSet::Avx2, TInstructionSet::Sse2});
  const std::vector<TInstructionSet> built = {TInstructionSet::Portable, TInstructionSet::Sse2, TInstructionSet::Avx2,
                                              TInstructionSet::Avx512};
  EXPECT_EQ(kernel.Built(), built);
  TInstructionSet widest = TInstructionSet::Portable;
  for (const TInstructionSet path : built) {
    if (ProcessorRuns(path)) widest = path;
  }
  EXPECT_EQ(kernel.Taken(), widest);
  // A path the processor cannot run is never forced on it.
  for (const TInstructionSet path : built) {
    if (!ProcessorRuns(path)) {
      EXPECT_THROW(TForcedKernelPath(kernel, path), Exception) << InstructionSetName(path);
    }
  }
  const TKernelPaths portableOnly("portable kernel", {});
  EXPECT_EQ(portableOnly.Built(), std::vector<TInstructionSet>{TInstructionSet::Portable});
  EXPECT_EQ(portableOnly.Taken(), TInstructionSet::Portable);
}

TEST(InstructionSets, ForcingHoldsForOneKernelWhileTheGuardLivesAndNests) {
  TKernelPaths rounding("rounding", {TInstructionSet::Sse2, TInstructionSet::Avx, TInstructionSet::Avx512});
  TKernelPaths grey("grey", {TInstructionSet::Sse41});
  const TInstructionSet chosen = rounding.Taken();
  const TInstructionSet greyPath = grey.Taken();
  {
    const TForcedKernelPath outer(rounding, TInstructionSet::Portable);
    EXPECT_EQ(rounding.Taken(), TInstructionSet::Portable);
    EXPECT_EQ(grey.Taken(), greyPath);
    {
      const TForcedKernelPath inner(rounding, chosen);
      EXPECT_EQ(rounding.Taken(), chosen);
    }
    EXPECT_EQ(rounding.Taken(), TInstructionSet::Portable);
  }
  EXPECT_EQ(rounding.Taken(), chosen);
  // A path the kernel was not built with is refused and changes nothing.
  EXPECT_THROW(TForcedKernelPath(grey, TInstructionSet::Avx512), Exception);
  EXPECT_EQ(grey.Taken(), greyPath);
}

}  // namespace
}  // namespace ombrisk
