// Tests over every path a kernel was built with. A path this processor does not run is skipped
// with a message; the test's body forces the path it is given.
//
//   class Rounding : public test::KernelPathTest {};
//   TEST_P(Rounding, SameBitsAsPortable) {
//     EXPECT_EQ(test::OnPath(SampleRoundingPaths(), GetParam(), run),
//               test::OnPath(SampleRoundingPaths(), TInstructionSet::Portable, run));
//   }
//   INSTANTIATE_TEST_SUITE_P(Paths, Rounding, test::EveryPathOf(SampleRoundingPaths()), test::PathName);
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "toolkit/instruction_sets.h"

namespace ombrisk {

inline void PrintTo(TInstructionSet set, std::ostream* out) { *out << InstructionSetName(set); }

}  // namespace ombrisk

namespace ombrisk::test {

class KernelPathTest : public ::testing::TestWithParam<TInstructionSet> {
protected:
  void SetUp() override {
    if (!ProcessorRuns(GetParam())) GTEST_SKIP() << "this processor does not run " << InstructionSetName(GetParam());
  }
};

inline auto EveryPathOf(const TKernelPaths& kernel) { return ::testing::ValuesIn(kernel.Built()); }

inline std::string PathName(const ::testing::TestParamInfo<TInstructionSet>& info) {
  return InstructionSetName(info.param);
}

// What run() gives with the kernel forced onto path.
template <typename Run>
auto OnPath(TKernelPaths& kernel, TInstructionSet path, const Run& run) {
  const TForcedKernelPath forced(kernel, path);
  return run();
}

}  // namespace ombrisk::test
