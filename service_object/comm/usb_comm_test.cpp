#include "service_object/comm/usb_comm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/base/clock.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/comm_test_util.h"
#include "service_object/comm/status_image.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"

namespace {

using commtest::BytesCmd;
using commtest::kWaitMs;
using commtest::RecordingLog;
using commtest::RecordingReceiver;

class UsbChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    StatusByteIndex.store(0);
    path_ = printer_.MapAsUsb(0x0fe6, 0x811e, "A1B2");
    ASSERT_FALSE(path_.empty());
  }

  TempPrefix prefix_;
  RecordingLog log_;
  InProcessPrinter printer_;
  RecordingReceiver receiver_;
  std::string path_;
};

TEST_F(UsbChannelTest, PresenceCheckComparesVendorAndProductPieces) {
  EXPECT_EQ(path_.substr(8, 8), "vid_0fe6");
  EXPECT_TRUE(IsUsbPortPresent(path_));
  // The same model under another instance is present too.
  std::string other_instance = path_;
  other_instance.replace(path_.find("A1B2"), 4, "ZZZZ");
  EXPECT_TRUE(IsUsbPortPresent(other_instance));
  const std::string absent[] = {
      "\\\\?\\usb#vid_0fe6&pid_811f#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",  // model
      "\\\\?\\usb#VID_0FE6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",  // case
      "\\\\?\\usb#vid_0fe6&pid_811",  // 24 characters: too short to hold both pieces
      "",
  };
  for (const std::string& value : absent) EXPECT_FALSE(IsUsbPortPresent(value)) << value;
}

TEST_F(UsbChannelTest, TrafficWaitsForTheEnabledFlag) {
  CCommArbiter arbiter;
  arbiter.AddUsbDevice2(kInterfaceUsb, path_, receiver_);
  ASSERT_TRUE(arbiter.HasUsbDevice());
  EXPECT_TRUE(log_.Has("    | Opened USB Port", 5));
  EXPECT_FALSE(log_.Has("<<< Open usb Error"));

  // The read thread traces its start on its own; let that line land before
  // the capture is cleared, so only the write's own lines are compared.
  ASSERT_TRUE(log_.WaitForText(">>> CreateReadThread"));
  auto request = BytesCmd(std::string("\x10\x04\x04", 3));
  log_.Clear();
  EXPECT_FALSE(arbiter.WriteUSBData(*request));
  std::vector<std::string> texts;
  for (const auto& line : log_.Lines()) {
    if (line.source == "CUsbComm") texts.push_back(line.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{">>> WriteCmd", "    | Data: "}));
  EXPECT_EQ(printer_.engine().bytes_received(), 0u);

  arbiter.SetCommEnabled(1);
  StatusByteIndex.store(3);
  printer_.engine().SetPaperEnd(true);
  EXPECT_TRUE(arbiter.WriteUSBData(*request));
  ASSERT_TRUE(receiver_.WaitForCount(1));
  EXPECT_EQ(receiver_.Images()[0], std::string("\0\0\0\x72", 4));
}

TEST_F(UsbChannelTest, DestroyingWithAPendingReadReturns) {
  auto channel = std::make_unique<CUsbComm>(kInterfaceUsb, path_, receiver_);
  channel->EnableComm(1);
  ASSERT_TRUE(channel->IsReading());
  auto start = std::chrono::steady_clock::now();
  channel.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(log_.Has("    - About to exit RunReadThread", 5));
  EXPECT_TRUE(log_.Has("<<< ~CUsbComm", 4));
}

TEST_F(UsbChannelTest, UnpluggedPrinterEndsTheReadThreadAndFailsWrites) {
  CCommArbiter arbiter;
  arbiter.AddUsbDevice2(kInterfaceUsb, path_, receiver_);
  arbiter.SetCommEnabled(1);
  printer_.printer().DropConnections();
  ASSERT_TRUE(log_.WaitForText("Error: RunReadThread: Error while reading data (Code:1167)."));
  auto job = BytesCmd("x");
  EXPECT_FALSE(arbiter.WriteUSBData(*job));
  EXPECT_TRUE(log_.HasPrefix("Error: WriteUSBDataError writing data (Code:"));
}

}  // namespace
