#include "toolkit/second_thread.h"

#include <sched.h>

#include <algorithm>
#include <utility>

namespace ombrisk {

int UsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  // A mask wider than cpu_set_t (more than 1024 processors) is refused; the machine's count does.
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(CPU_COUNT(&set), 1);
  return std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
}

std::thread StartThread(std::function<void()> work) { return std::thread(std::move(work)); }

}  // namespace ombrisk
