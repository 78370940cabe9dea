#include "toolkit/instruction_sets.h"

#include <algorithm>
#include <array>

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

std::vector<Set> PortableFirst(std::initializer_list<Set> vectorPaths) {
  std::array<bool, kInstructionSetCount> built{};
  built[static_cast<std::size_t>(Set::Portable)] = true;
  for (const Set path : vectorPaths) built[static_cast<std::size_t>(path)] = true;
  std::vector<Set> paths;
  for (std::size_t s = 0; s < built.size(); ++s) {
    if (built[s]) paths.push_back(static_cast<Set>(s));
  }
  return paths;
}

Set Widest(const std::vector<Set>& paths) {
  Set widest = Set::Portable;
  for (const Set path : paths) {
    if (ProcessorRuns(path)) widest = path;
  }
  return widest;
}

}  // namespace

bool ProcessorRuns(TInstructionSet set) {
  static const std::array<bool, kInstructionSetCount> runs = [] {
    std::array<bool, kInstructionSetCount> r{};
    for (std::size_t s = 0; s < r.size(); ++s) r[s] = AskProcessor(static_cast<Set>(s));
    return r;
  }();
  return runs[static_cast<std::size_t>(set)];
}

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

TKernelPaths::TKernelPaths(const char* name, std::initializer_list<TInstructionSet> vectorPaths)
    : m_name(name), m_built(PortableFirst(vectorPaths)), m_taken(Widest(m_built)) {}

TForcedKernelPath::TForcedKernelPath(TKernelPaths& kernel, TInstructionSet path) : m_kernel(kernel) {
  const std::vector<Set>& paths = kernel.Built();
  if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
    throw Exception(FormatMessage(kSNoKernelPath, {kernel.Name(), InstructionSetName(path)}));
  }
  if (!ProcessorRuns(path)) throw Exception(FormatMessage(kSProcessorLacks, {InstructionSetName(path)}));
  m_previous = kernel.m_taken.exchange(path, std::memory_order_relaxed);
}

TForcedKernelPath::~TForcedKernelPath() { m_kernel.m_taken.store(m_previous, std::memory_order_relaxed); }

}  // namespace ombrisk
