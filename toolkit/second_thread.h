// The second thread of a synthesis or an analysis: whether one is worth having, and how it is
// started. Runs start it through a TThreadStarter so that a test can refuse it and see the run
// carry on alone, as it must when the system has no thread to give.
//
//   if (UsableProcessors() > 1) helper = start([this] { Helper(); });   // may raise std::system_error
#pragma once

#include <functional>
#include <thread>

namespace ombrisk {

// The processors the calling thread may run on (its affinity mask), at least 1. A container
// limited to one processor gets 1 whatever the machine has.
int UsableProcessors();

// Starts work on a thread of its own; raises std::system_error when none can be started.
using TThreadStarter = std::function<std::thread(std::function<void()>)>;
std::thread StartThread(std::function<void()> work);

}  // namespace ombrisk
