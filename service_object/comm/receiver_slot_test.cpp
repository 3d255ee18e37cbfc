#include "service_object/comm/receiver_slot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/base/clock.h"
#include "service_object/comm/comm.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/comm_test_util.h"
#include "service_object/comm/socket_client.h"
#include "service_object/comm/status_image.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using commtest::BytesCmd;
using commtest::kWaitMs;
using commtest::RecordingLog;
using commtest::RecordingReceiver;

// A receiver whose ProcessCommData blocks until the test opens its gate, and
// which records calls that arrive after it was marked gone.
class SlowReceiver : public CCommData {
 public:
  void ProcessCommData(const std::string& /*data*/) override {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_gone) ++m_callsAfterGone;
    ++m_entered;
    m_changed.notify_all();
    m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return m_open; });
    ++m_finished;
    m_changed.notify_all();
  }
  bool WaitEntered(int count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs),
                              [&] { return m_entered >= count; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = true;
    m_changed.notify_all();
  }
  // Marks the receiver gone and answers whether every call had finished.
  bool MarkGone() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_gone = true;
    return m_entered == m_finished;
  }
  int CallsAfterGone() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_callsAfterGone;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_open = false;
  bool m_gone = false;
  int m_entered = 0;
  int m_finished = 0;
  int m_callsAfterGone = 0;
};

const std::string kImage("\x16\0\0\0", 4);

TEST(ReceiverSlotTest, DetachWaitsForTheCallInProgressAndNoCallFollows) {
  SlowReceiver receiver;
  CReceiverSlot slot(&receiver);
  std::thread reader([&] { slot.Deliver(kImage); });
  ASSERT_TRUE(receiver.WaitEntered(1));

  std::promise<bool> detached;
  std::future<bool> done = detached.get_future();
  std::thread releaser([&] {
    slot.Detach(receiver);
    detached.set_value(receiver.MarkGone());
  });
  // The call is still blocked in the receiver: Detach must not have returned.
  EXPECT_EQ(done.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  receiver.Open();
  ASSERT_EQ(done.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
  EXPECT_TRUE(done.get()) << "Detach returned while a call was still running";
  releaser.join();
  reader.join();

  slot.Deliver(kImage);
  EXPECT_EQ(receiver.CallsAfterGone(), 0);
  EXPECT_EQ(slot.Active(), nullptr);
}

TEST(ReceiverSlotTest, LaterReceiversTakeOverInOrder) {
  RecordingReceiver first;
  RecordingReceiver second;
  RecordingReceiver third;
  CReceiverSlot slot(&first);
  slot.Attach(second);
  slot.Attach(third);
  slot.Attach(second);  // attaching twice changes nothing
  slot.Deliver(kImage);
  EXPECT_EQ(first.Count(), 1u);
  EXPECT_EQ(second.Count(), 0u);

  slot.Detach(third);  // a waiting receiver leaves without effect on delivery
  slot.Deliver(kImage);
  EXPECT_EQ(first.Count(), 2u);

  slot.Detach(first);
  slot.Deliver(kImage);
  EXPECT_EQ(first.Count(), 2u);
  EXPECT_EQ(second.Count(), 1u);
  EXPECT_EQ(third.Count(), 0u);

  slot.Detach(second);
  slot.Deliver(kImage);
  EXPECT_EQ(second.Count(), 1u);
  EXPECT_EQ(slot.Active(), nullptr);

  slot.Attach(first);  // a device that claims again
  slot.Deliver(kImage);
  EXPECT_EQ(first.Count(), 3u);
}

// A receiver that detaches itself from inside its own call must not wait
// for that call.
class SelfDetachingReceiver : public CCommData {
 public:
  explicit SelfDetachingReceiver(CReceiverSlot& slot) : m_slot(slot) {}
  void ProcessCommData(const std::string&) override {
    ++m_calls;
    m_slot.Detach(*this);
  }
  std::atomic<int> m_calls{0};

 private:
  CReceiverSlot& m_slot;
};

TEST(ReceiverSlotTest, DetachFromInsideTheCallDoesNotWaitForItself) {
  CReceiverSlot slot;
  SelfDetachingReceiver receiver(slot);
  slot.Attach(receiver);
  auto done = std::async(std::launch::async, [&] { slot.Deliver(kImage); });
  ASSERT_EQ(done.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
  slot.Deliver(kImage);
  EXPECT_EQ(receiver.m_calls.load(), 1);
}

bool WaitUntil(const std::function<bool()>& condition, int64_t timeout_ms = kWaitMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

class ArbiterDetachTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    StatusByteIndex.store(0);
  }
  bool StartPrinter(const std::string& address) {
    address_ = address;
    return printer_.StartTcp(address_, 9100) == 0;
  }
  bool WaitConnected() {
    return WaitUntil([&] { return arbiter_.IsReportChannelConnected(); });
  }
  bool SendCoverRequest() {
    auto request = BytesCmd(std::string("\x10\x04\x01", 3));
    return arbiter_.SendReportChannel(*request);
  }

  TempPrefix prefix_;
  RecordingLog log_;
  qvvp::VirtualPrinter printer_;
  std::string address_;
  CCommArbiter arbiter_;
};

// The device that created the network client releases while the other
// device keeps the client: the client's thread now reports to the other one
// and never again to the device that left.
TEST_F(ArbiterDetachTest, SharedClientReportsToTheRemainingDevice) {
  ASSERT_TRUE(StartPrinter("127.77.1.1"));
  auto creator = std::make_unique<RecordingReceiver>();
  RecordingReceiver remaining;
  arbiter_.OpenReportChannel(address_, "9100", *creator);
  arbiter_.OpenReportChannel(address_, "9100", remaining);
  arbiter_.SetCommEnabled(1);
  ASSERT_TRUE(WaitConnected());
  std::shared_ptr<CSocketClient> client = arbiter_.ReportChannelClient();
  ASSERT_NE(client, nullptr);

  printer_.engine().SetCoverOpen(true);
  ASSERT_TRUE(SendCoverRequest());
  ASSERT_TRUE(creator->WaitForCount(1));
  EXPECT_EQ(remaining.Count(), 0u);

  arbiter_.CloseReportChannel();
  arbiter_.DetachReceiver(*creator);
  const size_t creatorCalls = creator->Count();
  creator.reset();  // the device is gone
  EXPECT_EQ(client->ActiveReceiver(), &remaining);

  printer_.engine().SetCoverOpen(false);
  ASSERT_TRUE(SendCoverRequest());
  ASSERT_TRUE(remaining.WaitForCount(1));
  EXPECT_EQ(creatorCalls, 1u);
  arbiter_.CloseReportChannel();
  arbiter_.DetachReceiver(remaining);
}

// Release while the client's thread is inside the device: the release
// returns only after that call ended, and no call follows, although the
// closed client's thread may still be running.
TEST_F(ArbiterDetachTest, ReleaseWaitsForADeliveryInProgress) {
  ASSERT_TRUE(StartPrinter("127.77.1.2"));
  SlowReceiver device;
  arbiter_.OpenReportChannel(address_, "9100", device);
  arbiter_.SetCommEnabled(1);
  ASSERT_TRUE(WaitConnected());
  std::shared_ptr<CSocketClient> client = arbiter_.ReportChannelClient();
  printer_.engine().SetCoverOpen(true);
  ASSERT_TRUE(SendCoverRequest());
  ASSERT_TRUE(device.WaitEntered(1));

  auto released = std::async(std::launch::async, [&] {
    arbiter_.CloseReportChannel();
    arbiter_.DetachReceiver(device);
    return device.MarkGone();
  });
  EXPECT_EQ(released.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  device.Open();
  ASSERT_EQ(released.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
  EXPECT_TRUE(released.get()) << "release returned while the device was still being called";
  ASSERT_TRUE(client->WaitForEnd(kWaitMs));
  EXPECT_EQ(device.CallsAfterGone(), 0);
}

}  // namespace
