#include "toolkit/instruction_sets.h"

#include <gtest/gtest.h>

#include <vector>

#include "toolkit/exception.h"

namespace ombrisk {
namespace {

constexpr TKernel kAllKernels[] = {TKernel::Transform,      TKernel::GreyRow,      TKernel::ColumnSums,
                                   TKernel::SampleRounding, TKernel::LinearLevels, TKernel::ColumnTile};
static_assert(std::size(kAllKernels) == kKernelCount);

TEST(InstructionSets, EveryKernelTakesTheWidestPathTheProcessorRuns) {
  for (const TKernel kernel : kAllKernels) {
    const std::vector<TInstructionSet> paths = KernelPaths(kernel);
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(paths.front(), TInstructionSet::Portable) << KernelName(kernel);
    TInstructionSet widest = TInstructionSet::Portable;
    for (const TInstructionSet path : paths) {
      if (ProcessorRuns(path)) widest = path;
    }
    EXPECT_EQ(KernelPath(kernel), widest) << KernelName(kernel);
  }
}

TEST(InstructionSets, AProcessorThatRunsASetRunsEveryEarlierOne) {
  // Catches a feature asked under the wrong name: processors gained the sets in this order.
  EXPECT_TRUE(ProcessorRuns(TInstructionSet::Portable));
  for (int s = 1; s <= static_cast<int>(TInstructionSet::Avx512); ++s) {
    const auto set = static_cast<TInstructionSet>(s);
    const auto earlier = static_cast<TInstructionSet>(s - 1);
    if (ProcessorRuns(set)) {
      EXPECT_TRUE(ProcessorRuns(earlier)) << InstructionSetName(set);
    }
  }
}

TEST(InstructionSets, ForcingHoldsWhileTheGuardLivesAndNests) {
  const TInstructionSet chosen = KernelPath(TKernel::SampleRounding);
  const TInstructionSet grey = KernelPath(TKernel::GreyRow);
  {
    const TForcedKernelPath outer(TKernel::SampleRounding, TInstructionSet::Portable);
    EXPECT_EQ(KernelPath(TKernel::SampleRounding), TInstructionSet::Portable);
    EXPECT_EQ(KernelPath(TKernel::GreyRow), grey) << "other kernels keep their path";
    {
      const TForcedKernelPath inner(TKernel::SampleRounding, chosen);
      EXPECT_EQ(KernelPath(TKernel::SampleRounding), chosen);
    }
    EXPECT_EQ(KernelPath(TKernel::SampleRounding), TInstructionSet::Portable);
  }
  EXPECT_EQ(KernelPath(TKernel::SampleRounding), chosen);
}

TEST(InstructionSets, APathTheKernelLacksOrTheProcessorCannotRunIsRefused) {
  const TInstructionSet chosen = KernelPath(TKernel::GreyRow);
  EXPECT_THROW(TForcedKernelPath(TKernel::GreyRow, TInstructionSet::Avx512), Exception);
  EXPECT_EQ(KernelPath(TKernel::GreyRow), chosen);
  for (const TKernel kernel : kAllKernels) {
    for (const TInstructionSet path : KernelPaths(kernel)) {
      if (!ProcessorRuns(path)) {
        EXPECT_THROW(TForcedKernelPath(kernel, path), Exception) << InstructionSetName(path);
      }
    }
  }
}

}  // namespace
}  // namespace ombrisk
