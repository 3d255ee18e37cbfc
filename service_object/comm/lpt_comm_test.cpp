#include "service_object/comm/lpt_comm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/base/clock.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/comm_test_util.h"
#include "service_object/comm/status_image.h"
#include "service_object/core/errors.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"

namespace {

using commtest::BytesCmd;
using commtest::kWaitMs;
using commtest::RecordingLog;
using commtest::RecordingReceiver;

class ParallelChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    StatusByteIndex.store(0);
    ASSERT_EQ(printer_.MapAsParallel("LPT1"), "LPT1:");
  }

  TempPrefix prefix_;
  RecordingLog log_;
  InProcessPrinter printer_;
  RecordingReceiver receiver_;
};

TEST_F(ParallelChannelTest, ConfiguredValueWithColonOpensThePortAndTracesReads) {
  CCommArbiter arbiter;
  arbiter.AddLPTDevice(kInterfaceParallel, "LPT1:", receiver_);
  EXPECT_TRUE(log_.Has("<<< AddLPTDeviceLPT1", 4));
  EXPECT_TRUE(log_.Has("    | Target: LPT1", 5));
  ASSERT_TRUE(arbiter.HasLPTDevice());
  arbiter.SetCommEnabled(1);
  auto request = BytesCmd(std::string("\x10\x04\x01", 3));
  ASSERT_TRUE(arbiter.WriteLPTData(*request));
  ASSERT_TRUE(receiver_.WaitForCount(1));
  EXPECT_EQ(receiver_.Images()[0], std::string("\x16\0\0\0", 4));
  ASSERT_TRUE(log_.WaitForText("    - Port[LPT1]Read: <SYN>"));
}

TEST_F(ParallelChannelTest, ValueWithoutColonLosesItsLastCharacter) {
  CCommArbiter arbiter;
  // "LPT1" opens "LPT", which names no port.
  EXPECT_THROW(arbiter.AddLPTDevice(kInterfaceParallel, "LPT1", receiver_), CommPortOpenError);
  EXPECT_TRUE(log_.Has("<<< AddLPTDeviceLPT", 4));
  EXPECT_FALSE(arbiter.HasLPTDevice());
}

TEST_F(ParallelChannelTest, DisabledWritesSendNothing) {
  CLPTComm channel("LPT1", receiver_);
  auto job = BytesCmd("text\n");
  // The read thread traces its start on its own; let that line land before
  // the capture is cleared, so only the write's own line is compared.
  ASSERT_TRUE(log_.WaitForText("    | About to entered RunReadThread loop"));
  log_.Clear();
  EXPECT_FALSE(channel.WriteCmd(*job));
  ASSERT_EQ(log_.Lines().size(), 1u);
  EXPECT_EQ(log_.Lines()[0].text, ">>> WriteCmd");
  channel.EnableComm(1);
  EXPECT_TRUE(channel.WriteCmd(*job));
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(5, kWaitMs));
  EXPECT_EQ(printer_.engine().bytes_received(), 5u);
  EXPECT_TRUE(log_.Has("    | WrittenBytes: 5", 5));
}

TEST_F(ParallelChannelTest, PortIsOpenedExclusively) {
  CLPTComm first("LPT1", receiver_);
  try {
    CLPTComm second("LPT1", receiver_);
    FAIL() << "second open succeeded";
  } catch (const UsbCommError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to open USB device (Code:32).");
  }
}

TEST_F(ParallelChannelTest, PendingReadNeverKeepsTheChannelAlive) {
  // Enabled and reading a printer that answers nothing: the read is pending
  // when the channel goes, and the destructor still returns at once.
  printer_.engine().SetAnswerNothing(true);
  auto channel = std::make_unique<CLPTComm>("LPT1", receiver_);
  channel->EnableComm(1);
  auto request = BytesCmd(std::string("\x10\x04\x01", 3));
  ASSERT_TRUE(channel->WriteCmd(*request));
  ASSERT_TRUE(
      printer_.engine().WaitFor([&] { return printer_.engine().status_requests() > 0; }, kWaitMs));
  auto start = std::chrono::steady_clock::now();
  channel.reset();
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(2));
  EXPECT_TRUE(log_.Has("<<< ~CLPTComm()"));
  EXPECT_EQ(receiver_.Count(), 0u);
}

}  // namespace
