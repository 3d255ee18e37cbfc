#include "service_object/comm/socket_client.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/base/clock.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/comm_test_util.h"
#include "service_object/comm/status_image.h"
#include "service_object/comm/write_bound.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using commtest::BytesCmd;
using commtest::kWaitMs;
using commtest::RecordingLog;
using commtest::RecordingReceiver;

const std::string kSleepLine =
    "    - Sleep reconnection thread; waiting for Client Socket connection to start...";

// Open descriptors of this process.
size_t OpenDescriptors() {
  size_t count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (::readdir(dir) != nullptr) ++count;
    ::closedir(dir);
  }
  return count;
}

bool WaitUntil(const std::function<bool()>& condition, int64_t timeout_ms = kWaitMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

class NetworkChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    StatusByteIndex.store(0);
  }

  // Each test listens on a loopback address of its own, so that tests can
  // run in parallel on the standard port.
  void UseAddress(int n) { address_ = "127.77.0." + std::to_string(n); }

  bool StartPrinter() { return printer_.StartTcp(address_, 9100) == 0; }
  bool WaitConnected() {
    return WaitUntil([&] { return arbiter_.IsReportChannelConnected(); });
  }

  TempPrefix prefix_;
  RecordingLog log_;
  qvvp::VirtualPrinter printer_;
  RecordingReceiver receiver_;
  std::string address_;
  // Declared last: its client goes before the receiver it calls.
  CCommArbiter arbiter_;
};

TEST_F(NetworkChannelTest, PrinterOffAtClaimThenSwitchedOn) {
  UseAddress(11);
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  ASSERT_TRUE(log_.WaitForCount(kSleepLine, 2));
  EXPECT_TRUE(log_.Has(kSleepLine, 1));
  auto job = BytesCmd("hello\n");
  EXPECT_FALSE(arbiter_.SendReportChannel(*job));
  EXPECT_TRUE(log_.Has("Warning: ReportChannel is disconnected", 2));
  EXPECT_TRUE(log_.Has("Warning: ReportChannel cannot send data", 2));

  ASSERT_TRUE(StartPrinter());
  ASSERT_TRUE(WaitConnected());
  EXPECT_TRUE(log_.HasPrefix("    - Connected to the sever IP:" + address_ + " Socket["));
  // Connected but not enabled: nothing is sent.
  EXPECT_FALSE(arbiter_.SendReportChannel(*job));
  arbiter_.SetCommEnabled(1);
  EXPECT_TRUE(arbiter_.SendReportChannel(*job));
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(6, kWaitMs));
  EXPECT_EQ(printer_.engine().bytes_received(), 6u);
  arbiter_.CloseReportChannel();
}

TEST_F(NetworkChannelTest, StatusAnswersBecomeImages) {
  UseAddress(12);
  ASSERT_TRUE(StartPrinter());
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  arbiter_.SetCommEnabled(1);
  ASSERT_TRUE(WaitConnected());
  // Two answers may arrive in one receive; only the first byte counts.
  printer_.engine().SetCoverOpen(true);
  auto requests = BytesCmd(std::string("\x10\x04\x01\x10\x04\x02", 6));
  ASSERT_TRUE(arbiter_.SendReportChannel(*requests));
  ASSERT_TRUE(receiver_.WaitForCount(1));
  EXPECT_EQ(receiver_.Images()[0], std::string("\x1E\0\0\0", 4));
  arbiter_.CloseReportChannel();
}

TEST_F(NetworkChannelTest, PrinterClosingTheConnectionLeavesNoDescriptorBehind) {
  UseAddress(13);
  ASSERT_TRUE(StartPrinter());
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  arbiter_.SetCommEnabled(1);
  ASSERT_TRUE(WaitConnected());
  ASSERT_TRUE(printer_.engine().WaitFor([&] { return printer_.open_connections() == 1; }, kWaitMs));
  const size_t before = OpenDescriptors();

  for (uint64_t round = 2; round <= 4; ++round) {
    printer_.DropConnections();
    ASSERT_TRUE(printer_.engine().WaitFor(
        [&] {
          return printer_.accepted_connections() == round && printer_.open_connections() == 1;
        },
        kWaitMs))
        << "round " << round;
    ASSERT_TRUE(WaitConnected());
  }
  EXPECT_GE(log_.CountText("    - Socket Client lost connection; will need to reconnect", 2), 3u);
  // The lost sockets are closed once the thread has moved on to the new one.
  EXPECT_TRUE(WaitUntil([&] { return OpenDescriptors() == before; })) << OpenDescriptors();
  auto job = BytesCmd("after\n");
  EXPECT_TRUE(arbiter_.SendReportChannel(*job));
  arbiter_.CloseReportChannel();
}

TEST_F(NetworkChannelTest, ClaimedButDisabledHoldsOneConnection) {
  UseAddress(14);
  ASSERT_TRUE(StartPrinter());
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  ASSERT_TRUE(WaitConnected());
  // Ten seconds of the specified time (a scaled 100 ms here): no second
  // connection is made and the first is held.
  EXPECT_FALSE(printer_.engine().WaitFor([&] { return printer_.accepted_connections() > 1; },
                                         qvplatform::ScaledMs(10000)));
  EXPECT_EQ(printer_.open_connections(), 1u);
  EXPECT_TRUE(arbiter_.IsReportChannelConnected());
  EXPECT_EQ(receiver_.Count(), 0u);
  EXPECT_FALSE(log_.Has("    - About to write pending messages"));
  arbiter_.CloseReportChannel();
}

TEST_F(NetworkChannelTest, UnresolvableAddressRetriesEverySecond) {
  UseAddress(15);
  arbiter_.OpenReportChannel("printer.invalid", "9100", receiver_);
  ASSERT_TRUE(log_.WaitForCount(kSleepLine, 3));
  EXPECT_TRUE(log_.Has(" Warning: CreateConnection: unable to initialize socket address info", 2));
  EXPECT_FALSE(arbiter_.IsReportChannelConnected());
  arbiter_.CloseReportChannel();
}

TEST_F(NetworkChannelTest, UsersAreCountedAndTheLastCloseEndsTheClient) {
  UseAddress(16);
  ASSERT_TRUE(StartPrinter());
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  RecordingReceiver other;
  arbiter_.OpenReportChannel(address_, "9100", other);
  EXPECT_EQ(arbiter_.ReportChannelUsers(), 2);
  EXPECT_EQ(log_.CountText(">>> Socket()"), 1u);
  ASSERT_TRUE(WaitConnected());
  std::shared_ptr<CSocketClient> client = arbiter_.ReportChannelClient();

  arbiter_.CloseReportChannel();
  EXPECT_TRUE(log_.Has("    | Cannot close Socket Client while it is used by another device", 5));
  EXPECT_TRUE(arbiter_.IsReportChannelConnected());

  arbiter_.CloseReportChannel();
  EXPECT_TRUE(log_.Has("    | Closing Socket Client...", 5));
  EXPECT_FALSE(arbiter_.IsReportChannelConnected());
  EXPECT_EQ(arbiter_.ReportChannelClient(), nullptr);
  ASSERT_TRUE(client->WaitForEnd(kWaitMs));
  EXPECT_TRUE(log_.Has("    - About to end reconnection thread", 5));
  ASSERT_TRUE(printer_.engine().WaitFor([&] { return printer_.open_connections() == 0; }, kWaitMs));
  // A later claim makes a new client.
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  EXPECT_EQ(log_.CountText(">>> Socket()"), 2u);
  EXPECT_NE(arbiter_.ReportChannelClient(), client);
  arbiter_.CloseReportChannel();
}

TEST_F(NetworkChannelTest, CloseWhilePrinterIsOffEndsTheThread) {
  UseAddress(17);
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  std::shared_ptr<CSocketClient> client = arbiter_.ReportChannelClient();
  ASSERT_TRUE(log_.WaitForText(kSleepLine));
  arbiter_.CloseReportChannel();
  EXPECT_TRUE(client->WaitForEnd(kWaitMs));
}

TEST_F(NetworkChannelTest, ArbiterDestructionStopsAClientStillInUse) {
  UseAddress(19);
  ASSERT_TRUE(StartPrinter());
  auto arbiter = std::make_unique<CCommArbiter>();
  arbiter->OpenReportChannel(address_, "9100", receiver_);
  std::shared_ptr<CSocketClient> client = arbiter->ReportChannelClient();
  ASSERT_TRUE(WaitUntil([&] { return arbiter->IsReportChannelConnected(); }));
  // The module unloads while a device still uses the client: its thread
  // must not run on.
  arbiter.reset();
  EXPECT_TRUE(client->HasEnded());
  EXPECT_TRUE(printer_.engine().WaitFor([&] { return printer_.open_connections() == 0; }, kWaitMs));
}

TEST_F(NetworkChannelTest, StalledPrinterFailsTheWriteWithinItsBound) {
  UseAddress(18);
  ASSERT_TRUE(StartPrinter());
  arbiter_.OpenReportChannel(address_, "9100", receiver_);
  arbiter_.SetCommEnabled(1);
  ASSERT_TRUE(WaitConnected());
  printer_.SetStopReading(true);
  // More than the loopback buffers hold; the bound shrinks with the scale.
  const size_t size = 48u << 20;
  qvplatform::SetTimeScaleForTesting(0.0002);
  const int64_t bound = WriteBoundMs(size, 0);
  auto job = BytesCmd(std::string(size, 'B'));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(arbiter_.SendReportChannel(*job));
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count();
  qvplatform::SetTimeScaleForTesting(0.01);
  EXPECT_GE(elapsed, bound - 5);
  EXPECT_LT(elapsed, bound + 2000);
  EXPECT_TRUE(log_.Has("Error: Write: Error writing data (Code:1460).", 1));
  printer_.SetStopReading(false);
  arbiter_.CloseReportChannel();
}

}  // namespace
