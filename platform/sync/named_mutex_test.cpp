#include "platform/sync/named_mutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/sync/event.h"
#include "test_support/temp_prefix.h"

namespace qvplatform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::unique_ptr<NamedMutex> MustCreate(const std::string& name) {
  std::string error;
  auto mutex = NamedMutex::Create(name, &error);
  EXPECT_NE(mutex, nullptr) << error;
  return mutex;
}

// Result of a wait on another thread, so the calling thread's ownership does
// not interfere.
WaitResult WaitOnOtherThread(NamedMutex& mutex, int64_t timeout_ms, bool release_after = true) {
  WaitResult result = WaitResult::kFailed;
  std::thread other([&] {
    result = mutex.Wait(timeout_ms);
    if (release_after && (result == WaitResult::kAcquired || result == WaitResult::kAbandoned)) {
      mutex.Release();
    }
  });
  other.join();
  return result;
}

// A child process that talks with the parent over two pipes: it runs
// `body(read_fd, write_fd)` and exits without running the parent's
// destructors.
class Child {
 public:
  template <typename Body>
  explicit Child(Body body) {
    int to_child[2], to_parent[2];
    if (::pipe(to_child) != 0 || ::pipe(to_parent) != 0) ADD_FAILURE() << "pipe";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(to_child[1]);
      ::close(to_parent[0]);
      int code = body(to_child[0], to_parent[1]);
      ::_exit(code);
    }
    ::close(to_child[0]);
    ::close(to_parent[1]);
    write_fd_ = to_child[1];
    read_fd_ = to_parent[0];
  }
  ~Child() {
    ::close(write_fd_);
    ::close(read_fd_);
    if (pid_ > 0) ExitCode();
  }

  // Blocks until the child writes a byte (or exits, giving 0).
  char Receive() {
    char c = 0;
    return ::read(read_fd_, &c, 1) == 1 ? c : 0;
  }
  void Send(char c) { EXPECT_EQ(::write(write_fd_, &c, 1), 1); }
  int ExitCode() {
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
      pid_ = -1;
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    return exit_code_;
  }

 private:
  pid_t pid_ = -1;
  int write_fd_ = -1;
  int read_fd_ = -1;
  int exit_code_ = -1;
};

// ThreadSanitizer cannot follow a lock taken or abandoned in another process
// and reports the parent's later use of it as misuse.
#if defined(__SANITIZE_THREAD__)
#define SKIP_ACROSS_PROCESSES_UNDER_TSAN() \
  GTEST_SKIP() << "ThreadSanitizer does not follow locks across processes"
#else
#define SKIP_ACROSS_PROCESSES_UNDER_TSAN() static_cast<void>(0)
#endif

char ReadByte(int fd) {
  char c = 0;
  return ::read(fd, &c, 1) == 1 ? c : 0;
}
void WriteByte(int fd, char c) {
  if (::write(fd, &c, 1) != 1) ::_exit(99);
}

TEST(NamedMutexTest, OwnerReentersAndMustReleaseAsOften) {
  TempPrefix prefix;
  auto mutex = MustCreate("QV_Reenter");
  ASSERT_TRUE(mutex);
  EXPECT_EQ(mutex->name(), "QV_Reenter");
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  EXPECT_EQ(mutex->Wait(-1), WaitResult::kAcquired);
  EXPECT_EQ(mutex->Wait(100), WaitResult::kAcquired);
  EXPECT_EQ(WaitOnOtherThread(*mutex, 0), WaitResult::kTimeout);
  EXPECT_TRUE(mutex->Release());
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(WaitOnOtherThread(*mutex, 0), WaitResult::kTimeout) << "still held once";
  EXPECT_TRUE(mutex->Release());
  EXPECT_FALSE(mutex->Release()) << "not owned any more";
  EXPECT_EQ(WaitOnOtherThread(*mutex, 0), WaitResult::kAcquired);
}

TEST(NamedMutexTest, ReleaseByANonOwnerFails) {
  TempPrefix prefix;
  auto mutex = MustCreate("QV_NotOwner");
  ASSERT_TRUE(mutex);
  EXPECT_FALSE(mutex->Release());
  ASSERT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  bool released_by_other = true;
  std::thread other([&] { released_by_other = mutex->Release(); });
  other.join();
  EXPECT_FALSE(released_by_other);
  EXPECT_TRUE(mutex->Release());
}

// Two handles of one name in one process are one mutex: the same thread
// re-enters through the second handle, another thread is refused.
TEST(NamedMutexTest, HandlesOfOneNameShareTheMutex) {
  TempPrefix prefix;
  auto first = MustCreate("QV_Shared");
  auto second = MustCreate("QV_Shared");
  ASSERT_TRUE(first && second);
  ASSERT_EQ(first->Wait(0), WaitResult::kAcquired);
  EXPECT_EQ(second->Wait(0), WaitResult::kAcquired);
  EXPECT_EQ(WaitOnOtherThread(*second, 0), WaitResult::kTimeout);
  EXPECT_TRUE(second->Release());
  EXPECT_TRUE(first->Release());
  EXPECT_EQ(WaitOnOtherThread(*second, 0), WaitResult::kAcquired);
}

TEST(NamedMutexTest, PrefixesAndNamesKeepMutexesApart) {
  auto holder_prefix = std::make_unique<TempPrefix>();
  auto held = MustCreate("QV_Apart");
  ASSERT_TRUE(held);
  ASSERT_EQ(held->Wait(0), WaitResult::kAcquired);
  auto other_name = MustCreate("QV_Apart2");
  {
    TempPrefix other_prefix;
    auto same_name = MustCreate("QV_Apart");
    ASSERT_TRUE(same_name && other_name);
    EXPECT_EQ(WaitOnOtherThread(*same_name, 0), WaitResult::kAcquired);
    EXPECT_EQ(WaitOnOtherThread(*other_name, 0), WaitResult::kAcquired);
  }
  EXPECT_TRUE(held->Release());
}

TEST(NamedMutexTest, TimedWaitReturnsOnTime) {
  TempPrefix prefix;
  auto mutex = MustCreate("QV_Timed");
  ASSERT_TRUE(mutex);
  ASSERT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  auto start = steady_clock::now();
  EXPECT_EQ(WaitOnOtherThread(*mutex, 150), WaitResult::kTimeout);
  auto elapsed = steady_clock::now() - start;
  EXPECT_GE(elapsed, milliseconds(150));
  EXPECT_LT(elapsed, milliseconds(3000));
  EXPECT_TRUE(mutex->Release());
}

TEST(NamedMutexTest, WaiterGetsTheMutexWhenTheOwnerReleases) {
  TempPrefix prefix;
  auto mutex = MustCreate("QV_Handover");
  ASSERT_TRUE(mutex);
  ASSERT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  Event waiting(Event::Kind::kManualReset);
  WaitResult result = WaitResult::kFailed;
  std::thread waiter([&] {
    waiting.Set();
    result = mutex->Wait(10000);
    if (result == WaitResult::kAcquired) mutex->Release();
  });
  ASSERT_TRUE(waiting.Wait(5000));
  EXPECT_TRUE(mutex->Release());
  waiter.join();
  EXPECT_EQ(result, WaitResult::kAcquired);
}

TEST(NamedMutexTest, ThreadThatEndsHoldingItLeavesItAbandoned) {
  TempPrefix prefix;
  auto mutex = MustCreate("QV_ThreadDied");
  ASSERT_TRUE(mutex);
  std::thread holder([&] { EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired); });
  holder.join();
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAbandoned);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired) << "consistent again after an abandon";
  EXPECT_TRUE(mutex->Release());
}

// The claim across processes: while a child process holds the mutex the
// parent's zero wait fails and a timed wait times out on time; after the
// child releases, the parent gets it.
TEST(NamedMutexTest, ExcludesAnotherProcess) {
  SKIP_ACROSS_PROCESSES_UNDER_TSAN();
  TempPrefix prefix;
  auto mutex = MustCreate("QV_CrossProcess");
  ASSERT_TRUE(mutex);
  Child child([](int in, int out) {
    std::string error;
    auto own = NamedMutex::Create("QV_CrossProcess", &error);
    if (!own) return 2;
    if (own->Wait(0) != WaitResult::kAcquired) return 3;
    if (own->Wait(0) != WaitResult::kAcquired) return 4;  // re-entry
    WriteByte(out, 'H');
    if (ReadByte(in) != 'R') return 5;
    if (!own->Release() || !own->Release()) return 6;
    WriteByte(out, 'F');
    ReadByte(in);  // stay alive until the parent is done
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'H');
  EXPECT_EQ(mutex->Wait(0), WaitResult::kTimeout);
  auto start = steady_clock::now();
  EXPECT_EQ(mutex->Wait(120), WaitResult::kTimeout);
  auto elapsed = steady_clock::now() - start;
  EXPECT_GE(elapsed, milliseconds(120));
  EXPECT_LT(elapsed, milliseconds(3000));
  child.Send('R');
  ASSERT_EQ(child.Receive(), 'F');
  EXPECT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  EXPECT_TRUE(mutex->Release());
  child.Send('X');
  EXPECT_EQ(child.ExitCode(), 0);
}

TEST(NamedMutexTest, ProcessThatDiesHoldingItLeavesItAbandoned) {
  SKIP_ACROSS_PROCESSES_UNDER_TSAN();
  TempPrefix prefix;
  auto mutex = MustCreate("QV_ProcessDied");
  ASSERT_TRUE(mutex);
  {
    Child child([](int, int out) {
      std::string error;
      auto own = NamedMutex::Create("QV_ProcessDied", &error);
      if (!own || own->Wait(-1) != WaitResult::kAcquired) return 2;
      WriteByte(out, 'H');
      return 0;  // exits holding it
    });
    ASSERT_EQ(child.Receive(), 'H');
    ASSERT_EQ(child.ExitCode(), 0);
  }
  EXPECT_EQ(mutex->Wait(1000), WaitResult::kAbandoned);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(WaitOnOtherThread(*mutex, 0), WaitResult::kAcquired);
}

// A parent blocked in an infinite wait is woken when the holding process
// dies, and is told the mutex was abandoned.
TEST(NamedMutexTest, InfiniteWaiterIsWokenByTheOwnersDeath) {
  SKIP_ACROSS_PROCESSES_UNDER_TSAN();
  TempPrefix prefix;
  auto mutex = MustCreate("QV_WaiterWoken");
  ASSERT_TRUE(mutex);
  Child child([](int in, int out) {
    std::string error;
    auto own = NamedMutex::Create("QV_WaiterWoken", &error);
    if (!own || own->Wait(-1) != WaitResult::kAcquired) return 2;
    WriteByte(out, 'H');
    ReadByte(in);
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'H');
  WaitResult result = WaitResult::kFailed;
  std::thread waiter([&] {
    result = mutex->Wait(-1);
    if (result == WaitResult::kAbandoned) mutex->Release();
  });
  child.Send('D');
  EXPECT_EQ(child.ExitCode(), 0);
  waiter.join();
  EXPECT_EQ(result, WaitResult::kAbandoned);
}

int CountSharedObjects(const std::string& name) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm")) {
    if (entry.path().filename().string().rfind("qvopos-" + name + "-", 0) == 0) ++count;
  }
  return count;
}

// A name no other test run on this machine uses at the same time.
std::string UniqueName(const std::string& base) { return base + std::to_string(::getpid()); }

TEST(NamedMutexTest, LastHandleRemovesTheSharedObject) {
  TempPrefix prefix;
  const std::string name = UniqueName("QV_Cleanup");
  auto count_objects = [&] { return CountSharedObjects(name); };
  ASSERT_EQ(count_objects(), 0);
  auto first = MustCreate(name);
  auto second = MustCreate(name);
  EXPECT_EQ(count_objects(), 1);
  first.reset();
  EXPECT_EQ(count_objects(), 1);
  second.reset();
  EXPECT_EQ(count_objects(), 0);
}

// A forked child that opens and closes the mutex (while inheriting the
// parent's handle) neither takes the parent's claim nor removes the object
// the parent still uses.
TEST(NamedMutexTest, ForkedChildOpeningAndClosingLeavesTheParentsMutexAlone) {
  SKIP_ACROSS_PROCESSES_UNDER_TSAN();
  TempPrefix prefix;
  const std::string name = UniqueName("QV_Forked");
  auto mutex = MustCreate(name);
  ASSERT_TRUE(mutex);
  ASSERT_EQ(mutex->Wait(0), WaitResult::kAcquired);
  Child child([&name](int, int) {
    std::string error;
    for (int i = 0; i < 2; ++i) {
      auto own = NamedMutex::Create(name, &error);
      if (!own) return 2;
      if (own->Wait(0) != WaitResult::kTimeout) return 3;
    }
    return 0;
  });
  EXPECT_EQ(child.ExitCode(), 0);
  EXPECT_EQ(CountSharedObjects(name), 1);
  Child second([&name](int, int) {
    std::string error;
    auto own = NamedMutex::Create(name, &error);
    return own && own->Wait(0) == WaitResult::kTimeout ? 0 : 4;
  });
  EXPECT_EQ(second.ExitCode(), 0) << "a new process still finds the parent's claim";
  EXPECT_TRUE(mutex->Release());
  mutex.reset();
  EXPECT_EQ(CountSharedObjects(name), 0);
}

// A process that dies with the mutex open leaves its object behind; once
// its prefix is gone, the next Create anywhere removes it.
TEST(NamedMutexTest, ObjectsOfVanishedPrefixesAreRemoved) {
  const std::string name = UniqueName("QV_Vanished");
  {
    TempPrefix doomed;
    Child child([&name](int, int) {
      std::string error;
      auto own = NamedMutex::Create(name, &error);
      if (!own) return 2;
      own.release();  // dies without closing, as a crashed process would
      return 0;
    });
    ASSERT_EQ(child.ExitCode(), 0);
    ASSERT_EQ(CountSharedObjects(name), 1);
    // While its prefix exists, the object is left alone.
    auto other = MustCreate(UniqueName("QV_Bystander"));
    EXPECT_EQ(CountSharedObjects(name), 1);
  }
  TempPrefix fresh;
  auto unrelated = MustCreate(UniqueName("QV_Bystander"));
  EXPECT_EQ(CountSharedObjects(name), 0);
}

}  // namespace
}  // namespace qvplatform
