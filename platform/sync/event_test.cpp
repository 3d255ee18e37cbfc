#include "platform/sync/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/base/wintypes.h"

namespace qvplatform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Polls `condition` until it holds or `limit` passes; for tests that must
// see another thread get somewhere.
template <typename Condition>
bool Eventually(Condition condition, milliseconds limit = milliseconds(5000)) {
  auto deadline = steady_clock::now() + limit;
  while (!condition()) {
    if (steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
  Event event(Event::Kind::kManualReset);
  EXPECT_FALSE(event.IsSignalled());
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.IsSignalled());
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(EventTest, AutoResetIsConsumedByOneWait) {
  Event event(Event::Kind::kAutoReset, /*initially_signalled=*/true);
  EXPECT_TRUE(event.IsSignalled());
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.IsSignalled());
  EXPECT_FALSE(event.Wait(0));
}

TEST(EventTest, TimedWaitReturnsFalseAfterTheTimeout) {
  Event event(Event::Kind::kManualReset);
  auto start = steady_clock::now();
  EXPECT_FALSE(event.Wait(60));
  auto elapsed = steady_clock::now() - start;
  EXPECT_GE(elapsed, milliseconds(60));
  EXPECT_LT(elapsed, milliseconds(5000));
}

TEST(EventTest, InfiniteWaitReturnsWhenAnotherThreadSets) {
  for (int64_t forever : {int64_t{-1}, static_cast<int64_t>(INFINITE), INT64_MAX}) {
    Event event(Event::Kind::kAutoReset);
    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = event.Wait(forever); });
    event.Set();
    waiter.join();
    EXPECT_TRUE(woke) << forever;
    EXPECT_FALSE(event.IsSignalled()) << "the waiter consumed the signal";
  }
}

// One Set of an auto-reset event releases exactly one of several waiters.
TEST(EventTest, AutoResetReleasesOneWaiterPerSet) {
  Event event(Event::Kind::kAutoReset);
  std::atomic<int> released{0};
  auto wait = [&] {
    if (event.Wait(10000)) ++released;
  };
  std::thread a(wait);
  std::thread b(wait);
  event.Set();
  ASSERT_TRUE(Eventually([&] { return released.load() >= 1; }));
  EXPECT_EQ(released.load(), 1);
  EXPECT_FALSE(event.IsSignalled());
  event.Set();
  ASSERT_TRUE(Eventually([&] { return released.load() >= 2; }));
  a.join();
  b.join();
  EXPECT_EQ(released.load(), 2);
  EXPECT_FALSE(event.IsSignalled());
}

TEST(WaitForAnyTest, LowestSignalledIndexWinsAndOnlyItIsConsumed) {
  Event a(Event::Kind::kAutoReset);
  Event b(Event::Kind::kAutoReset);
  Event c(Event::Kind::kAutoReset);
  c.Set();
  b.Set();
  EXPECT_EQ(WaitForAny({&a, &b, &c}, 0), 1);
  EXPECT_FALSE(b.IsSignalled());
  EXPECT_TRUE(c.IsSignalled());
  EXPECT_EQ(WaitForAny({&a, &b, &c}, 0), 2);
  EXPECT_EQ(WaitForAny({&a, &b, &c}, 0), -1);
}

TEST(WaitForAnyTest, ManualResetEventKeepsWinningWhileSignalled) {
  Event stop(Event::Kind::kManualReset);
  Event work(Event::Kind::kAutoReset);
  stop.Set();
  work.Set();
  EXPECT_EQ(WaitForAny({&stop, &work}, 0), 0);
  EXPECT_EQ(WaitForAny({&stop, &work}, 0), 0);
  EXPECT_TRUE(work.IsSignalled());
}

TEST(WaitForAnyTest, WakesForAnEventSetByAnotherThread) {
  Event a(Event::Kind::kAutoReset);
  Event b(Event::Kind::kAutoReset);
  Event c(Event::Kind::kManualReset);
  std::atomic<int> index{-2};
  std::thread waiter([&] { index = WaitForAny({&a, &b, &c}, 10000); });
  c.Set();
  waiter.join();
  EXPECT_EQ(index.load(), 2);
  EXPECT_TRUE(c.IsSignalled());
}

TEST(WaitForAnyTest, TimesOutWithMinusOne) {
  Event a(Event::Kind::kAutoReset);
  Event b(Event::Kind::kManualReset);
  auto start = steady_clock::now();
  EXPECT_EQ(WaitForAny({&a, &b}, 40), -1);
  EXPECT_GE(steady_clock::now() - start, milliseconds(40));
  EXPECT_EQ(WaitForAny({}, 0), -1);
}

// Many setters and one consumer: every signal is observed or still pending,
// none is lost by a wake-up racing with a Set.
TEST(WaitForAnyTest, NoWakeUpIsLostUnderContention) {
  Event items(Event::Kind::kAutoReset);
  Event done(Event::Kind::kManualReset);
  std::atomic<int> produced{0};
  std::atomic<int> consumed{0};
  constexpr int kPerProducer = 2000;
  std::thread consumer([&] {
    while (true) {
      int index = WaitForAny({&done, &items}, 10000);
      if (index == 1) ++consumed;
      if (index == 0 || index == -1) break;
    }
  });
  std::thread p1([&] {
    for (int i = 0; i < kPerProducer; ++i) {
      ++produced;
      items.Set();
    }
  });
  std::thread p2([&] {
    for (int i = 0; i < kPerProducer; ++i) {
      ++produced;
      items.Set();
    }
  });
  p1.join();
  p2.join();
  // The last Set is pending or consumed; the consumer must get to it.
  ASSERT_TRUE(Eventually([&] { return !items.IsSignalled(); }));
  done.Set();
  consumer.join();
  EXPECT_GE(consumed.load(), 1);
  EXPECT_LE(consumed.load(), produced.load());
  EXPECT_FALSE(items.IsSignalled());
}

}  // namespace
}  // namespace qvplatform
