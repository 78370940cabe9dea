#include "toolkit/handoff.h"

#include "toolkit/second_thread.h"

namespace ombrisk {

namespace {

// Added to the count when stopped: changes it, so that a sleeper wakes whatever it waits for.
constexpr std::int32_t kStopped = std::int32_t{1} << 30;

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

THandoff::THandoff(int spins) : m_spins(UsableProcessors() > 1 ? spins : 0) {}

// Publisher and sleeper each store before they look at the other's side (sequentially
// consistent), so either the sleeper sees the new count or the publisher sees the sleeper.
// A plain store after Stop would wipe the stop mark: a waiter that had seen the count before the
// stop and reads it again after the store could go to sleep on a count no one changes again.
void THandoff::Publish(std::int32_t value) {
  std::int32_t current = m_count.load(std::memory_order_relaxed);
  do {
    if (current >= kStopped) return;
  } while (!m_count.compare_exchange_weak(current, value));
  if (m_sleepers.load() != 0) m_count.notify_all();
}

bool THandoff::WaitFor(std::int32_t target) {
  for (;;) {
    if (Stopped()) return false;
    const std::int32_t seen = m_count.load(std::memory_order_acquire);
    if (seen >= target) return !Stopped();
    // The other side is usually microseconds away; sleeping and being woken costs more than that.
    bool changed = false;
    for (int spin = 0; spin < m_spins && !changed; ++spin) {
      Pause();
      changed = m_count.load(std::memory_order_acquire) != seen;
    }
    if (!changed) {
      m_sleepers.fetch_add(1);
      m_count.wait(seen);
      m_sleepers.fetch_sub(1);
    }
  }
}

// A second stop must not add the mark again (the count would wrap round).
void THandoff::Stop() {
  if (m_stopped.exchange(true)) return;
  m_count.fetch_add(kStopped);
  m_count.notify_all();
}

}  // namespace ombrisk
