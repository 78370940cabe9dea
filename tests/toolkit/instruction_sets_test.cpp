#include "toolkit/instruction_sets.h"

#include <gtest/gtest.h>

#include "toolkit/exception.h"

namespace ombrisk {
namespace {

TEST(InstructionSets, EveryKernelTakesTheWidestPathTheProcessorRuns) {
  for (int k = 0; k < kKernelCount; ++k) {
    const auto kernel = static_cast<TKernel>(k);
    TInstructionSet widest = TInstructionSet::Portable;
    for (const TInstructionSet path : KernelPaths(kernel)) {
      if (ProcessorRuns(path)) widest = path;
    }
    EXPECT_EQ(KernelPaths(kernel).front(), TInstructionSet::Portable) << KernelName(kernel);
    EXPECT_EQ(KernelPath(kernel), widest) << KernelName(kernel);
    // A path the processor cannot run is never forced on it.
    for (const TInstructionSet path : KernelPaths(kernel)) {
      if (!ProcessorRuns(path)) {
        EXPECT_THROW(TForcedKernelPath(kernel, path), Exception) << InstructionSetName(path);
      }
    }
  }
}

TEST(InstructionSets, ForcingHoldsForOneKernelWhileTheGuardLivesAndNests) {
  const TInstructionSet chosen = KernelPath(TKernel::SampleRounding);
  const TInstructionSet grey = KernelPath(TKernel::GreyRow);
  {
    const TForcedKernelPath outer(TKernel::SampleRounding, TInstructionSet::Portable);
    EXPECT_EQ(KernelPath(TKernel::SampleRounding), TInstructionSet::Portable);
    EXPECT_EQ(KernelPath(TKernel::GreyRow), grey);
    {
      const TForcedKernelPath inner(TKernel::SampleRounding, chosen);
      EXPECT_EQ(KernelPath(TKernel::SampleRounding), chosen);
    }
    EXPECT_EQ(KernelPath(TKernel::SampleRounding), TInstructionSet::Portable);
  }
  EXPECT_EQ(KernelPath(TKernel::SampleRounding), chosen);
  // A path the kernel was not built with is refused and changes nothing.
  EXPECT_THROW(TForcedKernelPath(TKernel::GreyRow, TInstructionSet::Avx512), Exception);
  EXPECT_EQ(KernelPath(TKernel::GreyRow), grey);
}

}  // namespace
}  // namespace ombrisk
