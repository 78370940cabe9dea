// THandoff: a count one thread raises and another waits on, for handing work between two threads
// in batches. A waiter looks again for a while before it sleeps, and a sleeper is woken only when
// there is one, so a hand-over between busy threads costs no system call.
//
//   THandoff ready(THandoff::kPatient);
//   producer:  ... fill batch i ...;  ready.Publish(i + 1);
//   consumer:  if (!ready.WaitFor(i + 1)) return;  ... use batch i ...
//   either:    ready.Stop();   // every wait, now or later, returns false
//
// Counts stay below 2^30. A Publish after Stop changes nothing: the count keeps its stop mark, so
// a waiter that read it just then still sees a changed count and wakes.
#pragma once

#include <atomic>
#include <cstdint>

namespace ombrisk {

class THandoff {
public:
  // How long a waiter looks again before it sleeps: long where the waiting thread is the one that
  // sets the pace (each wake-up then costs it time), short where it only keeps up (it would burn a
  // processor for nothing).
  static constexpr int kPatient = 1 << 14;
  static constexpr int kBrief = 1 << 8;

  // With one usable processor the other thread cannot run while this one spins: it sleeps at once.
  explicit THandoff(int spins);

  std::int32_t Value() const { return m_count.load(std::memory_order_acquire); }
  bool Stopped() const { return m_stopped.load(std::memory_order_acquire); }

  void Publish(std::int32_t value);
  // Waits until the count reaches target; false when stopped instead.
  bool WaitFor(std::int32_t target);
  void Stop();

private:
  const int m_spins;  // pauses before sleeping
  std::atomic<std::int32_t> m_count{0};
  std::atomic<bool> m_stopped{false};
  std::atomic<int> m_sleepers{0};
};

}  // namespace ombrisk
