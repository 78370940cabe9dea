// Stand-ins for the way runs start their second thread, and a pin to one processor, for tests of
// the runs with and without that thread.
#pragma once

#include <sched.h>

#include <cerrno>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

#include "toolkit/second_thread.h"

namespace ombrisk::testing {

// Starts threads as the runs do and counts them; refuse = true raises what std::thread raises
// when the system has no thread to give.
struct TStarterLog {
  int Asked = 0;
  bool Refuse = false;

  TThreadStarter Starter() {
    return [this](std::function<void()> work) {
      ++Asked;
      if (Refuse) throw std::system_error(EAGAIN, std::generic_category(), "no thread for the test");
      return std::thread(std::move(work));
    };
  }
};

// Keeps the calling thread on the processor it runs on now, as in a one-processor container,
// until the end of the scope.
class TOneProcessor {
public:
  TOneProcessor() {
    m_ok = sched_getaffinity(0, sizeof m_saved, &m_saved) == 0;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    m_ok = m_ok && sched_setaffinity(0, sizeof one, &one) == 0;
  }
  ~TOneProcessor() { sched_setaffinity(0, sizeof m_saved, &m_saved); }
  TOneProcessor(const TOneProcessor&) = delete;
  TOneProcessor& operator=(const TOneProcessor&) = delete;

  bool Pinned() const { return m_ok && UsableProcessors() == 1; }

private:
  cpu_set_t m_saved;
  bool m_ok = false;
};

}  // namespace ombrisk::testing
