#include "platform/sync/thread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <string>

#include "platform/sync/event.h"

namespace qvplatform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(ThreadTest, RunsTheBodyAndJoins) {
  std::atomic<int> runs{0};
  Thread thread("worker", [&] { ++runs; });
  EXPECT_TRUE(thread.Join(5000));
  EXPECT_TRUE(thread.HasEnded());
  EXPECT_EQ(runs.load(), 1);
  EXPECT_TRUE(thread.Join(0)) << "joining an ended thread again is harmless";
}

TEST(ThreadTest, JoinTimesOutWhileTheBodyRuns) {
  Event stop(Event::Kind::kManualReset);
  Thread thread("blocked", [&] { stop.Wait(-1); });
  auto start = steady_clock::now();
  EXPECT_FALSE(thread.Join(50));
  EXPECT_GE(steady_clock::now() - start, milliseconds(50));
  EXPECT_FALSE(thread.HasEnded());
  stop.Set();
  EXPECT_TRUE(thread.Join(-1));
  EXPECT_TRUE(thread.HasEnded());
}

TEST(ThreadTest, KnowsItsOwnThreadAndName) {
  std::atomic<bool> current_inside{false};
  std::string name_inside;
  Thread* self = nullptr;
  Event started(Event::Kind::kManualReset);
  Event go(Event::Kind::kManualReset);
  Thread thread("a-very-long-thread-name", [&] {
    go.Wait(-1);
    current_inside = self->IsCurrent();
    char buffer[32] = {};
    pthread_getname_np(pthread_self(), buffer, sizeof buffer);
    name_inside = buffer;
  });
  self = &thread;
  go.Set();
  ASSERT_TRUE(thread.Join(5000));
  EXPECT_TRUE(current_inside);
  EXPECT_FALSE(thread.IsCurrent());
  EXPECT_EQ(name_inside, "a-very-long-thr");
}

TEST(ThreadTest, JoinFromItsOwnBodyFailsInsteadOfDeadlocking) {
  Thread* self = nullptr;
  std::atomic<int> result{-1};
  Event go(Event::Kind::kManualReset);
  Thread thread("self-join", [&] {
    go.Wait(-1);
    result = self->Join(-1) ? 1 : 0;
  });
  self = &thread;
  go.Set();
  ASSERT_TRUE(thread.Join(5000));
  EXPECT_EQ(result.load(), 0);
}

TEST(ThreadTest, DestructorWaitsForTheBody) {
  std::atomic<bool> finished{false};
  Event go(Event::Kind::kManualReset);
  {
    Thread thread("dtor", [&] {
      go.Wait(-1);
      finished = true;
    });
    go.Set();
  }
  EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace qvplatform
