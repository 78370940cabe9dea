// Which instruction-set path each kernel with several takes. The processor is asked once per
// process; each kernel then runs the widest of its paths that the processor runs.
//
//   switch (KernelPath(TKernel::SampleRounding)) {
//     case TInstructionSet::Avx512: ...
//   }
//
// Tests and benchmarks force a path for as long as a TForcedKernelPath lives, to set every path
// beside the portable one:
//
//   const TForcedKernelPath forced(TKernel::GreyRow, TInstructionSet::Portable);
#pragma once

#include <cstdint>
#include <vector>

namespace ombrisk {

// In the order x86-64 processors gained them: one that runs a set runs every set before it.
enum class TInstructionSet : std::uint8_t { Portable, Sse2, Ssse3, Sse41, Avx, Avx2, Avx512 };

enum class TKernel : std::uint8_t { Transform, GreyRow, ColumnSums, SampleRounding, LinearLevels, ColumnTile };
inline constexpr int kKernelCount = 6;

// The paths built for a kernel, the portable one first; on other processors than x86-64 only that.
std::vector<TInstructionSet> KernelPaths(TKernel kernel);
// Whether this processor (and its system, for the wide registers) runs the set.
bool ProcessorRuns(TInstructionSet set);
// The path the kernel takes now: the widest one it has that the processor runs, unless forced.
TInstructionSet KernelPath(TKernel kernel);
const char* InstructionSetName(TInstructionSet set);
const char* KernelName(TKernel kernel);

// Makes a kernel take one path until destroyed, then the one it took before. Raises Exception when
// the kernel has no such path or the processor does not run it. The choice holds for every thread:
// force paths while no kernel runs.
class TForcedKernelPath {
public:
  TForcedKernelPath(TKernel kernel, TInstructionSet path);
  ~TForcedKernelPath();
  TForcedKernelPath(const TForcedKernelPath&) = delete;
  TForcedKernelPath& operator=(const TForcedKernelPath&) = delete;

private:
  TKernel m_kernel;
  TInstructionSet m_previous;
};

}  // namespace ombrisk
