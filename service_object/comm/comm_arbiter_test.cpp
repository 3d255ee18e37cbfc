#include "service_object/comm/comm_arbiter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/base/clock.h"
#include "platform/devices/device_map.h"
#include "service_object/comm/comm_test_util.h"
#include "service_object/comm/status_image.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using commtest::BytesCmd;
using commtest::kWaitMs;
using commtest::RecordingLog;
using commtest::RecordingReceiver;

const std::string kPrinterStatusRequest("\x10\x04\x01", 3);

// A virtual printer on a pseudo-terminal mapped as COM5 in a fresh prefix,
// and an arbiter of its own (not the process one).
class ArbiterSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    StatusByteIndex.store(0);
    ASSERT_EQ(printer_.StartPty(), 0);
    ASSERT_EQ(qvplatform::DefineDosDevice("COM5", printer_.pty_path()), 0);
  }
  void TearDown() override { StatusByteIndex.store(0); }

  void AddSerial(CCommArbiter& arbiter, const std::string& port, CCommData& receiver) {
    arbiter.AddSerialDevice(kInterfaceSerial, port, 9600, 8, 0, 0, 0, receiver);
  }

  TempPrefix prefix_;
  RecordingLog log_;
  qvvp::VirtualPrinter printer_;
  RecordingReceiver printer_receiver_;
  RecordingReceiver drawer_receiver_;
  // Declared last: its channels go before the receivers they call.
  std::unique_ptr<CCommArbiter> arbiter_ = std::make_unique<CCommArbiter>();
};

TEST_F(ArbiterSerialTest, FirstClaimantCreatesTheChannelAndTheSecondSharesIt) {
  AddSerial(*arbiter_, "COM5", printer_receiver_);
  EXPECT_TRUE(arbiter_->HasSerialDevice());
  EXPECT_FALSE(log_.Has("<<< Serial Opened"));
  EXPECT_TRUE(log_.Has("    | ComPort:            COM5", 5));
  EXPECT_TRUE(log_.Has("    | DeviceType:         3", 5));

  // A second device configured for another port name still shares COM5.
  AddSerial(*arbiter_, "COM9", drawer_receiver_);
  EXPECT_EQ(log_.CountText("<<< Serial Opened", 4), 1u);
  EXPECT_EQ(log_.CountText(">>> CSerialComm(2)"), 1u);

  // Status answers reach only the creator's receiver.
  arbiter_->SetCommEnabled(1);
  auto request = BytesCmd(kPrinterStatusRequest);
  ASSERT_TRUE(arbiter_->WriteData(*request));
  ASSERT_TRUE(printer_receiver_.WaitForCount(1));
  EXPECT_EQ(printer_receiver_.Images()[0], std::string("\x16\0\0\0", 4));
  EXPECT_EQ(drawer_receiver_.Count(), 0u);
}

TEST_F(ArbiterSerialTest, ChannelLivesUntilItsRemoveAndThenWritesFail) {
  AddSerial(*arbiter_, "COM5", drawer_receiver_);
  AddSerial(*arbiter_, "COM5", printer_receiver_);
  auto job = BytesCmd("receipt\n");
  EXPECT_TRUE(arbiter_->WriteData(*job));
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(8, kWaitMs));

  arbiter_->RemoveSerialDevice1(kInterfaceSerial);
  EXPECT_FALSE(arbiter_->HasSerialDevice());
  EXPECT_TRUE(log_.Has("<<< ~CSerialComm()"));
  // No channel: nothing goes out, and the caller is told.
  EXPECT_FALSE(arbiter_->WriteData(*job));
  EXPECT_EQ(printer_.engine().bytes_received(), 8u);

  // The next claim creates a fresh channel.
  AddSerial(*arbiter_, "COM5", printer_receiver_);
  EXPECT_TRUE(arbiter_->WriteData(*job));
}

TEST_F(ArbiterSerialTest, StatusByteIndexPlacesEachAnswer) {
  AddSerial(*arbiter_, "COM5", printer_receiver_);
  printer_.engine().SetCoverOpen(true);
  // Each request's answer lands at the position set before sending it; the
  // rest of the image keeps the earlier answers.
  const struct {
    int index;
    char n;
  } requests[] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}};
  for (const auto& r : requests) {
    StatusByteIndex.store(r.index);
    auto cmd = BytesCmd(std::string("\x10\x04", 2) + r.n);
    size_t before = printer_receiver_.Count();
    ASSERT_TRUE(arbiter_->WriteData(*cmd));
    ASSERT_TRUE(printer_receiver_.WaitForCount(before + 1)) << "request " << int(r.n);
  }
  // Printer status 0x12|0x04 (drawer closed)|0x08 (off-line: cover open),
  // off-line cause 0x12|0x04 (cover), no error, paper present.
  EXPECT_EQ(printer_receiver_.Images().back(), std::string("\x1E\x16\x12\x12", 4));
}

TEST_F(ArbiterSerialTest, OutOfRangeIndexDiscardsAnswers) {
  AddSerial(*arbiter_, "COM5", printer_receiver_);
  auto request = BytesCmd(kPrinterStatusRequest);
  for (int index : {4, -1}) {
    StatusByteIndex.store(index);
    uint64_t answers = printer_.engine().status_answers();
    ASSERT_TRUE(arbiter_->WriteData(*request));
    ASSERT_TRUE(printer_.engine().WaitFor(
        [&] { return printer_.engine().status_answers() > answers; }, kWaitMs));
    ASSERT_TRUE(commtest::WaitInputDrained(printer_.pty_path()));
  }
  // The answers were sent and read, but none became an image.
  EXPECT_EQ(printer_receiver_.Count(), 0u);
  // A later in-range answer shows the reader is still alive and the image
  // untouched by the discarded reads.
  StatusByteIndex.store(0);
  ASSERT_TRUE(arbiter_->WriteData(*request));
  ASSERT_TRUE(printer_receiver_.WaitForCount(1));
  EXPECT_EQ(printer_receiver_.Images().back(), std::string("\x16\0\0\0", 4));
}

TEST_F(ArbiterSerialTest, LastStatusIsACopyForTheOtherDevice) {
  EXPECT_EQ(arbiter_->GetLastStatus(), "");
  // The printer creates the channel and stores what it receives; the drawer,
  // which receives nothing directly, replays the stored image.
  struct StoringReceiver : CCommData {
    CCommArbiter* arbiter;
    RecordingReceiver seen;
    void ProcessCommData(const std::string& data) override {
      arbiter->SetLastStatus(data);
      seen.ProcessCommData(data);
    }
  } printer;
  printer.arbiter = arbiter_.get();
  AddSerial(*arbiter_, "COM5", printer);
  AddSerial(*arbiter_, "COM5", drawer_receiver_);
  printer_.engine().SetDrawerOpen(true);
  auto request = BytesCmd(kPrinterStatusRequest);
  ASSERT_TRUE(arbiter_->WriteData(*request));
  ASSERT_TRUE(printer.seen.WaitForCount(1));
  drawer_receiver_.ProcessCommData(arbiter_->GetLastStatus());
  EXPECT_EQ(drawer_receiver_.Images(), std::vector<std::string>{std::string("\x12\0\0\0", 4)});
  arbiter_.reset();  // the channel goes before its receiver
}

TEST_F(ArbiterSerialTest, DestructionCleansUpEveryChannel) {
  AddSerial(*arbiter_, "COM5", printer_receiver_);
  arbiter_.reset();
  const std::vector<std::string> expected = {
      ">>> ~CCommArbiter",  "    | Cleaning up CommDevices...", ">>> ~CSerialComm()",
      "<<< ~CSerialComm()", "    | Cleaning up UsbDevices...",  "<<< ~CCommArbiter"};
  std::vector<std::string> got;
  for (const auto& line : log_.Lines()) {
    for (const std::string& want : expected) {
      if (line.text == want) got.push_back(line.text);
    }
  }
  EXPECT_EQ(got, expected);
}

TEST(ArbiterRoutingTest, IndexSelectsTheWriteAndUnknownIndexesSendNothing) {
  TempPrefix prefix;
  RecordingLog log;
  CCommArbiter arbiter;
  auto cmd = BytesCmd("x");
  // No channel of any kind: every route reports that nothing went out.
  EXPECT_FALSE(WriteCmdByInterface(arbiter, kInterfaceSerial, *cmd));
  EXPECT_TRUE(log.Has(">>> WriteData"));
  EXPECT_FALSE(WriteCmdByInterface(arbiter, kInterfaceUsb, *cmd));
  EXPECT_TRUE(log.Has(">>> WriteUSBData"));
  EXPECT_FALSE(WriteCmdByInterface(arbiter, kInterfaceParallel, *cmd));
  EXPECT_TRUE(log.Has(">>> WriteLPTData"));
  EXPECT_FALSE(WriteCmdByInterface(arbiter, kInterfaceNetwork, *cmd));
  EXPECT_TRUE(log.Has("Warning: ReportChannel is disconnected", 2));
  EXPECT_TRUE(log.Has("Warning: ReportChannel cannot send data", 2));
  for (int index : {4, -1}) {
    log.Clear();
    EXPECT_FALSE(WriteCmdByInterface(arbiter, index, *cmd));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].source, "WriteCmd");
    EXPECT_EQ(log.Lines()[0].text, "WriteCmd Error");
    EXPECT_EQ(log.Lines()[0].level, 2);
  }
}

TEST(ArbiterFailureTest, FailedCreationLeavesTheSlotEmptyAndSaysWhy) {
  TempPrefix prefix;
  RecordingLog log;
  qvplatform::SetTimeScaleForTesting(0.01);
  CCommArbiter arbiter;
  RecordingReceiver receiver;
  // USB and parallel ports that cannot be opened raise CommPortOpenError
  // (the claim reports 107); the slot stays empty.
  EXPECT_THROW(arbiter.AddUsbDevice2(kInterfaceUsb,
                                     "\\\\?\\usb#vid_0fe6&pid_811e#NOPE#"
                                     "{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
                                     receiver),
               CommPortOpenError);
  EXPECT_FALSE(arbiter.HasUsbDevice());
  try {
    arbiter.AddLPTDevice(kInterfaceParallel, "LPT7:", receiver);
    FAIL() << "no error";
  } catch (const CommPortOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to open USB device (Code:2).");
  }
  EXPECT_FALSE(arbiter.HasLPTDevice());
  for (const std::string& value : {std::string(), std::string(33, 'L')}) {
    EXPECT_THROW(arbiter.AddLPTDevice(kInterfaceParallel, value, receiver), CommPortOpenError);
    EXPECT_FALSE(arbiter.HasLPTDevice());
  }
  // A serial port that does not exist still makes a channel, whose writes
  // fail.
  arbiter.AddSerialDevice(kInterfaceSerial, "COM77", 9600, 8, 0, 0, 0, receiver);
  EXPECT_TRUE(arbiter.HasSerialDevice());
  EXPECT_TRUE(log.Has(">>> OpenFail", 2));
  auto cmd = BytesCmd("x");
  EXPECT_FALSE(arbiter.WriteData(*cmd));
  EXPECT_TRUE(log.Has(">>> WriteCmd Failt Open Fial", 4));
}

}  // namespace
