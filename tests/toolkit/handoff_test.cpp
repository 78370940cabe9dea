// THandoff between threads: counts handed over many times keep what was written before them,
// every waiter sees every count it waits for, and a stop, also one that meets a publish, leaves no
// thread waiting.
#include "toolkit/handoff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace ombrisk {
namespace {

class HandoffSpins : public ::testing::TestWithParam<int> {};

// Two counts pass four slots back and forth, as the runs pass their batches: what the producer
// wrote into a slot before publishing it is what the consumer reads after waiting for it.
TEST_P(HandoffSpins, SlotsHandedBackAndForthKeepTheirContents) {
  constexpr std::int32_t kRounds = 4000;
  constexpr std::int32_t kSlots = 4;
  THandoff filled(GetParam());
  THandoff emptied(GetParam());
  std::int32_t slots[kSlots] = {};
  std::thread producer([&] {
    for (std::int32_t i = 0; i < kRounds; ++i) {
      if (!emptied.WaitFor(i - kSlots + 1)) return;
      slots[i % kSlots] = i;
      filled.Publish(i + 1);
    }
  });
  std::int32_t wrong = 0;
  for (std::int32_t i = 0; i < kRounds; ++i) {
    ASSERT_TRUE(filled.WaitFor(i + 1));
    if (slots[i % kSlots] != i) ++wrong;
    emptied.Publish(i + 1);
  }
  producer.join();
  EXPECT_EQ(wrong, 0);
}

// Several waiters follow one publisher count by count; each sees every count it waits for reached.
TEST_P(HandoffSpins, EveryWaiterSeesEveryCount) {
  constexpr std::int32_t kCounts = 3000;
  THandoff handoff(GetParam());
  std::vector<std::int32_t> payload(kCounts + 1, 0);
  std::atomic<int> misses{0};
  std::vector<std::thread> waiters;
  for (int w = 0; w < 6; ++w) {
    waiters.emplace_back([&] {
      for (std::int32_t i = 1; i <= kCounts; ++i) {
        if (!handoff.WaitFor(i) || handoff.Value() < i || payload[static_cast<std::size_t>(i)] != i) ++misses;
      }
    });
  }
  for (std::int32_t i = 1; i <= kCounts; ++i) {
    payload[static_cast<std::size_t>(i)] = i;
    handoff.Publish(i);
    if (i % 64 == 0) std::this_thread::yield();
  }
  for (std::thread& waiter : waiters) waiter.join();
  EXPECT_EQ(misses.load(), 0);
}

// The waiter reads what was written before a count straight after its wait returns, with no other
// look at the count in between: the wait alone must order the write before the read.
TEST_P(HandoffSpins, WhatWasWrittenBeforeACountIsSeenStraightAfterTheWait) {
  constexpr std::int32_t kCounts = 20000;
  THandoff handoff(GetParam());
  std::vector<std::int32_t> payload(kCounts + 1, 0);
  std::thread publisher([&] {
    for (std::int32_t i = 1; i <= kCounts; ++i) {
      payload[static_cast<std::size_t>(i)] = i;
      handoff.Publish(i);
    }
  });
  std::int32_t wrong = 0;
  for (std::int32_t i = 1; i <= kCounts; ++i) {
    if (!handoff.WaitFor(i) || payload[static_cast<std::size_t>(i)] != i) ++wrong;
  }
  publisher.join();
  EXPECT_EQ(wrong, 0);
}

TEST_P(HandoffSpins, StopWakesEveryWaiterAndEveryLaterWaitFails) {
  THandoff handoff(GetParam());
  handoff.Publish(3);
  std::atomic<int> returned{0};
  std::atomic<int> succeeded{0};
  std::vector<std::thread> waiters;
  for (int w = 0; w < 4; ++w) {
    waiters.emplace_back([&] {
      if (handoff.WaitFor(4)) ++succeeded;
      ++returned;
    });
  }
  // Long enough for the waiters to have gone to sleep, usually.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(returned.load(), 0);
  handoff.Stop();
  for (std::thread& waiter : waiters) waiter.join();
  EXPECT_EQ(succeeded.load(), 0);
  EXPECT_TRUE(handoff.Stopped());
  EXPECT_FALSE(handoff.WaitFor(3));  // a count reached before the stop fails too
  handoff.Stop();                     // a second stop is harmless
  EXPECT_FALSE(handoff.WaitFor(1));
}

// A publish that comes after the stop must not take the stop back: the count stays as the stop
// left it, and no waiter can go to sleep on it.
TEST_P(HandoffSpins, APublishAfterAStopChangesNothing) {
  THandoff handoff(GetParam());
  handoff.Publish(1);
  handoff.Stop();
  const std::int32_t stopped = handoff.Value();
  handoff.Publish(2);
  EXPECT_EQ(handoff.Value(), stopped);
  EXPECT_FALSE(handoff.WaitFor(2));
}

// Waiter, stopper and publisher race, round after round; every waiter must come back. A waiter left
// asleep would hang the test, so a watchdog ends it with a message instead.
TEST_P(HandoffSpins, StopAndPublishRacingNeverLeaveAWaiterAsleep) {
  constexpr int kRounds = 500;
  for (int round = 0; round < kRounds; ++round) {
    THandoff handoff(GetParam());
    std::atomic<bool> back{false};
    std::thread waiter([&] {
      (void)handoff.WaitFor(3);
      back = true;
    });
    std::thread publisher([&] { handoff.Publish(1 + round % 2); });
    handoff.Stop();
    publisher.join();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!back.load()) {
      if (std::chrono::steady_clock::now() > deadline) {
        std::fprintf(stderr, "round %d: a waiter stayed asleep after Stop\n", round);
        std::abort();
      }
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    waiter.join();
  }
}

INSTANTIATE_TEST_SUITE_P(Spins, HandoffSpins, ::testing::Values(THandoff::kPatient, THandoff::kBrief, 0));

}  // namespace
}  // namespace ombrisk
