#include "toolkit/instruction_sets.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>

#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk {

namespace {

inline constexpr const char* kSNoKernelPath = "%s には %s の経路がありません";
inline constexpr const char* kSProcessorLacks = "このプロセッサは %s を実行できません";

using Set = TInstructionSet;

bool AskProcessor(Set set) {
#if defined(__x86_64__)
  // The compiler's checks also ask the system whether it saves the wide registers. The first
  // question may come from a static constructor, before the compiler's own start-up has run.
  __builtin_cpu_init();
  switch (set) {
    case Set::Portable: return true;
    case Set::Sse2: return true;  // part of every x86-64 processor
    case Set::Ssse3: return __builtin_cpu_supports("ssse3") != 0;
    case Set::Sse41: return __builtin_cpu_supports("sse4.1") != 0;
    case Set::Avx: return __builtin_cpu_supports("avx") != 0;
    case Set::Avx2: return __builtin_cpu_supports("avx2") != 0;
    case Set::Avx512: return __builtin_cpu_supports("avx512f") != 0;
  }
  return false;
#else
  return set == Set::Portable;
#endif
}

std::size_t Index(TKernel kernel) { return static_cast<std::size_t>(kernel); }

// The paths taken now, one a kernel, first the widest each has here.
class TChosenPaths {
public:
  TChosenPaths() {
    for (int k = 0; k < kKernelCount; ++k) {
      const std::vector<Set> paths = KernelPaths(static_cast<TKernel>(k));
      Set best = Set::Portable;
      for (const Set path : paths) {
        if (ProcessorRuns(path)) best = path;
      }
      m_paths[static_cast<std::size_t>(k)].store(best, std::memory_order_relaxed);
    }
  }
  std::atomic<Set>& operator[](TKernel kernel) { return m_paths[Index(kernel)]; }

private:
  std::array<std::atomic<Set>, kKernelCount> m_paths;
};

TChosenPaths& ChosenPaths() {
  static TChosenPaths chosen;
  return chosen;
}

}  // namespace

std::vector<TInstructionSet> KernelPaths(TKernel kernel) {
#if defined(__x86_64__)
  switch (kernel) {
    case TKernel::Transform: return {Set::Portable, Set::Sse2, Set::Avx2};
    case TKernel::GreyRow: return {Set::Portable, Set::Sse41};
    case TKernel::ColumnSums: return {Set::Portable, Set::Sse2, Set::Ssse3};
    case TKernel::SampleRounding: return {Set::Portable, Set::Sse2, Set::Avx, Set::Avx512};
    case TKernel::LinearLevels: return {Set::Portable, Set::Sse2, Set::Avx2};
    case TKernel::ColumnTile: return {Set::Portable, Set::Sse2};
  }
#else
  static_cast<void>(kernel);
#endif
  return {Set::Portable};
}

bool ProcessorRuns(TInstructionSet set) {
  static const std::array<bool, 7> runs = [] {
    std::array<bool, 7> r{};
    for (std::size_t s = 0; s < r.size(); ++s) r[s] = AskProcessor(static_cast<Set>(s));
    return r;
  }();
  return runs[static_cast<std::size_t>(set)];
}

TInstructionSet KernelPath(TKernel kernel) { return ChosenPaths()[kernel].load(std::memory_order_relaxed); }

const char* InstructionSetName(TInstructionSet set) {
  switch (set) {
    case Set::Portable: return "portable";
    case Set::Sse2: return "sse2";
    case Set::Ssse3: return "ssse3";
    case Set::Sse41: return "sse41";
    case Set::Avx: return "avx";
    case Set::Avx2: return "avx2";
    case Set::Avx512: return "avx512";
  }
  return "?";
}

const char* KernelName(TKernel kernel) {
  switch (kernel) {
    case TKernel::Transform: return "transform";
    case TKernel::GreyRow: return "grey row";
    case TKernel::ColumnSums: return "column sums";
    case TKernel::SampleRounding: return "sample rounding";
    case TKernel::LinearLevels: return "linear levels";
    case TKernel::ColumnTile: return "column tile";
  }
  return "?";
}

TForcedKernelPath::TForcedKernelPath(TKernel kernel, TInstructionSet path) : m_kernel(kernel) {
  const std::vector<Set> paths = KernelPaths(kernel);
  if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
    throw Exception(FormatMessage(kSNoKernelPath, {KernelName(kernel), InstructionSetName(path)}));
  }
  if (!ProcessorRuns(path)) throw Exception(FormatMessage(kSProcessorLacks, {InstructionSetName(path)}));
  m_previous = ChosenPaths()[kernel].exchange(path, std::memory_order_relaxed);
}

TForcedKernelPath::~TForcedKernelPath() { ChosenPaths()[m_kernel].store(m_previous, std::memory_order_relaxed); }

}  // namespace ombrisk
