// Which instruction-set path a kernel with several takes. The processor is asked once per
// process; each kernel names the paths it was built with beside the code that builds them, and
// takes the widest of them that the processor runs.
//
//   TKernelPaths& RoundingPaths() {
//     static TKernelPaths paths("sample rounding", {
//   #if defined(__SSE2__)
//         TInstructionSet::Sse2,
//   #endif
//     });
//     return paths;
//   }
//   if (RoundingPaths().Taken() == TInstructionSet::Sse2) ...
//
// Tests and benchmarks force a path for as long as a TForcedKernelPath lives, to set every path
// beside the portable one:
//
//   const TForcedKernelPath forced(RoundingPaths(), TInstructionSet::Portable);
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace ombrisk {

// In the order x86-64 processors gained them: one that runs a set runs every set before it.
enum class TInstructionSet : std::uint8_t { Portable, Sse2, Ssse3, Sse41, Avx, Avx2, Avx512 };
inline constexpr std::size_t kInstructionSetCount = static_cast<std::size_t>(TInstructionSet::Avx512) + 1;

// Whether this processor (and its system, for the wide registers) runs the set.
bool ProcessorRuns(TInstructionSet set);
const char* InstructionSetName(TInstructionSet set);

// The paths one kernel was built with and the one it takes now. Kept in a function-local static
// beside the kernel, so that it is made on first use, whatever the order of static constructors.
class TKernelPaths {
public:
  // vectorPaths: the paths built beside the portable one, in any order.
  TKernelPaths(const char* name, std::initializer_list<TInstructionSet> vectorPaths);
  TKernelPaths(const TKernelPaths&) = delete;
  TKernelPaths& operator=(const TKernelPaths&) = delete;

  const char* Name() const { return m_name; }
  // The portable path first, then the others from narrowest to widest.
  const std::vector<TInstructionSet>& Built() const { return m_built; }
  // The widest built path the processor runs, unless forced.
  TInstructionSet Taken() const { return m_taken.load(std::memory_order_relaxed); }

private:
  friend class TForcedKernelPath;

  const char* m_name;
  std::vector<TInstructionSet> m_built;
  std::atomic<TInstructionSet> m_taken;
};

// Makes a kernel take one path until destroyed, then the one it took before. Raises Exception when
// the kernel has no such path or the processor does not run it. The choice holds for every thread:
// force paths while no kernel runs.
class TForcedKernelPath {
public:
  TForcedKernelPath(TKernelPaths& kernel, TInstructionSet path);
  ~TForcedKernelPath();
  TForcedKernelPath(const TForcedKernelPath&) = delete;
  TForcedKernelPath& operator=(const TForcedKernelPath&) = delete;

private:
  TKernelPaths& m_kernel;
  TInstructionSet m_previous;
};

}  // namespace ombrisk
