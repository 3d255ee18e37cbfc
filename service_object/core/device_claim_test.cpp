#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sync/event.h"
#include "service_object/core/capture_log.h"
#include "service_object/core/claim.h"
#include "service_object/core/device.h"
#include "service_object/core/errors.h"
#include "test_support/temp_prefix.h"

extern char** environ;

namespace {

using Line = CCaptureLog::Line;

const char kClaimedWarning[] =
    "Warning: ClaimDevice: The device has already been claimed by another application.";
const char kReleasedLine[] = "    | Released the mutex that grants exclusive access.";

class TestDevice : public CDevice {
 public:
  explicit TestDevice(const char* tag = "QVCOposPrinter") : CDevice(tag) {}
  using CDevice::AcquireClaim;
  using CDevice::CloseClaimMutex;
  using CDevice::m_claimMutex;
  using CDevice::m_flags;
  using CDevice::m_mutexName;
  using CDevice::OpenClaimMutex;
  using CDevice::ReleaseClaim;
};

// Another process holding a claim mutex (core_claim_holder): it holds the
// mutex once Start() returns, until Stop() or Kill().
class HolderProcess {
 public:
  ~HolderProcess() {
    if (m_pid > 0) Kill();
  }

  // True once the holder reports that it holds `name`.
  bool Start(const std::string& name) {
    int toChild[2];
    int fromChild[2];
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, toChild[1]);
    posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    std::string path = QV_CLAIM_HOLDER_PATH;
    std::vector<char*> argv = {path.data(), const_cast<char*>(name.c_str()), nullptr};
    int rc = posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    m_stdin = toChild[1];
    if (rc != 0) {
      m_pid = -1;
      ::close(fromChild[0]);
      return false;
    }
    char reply[5] = {};
    size_t got = 0;
    while (got < sizeof reply) {
      ssize_t n = ::read(fromChild[0], reply + got, sizeof reply - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    ::close(fromChild[0]);
    return got == sizeof reply && std::string(reply, 5) == "held\n";
  }

  // Lets the holder release and exit; returns its exit status.
  int Stop() {
    ::close(m_stdin);
    m_stdin = -1;
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Ends the holder while it holds the mutex.
  void Kill() {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    if (m_stdin >= 0) ::close(m_stdin);
    m_stdin = -1;
  }

 private:
  pid_t m_pid = -1;
  int m_stdin = -1;
};

class DeviceClaimTest : public ::testing::Test {
 protected:
  DeviceClaimTest() { ClaimedDeviceCount = 0; }

  int CountOf(const std::string& text) const {
    int count = 0;
    for (const Line& line : m_log.Lines()) count += line.text == text;
    return count;
  }

  TempPrefix m_prefix;
  CCaptureLog m_log;
};

TEST_F(DeviceClaimTest, ClassMutexNames) {
  EXPECT_STREQ(kPrinterClaimMutexName, "QV_OposPrinter");
  EXPECT_STREQ(kCashDrawerClaimMutexName, "CorvanticOposCashDrawer");
}

TEST_F(DeviceClaimTest, ClaimAndReleaseOnOneThread) {
  TestDevice printer;
  printer.OpenClaimMutex(kPrinterClaimMutexName);
  EXPECT_EQ(printer.m_mutexName, "QV_OposPrinter");
  ASSERT_NE(printer.m_claimMutex, nullptr);

  EXPECT_EQ(printer.AcquireClaim(0), OPOS_SUCCESS);
  EXPECT_TRUE(printer.m_flags & kFlagClaimed);
  EXPECT_EQ(ClaimedDeviceCount, 1);

  // A second object of the class on the same thread gets the claim at once:
  // the mutex is owned by the thread.
  TestDevice second;
  second.OpenClaimMutex(kPrinterClaimMutexName);
  EXPECT_EQ(second.AcquireClaim(0), OPOS_SUCCESS);
  EXPECT_EQ(ClaimedDeviceCount, 2);

  EXPECT_FALSE(printer.ReleaseClaim());  // another claim remains
  EXPECT_FALSE(printer.m_flags & kFlagClaimed);
  EXPECT_EQ(ClaimedDeviceCount, 1);
  EXPECT_TRUE(second.ReleaseClaim());  // the last claim of the process
  EXPECT_EQ(ClaimedDeviceCount, 0);
  EXPECT_EQ(CountOf(kReleasedLine), 2);
  EXPECT_EQ(CountOf(kClaimedWarning), 0);
  for (const Line& line : m_log.Lines()) {
    EXPECT_EQ(line, (Line{5, "QVCOposPrinter", kReleasedLine}));
  }
  printer.CloseClaimMutex();
  EXPECT_EQ(printer.m_claimMutex, nullptr);
}

TEST_F(DeviceClaimTest, PrinterAndDrawerClaimsAreIndependent) {
  TestDevice printer;
  TestDevice drawer("CCashDrawer");
  printer.OpenClaimMutex(kPrinterClaimMutexName);
  drawer.OpenClaimMutex(kCashDrawerClaimMutexName);
  HolderProcess holder;
  ASSERT_TRUE(holder.Start(kPrinterClaimMutexName));
  EXPECT_EQ(drawer.AcquireClaim(0), OPOS_SUCCESS);
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_E_CLAIMED);
  EXPECT_EQ(ClaimedDeviceCount, 1);
  EXPECT_TRUE(drawer.ReleaseClaim());
  EXPECT_EQ(holder.Stop(), 0);
}

TEST_F(DeviceClaimTest, HeldByAnotherProcessGives102AtOnce) {
  HolderProcess holder;
  ASSERT_TRUE(holder.Start(kPrinterClaimMutexName));
  TestDevice printer;
  printer.OpenClaimMutex(kPrinterClaimMutexName);

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_E_CLAIMED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(printer.m_flags & kFlagClaimed);
  EXPECT_EQ(ClaimedDeviceCount, 0);
  EXPECT_EQ(m_log.Lines(), (std::vector<Line>{{2, "QVCOposPrinter", kClaimedWarning}}));

  // A bounded wait waits its time, then refuses the same way.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(printer.AcquireClaim(100), OPOS_E_CLAIMED);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
  EXPECT_EQ(ClaimedDeviceCount, 0);

  // Once the other process lets go, the claim succeeds.
  EXPECT_EQ(holder.Stop(), 0);
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_SUCCESS);
  EXPECT_EQ(ClaimedDeviceCount, 1);
  EXPECT_TRUE(printer.ReleaseClaim());
}

TEST_F(DeviceClaimTest, ForeverWaitsForTheOtherProcess) {
  HolderProcess holder;
  ASSERT_TRUE(holder.Start(kPrinterClaimMutexName));
  TestDevice printer;
  printer.OpenClaimMutex(kPrinterClaimMutexName);
  qvplatform::Event waiting(qvplatform::Event::Kind::kManualReset);
  int32_t result = -1;
  std::thread claimer([&] {
    waiting.Set();
    result = printer.AcquireClaim(OPOS_FOREVER);
    printer.ReleaseClaim();  // on the thread that owns it
  });
  ASSERT_TRUE(waiting.Wait(10000));
  EXPECT_EQ(holder.Stop(), 0);
  claimer.join();
  EXPECT_EQ(result, OPOS_SUCCESS);
  EXPECT_EQ(ClaimedDeviceCount, 0);
}

// A holder that died leaves the mutex abandoned: the claim is refused with
// 102 (as for any wait that did not simply acquire it) and nothing stays held,
// so the next claim, here or in another process, succeeds.
TEST_F(DeviceClaimTest, AbandonedByADeadHolderIsRefusedAndNotKept) {
  HolderProcess dying;
  ASSERT_TRUE(dying.Start(kPrinterClaimMutexName));
  dying.Kill();

  TestDevice printer;
  printer.OpenClaimMutex(kPrinterClaimMutexName);
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_E_CLAIMED);
  EXPECT_EQ(ClaimedDeviceCount, 0);
  EXPECT_EQ(CountOf(kClaimedWarning), 1);

  HolderProcess next;
  ASSERT_TRUE(next.Start(kPrinterClaimMutexName));  // would hang if we kept it
  EXPECT_EQ(next.Stop(), 0);
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_SUCCESS);
  EXPECT_TRUE(printer.ReleaseClaim());
}

TEST_F(DeviceClaimTest, ReleaseWithoutAClaimChangesNothing) {
  TestDevice holder;
  holder.OpenClaimMutex(kPrinterClaimMutexName);
  ASSERT_EQ(holder.AcquireClaim(0), OPOS_SUCCESS);
  TestDevice idle;
  idle.OpenClaimMutex(kPrinterClaimMutexName);
  EXPECT_FALSE(idle.ReleaseClaim());
  EXPECT_EQ(ClaimedDeviceCount, 1);
  EXPECT_EQ(CountOf(kReleasedLine), 0);
  // The mutex is still held for the holder: another thread cannot take it
  // (a release on this thread would have let go of the holder's ownership).
  qvplatform::WaitResult otherThread = qvplatform::WaitResult::kAcquired;
  std::thread probe([&] {
    std::string error;
    auto mutex = qvplatform::NamedMutex::Create(kPrinterClaimMutexName, &error);
    otherThread = mutex ? mutex->Wait(0) : qvplatform::WaitResult::kFailed;
    if (otherThread == qvplatform::WaitResult::kAcquired) mutex->Release();
  });
  probe.join();
  EXPECT_EQ(otherThread, qvplatform::WaitResult::kTimeout);
  EXPECT_TRUE(holder.m_flags & kFlagClaimed);
  EXPECT_TRUE(holder.ReleaseClaim());
  EXPECT_EQ(ClaimedDeviceCount, 0);
}

TEST_F(DeviceClaimTest, WithoutAMutexTheClaimIsRefused) {
  TestDevice printer;  // OpenService never created the mutex
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_E_CLAIMED);
  EXPECT_EQ(ClaimedDeviceCount, 0);
  EXPECT_EQ(CountOf(kClaimedWarning), 1);
}

}  // namespace
