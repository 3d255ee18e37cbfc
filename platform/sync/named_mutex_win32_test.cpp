// The named mutex on Windows (kernel mutexes, run under Wine): ownership,
// re-entry, time-outs, and abandonment by a thread and by a process that
// ends holding it, which Windows reports once as WAIT_ABANDONED.
#include "platform/sync/named_mutex.h"

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace qvplatform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A name of this test process only, so parallel runs never meet.
std::string UniqueName(const char* stem) {
  return std::string("QV_Test_") + stem + "_" + std::to_string(GetCurrentProcessId());
}

std::unique_ptr<NamedMutex> MustCreate(const std::string& name) {
  std::string error;
  std::unique_ptr<NamedMutex> mutex = NamedMutex::Create(name, &error);
  EXPECT_TRUE(mutex) << error;
  return mutex;
}

TEST(NamedMutexWin32Test, OwnerReentersAndMustReleaseAsOften) {
  auto mutex = MustCreate(UniqueName("Reenter"));
  ASSERT_TRUE(mutex);
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  EXPECT_TRUE(mutex->Release());
  EXPECT_TRUE(mutex->Release());
  EXPECT_FALSE(mutex->Release()) << "released more often than acquired";
}

TEST(NamedMutexWin32Test, OtherThreadsAndHandlesWaitOnTime) {
  const std::string name = UniqueName("Timed");
  auto mutex = MustCreate(name);
  auto second = MustCreate(name);  // another handle of the same kernel object
  ASSERT_TRUE(mutex && second);
  ASSERT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  std::thread other([&] {
    EXPECT_EQ(second->Wait(0), WaitResult::kTimeout);
    auto start = steady_clock::now();
    EXPECT_EQ(second->Wait(100), WaitResult::kTimeout);
    EXPECT_GE(steady_clock::now() - start, milliseconds(90));
    EXPECT_FALSE(second->Release()) << "a thread that does not own it cannot release it";
  });
  other.join();
  EXPECT_TRUE(mutex->Release());
  std::thread after([&] {
    EXPECT_EQ(second->Wait(1000), WaitResult::kAcquired);
    EXPECT_TRUE(second->Release());
  });
  after.join();
}

TEST(NamedMutexWin32Test, ThreadThatEndsHoldingItLeavesItAbandonedOnce) {
  auto mutex = MustCreate(UniqueName("ThreadDied"));
  ASSERT_TRUE(mutex);
  std::thread holder([&] { EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired); });
  holder.join();
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAbandoned);
  EXPECT_TRUE(mutex->Release()) << "the waiter owns an abandoned mutex";
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired) << "reported abandoned only once";
  EXPECT_TRUE(mutex->Release());
}

// The child's part of the next test: it runs in a second process started by
// the parent with QV_MUTEX_HOLDER set, takes the mutex, says so, and when
// told ends without releasing it.
TEST(NamedMutexWin32ChildTest, HoldAndEnd) {
  char name[128] = {};
  if (GetEnvironmentVariableA("QV_MUTEX_HOLDER", name, sizeof name) == 0) {
    GTEST_SKIP() << "run by ProcessThatEndsHoldingItLeavesItAbandoned";
  }
  auto mutex = MustCreate(name);
  ASSERT_TRUE(mutex);
  ASSERT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(name) + "_held").c_str());
  HANDLE end = OpenEventA(SYNCHRONIZE, FALSE, (std::string(name) + "_end").c_str());
  ASSERT_TRUE(held != nullptr && end != nullptr);
  SetEvent(held);
  WaitForSingleObject(end, 20000);
  ExitProcess(0);
}

TEST(NamedMutexWin32Test, ProcessThatEndsHoldingItLeavesItAbandoned) {
  const std::string name = UniqueName("ProcessDied");
  auto mutex = MustCreate(name);
  ASSERT_TRUE(mutex);
  HANDLE held = CreateEventA(nullptr, TRUE, FALSE, (name + "_held").c_str());
  HANDLE end = CreateEventA(nullptr, TRUE, FALSE, (name + "_end").c_str());
  ASSERT_TRUE(held != nullptr && end != nullptr);

  char self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  std::string command =
      std::string("\"") + self + "\" --gtest_filter=NamedMutexWin32ChildTest.HoldAndEnd";
  SetEnvironmentVariableA("QV_MUTEX_HOLDER", name.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &child);
  SetEnvironmentVariableA("QV_MUTEX_HOLDER", nullptr);
  ASSERT_TRUE(started);

  ASSERT_EQ(WaitForSingleObject(held, 20000), WAIT_OBJECT_0) << "the child never held it";
  EXPECT_EQ(mutex->Wait(0), WaitResult::kTimeout) << "held by the child";
  SetEvent(end);
  ASSERT_EQ(WaitForSingleObject(child.hProcess, 20000), WAIT_OBJECT_0);
  EXPECT_EQ(mutex->Wait(1000), WaitResult::kAbandoned);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  EXPECT_TRUE(mutex->Release());
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  CloseHandle(held);
  CloseHandle(end);
}

}  // namespace
}  // namespace qvplatform
