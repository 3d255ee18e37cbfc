#include "service_object/comm/serial_comm.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/base/clock.h"
#include "platform/devices/device_map.h"
#include "platform/devices/serial_port.h"
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
using qvplatform::DCB;

struct SettingsCase {
  const char* what;
  int32_t parity, stopBits, flowControl;
  BYTE wantParity, wantStopBits;
  bool wantCts;
  BYTE wantDtr;
  bool wantXon;
  bool wantReplaced;
};

class LineSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(LineSettingsTest, MapsOntoTheDcb) {
  const SettingsCase& c = GetParam();
  DCB driver;
  driver.fRtsControl = qvplatform::RTS_CONTROL_HANDSHAKE;  // kept as the driver has it
  bool replaced = false;
  DCB dcb = CSerialComm::ApplyLineSettings(driver, 19200, 0x108, c.parity, c.stopBits,
                                           c.flowControl, &replaced);
  EXPECT_EQ(dcb.BaudRate, 19200u) << c.what;
  EXPECT_EQ(dcb.ByteSize, 8) << c.what;  // low byte only
  EXPECT_EQ(dcb.Parity, c.wantParity) << c.what;
  EXPECT_EQ(dcb.StopBits, c.wantStopBits) << c.what;
  EXPECT_EQ(dcb.fOutxCtsFlow, c.wantCts) << c.what;
  EXPECT_EQ(dcb.fDtrControl, c.wantDtr) << c.what;
  EXPECT_EQ(dcb.fOutX, c.wantXon) << c.what;
  EXPECT_EQ(dcb.fInX, c.wantXon) << c.what;
  EXPECT_EQ(dcb.fRtsControl, qvplatform::RTS_CONTROL_HANDSHAKE) << c.what;
  EXPECT_EQ(replaced, c.wantReplaced) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSettingsTest,
    ::testing::Values(
        SettingsCase{"no flow control", 0, 0, 0, 0, 0, false, 0, false, false},
        SettingsCase{"hardware flow", 1, 0, 1, 1, 0, true, 1, false, false},
        SettingsCase{"xon/xoff", 0, 0, 2, 0, 0, false, 0, true, false},
        SettingsCase{"unknown flow acts as none", 0, 0, 5, 0, 0, false, 0, false, false},
        SettingsCase{"even parity, two stop bits", 2, 2, 0, 2, 2, false, 0, false, false},
        SettingsCase{"1.5 stop bits become two", 0, 1, 0, 0, 2, false, 0, false, true}));

// A virtual printer on a pseudo-terminal mapped as COM5.
class SerialChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    StatusByteIndex.store(0);
    ASSERT_EQ(printer_.StartPty(), 0);
    ASSERT_EQ(qvplatform::DefineDosDevice("COM5", printer_.pty_path()), 0);
  }

  TempPrefix prefix_;
  RecordingLog log_;
  qvvp::VirtualPrinter printer_;
  RecordingReceiver receiver_;
};

TEST_F(SerialChannelTest, OpensWithTheLineSettings) {
  CSerialComm channel("\\\\.\\COM5", 38400, 8, 2, 1, 2, receiver_);
  EXPECT_TRUE(channel.IsOpen());
  EXPECT_TRUE(log_.Has(">>> OpenComPort Open success", 5));
  EXPECT_TRUE(log_.Has("    | Target: \\\\.\\COM5", 5));
  EXPECT_TRUE(
      log_.Has("Warning: OpenComPort: 1.5 stop bits are not available; using 2 stop bits", 2));
  // The terminal holds the settings; read them without touching them.
  int fd = ::open(printer_.pty_path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::close(fd);
  EXPECT_EQ(::cfgetospeed(&tio), B38400);
  // (A pseudo-terminal forces 8 data bits without parity, so the parity
  // shows only in the DCB above.)
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_NE(tio.c_iflag & IXON, 0u);
  EXPECT_NE(tio.c_iflag & IXOFF, 0u);
}

TEST_F(SerialChannelTest, WritesReachThePrinterAndSayHowMuch) {
  CSerialComm channel("\\\\.\\COM5", 115200, 8, 0, 0, 0, receiver_);
  // Traffic is not gated by the enabled flag on a serial port.
  auto job = BytesCmd("\x1b@hello\n");
  EXPECT_TRUE(channel.WriteCmd(*job));
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(8, kWaitMs));
  EXPECT_TRUE(log_.Has("    | pCmd->m_cmdLen: 8", 5));
  EXPECT_TRUE(log_.Has("    | WrittenBytes: 8", 5));
  EXPECT_TRUE(channel.WriteString("abc\n"));
  EXPECT_TRUE(log_.Has("    | Write:  abc<LF> Length: 4", 5));
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(12, kWaitMs));
}

TEST_F(SerialChannelTest, StalledPrinterFailsTheWriteWithinItsBound) {
  CCommArbiter arbiter;
  arbiter.AddSerialDevice(kInterfaceSerial, "COM5", 115200, 8, 0, 0, 0, receiver_);
  printer_.SetStopReading(true);
  auto job = BytesCmd(std::string(256 * 1024, 'A'));
  const int64_t bound = WriteBoundMs(256 * 1024, 115200);
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(arbiter.WriteData(*job));
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count();
  EXPECT_GE(elapsed, bound - 5);
  EXPECT_LT(elapsed, bound + 2000);
  EXPECT_TRUE(log_.Has("Error: WriteDataError writing data (Code:1460).", 1));
  // Once the printer reads again, writes pass.
  printer_.SetStopReading(false);
  auto small = BytesCmd("ok\n");
  EXPECT_TRUE(arbiter.WriteData(*small));
}

TEST_F(SerialChannelTest, HangUpDuringAReadEndsTheReadThread) {
  CSerialComm channel("\\\\.\\COM5", 9600, 8, 0, 0, 0, receiver_);
  ASSERT_TRUE(channel.IsReading());
  printer_.DropConnections();
  ASSERT_TRUE(log_.WaitForText("Error: RunReadThread: Error while reading data (Code:1167)"));
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (channel.IsReading() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  EXPECT_FALSE(channel.IsReading());
  // The port is gone: writes report an error instead of success.
  auto job = BytesCmd("x");
  EXPECT_THROW(channel.WriteCmd(*job), SerialCommError);
}

TEST_F(SerialChannelTest, MissingPortLivesOnAndDropsWrites) {
  CSerialComm channel("\\\\.\\COM77", 9600, 8, 0, 0, 0, receiver_);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_TRUE(log_.Has(">>> OpenFail", 2));
  auto job = BytesCmd("x");
  EXPECT_FALSE(channel.WriteCmd(*job));
  EXPECT_TRUE(log_.Has(">>> WriteCmd Failt Open Fial", 4));
  EXPECT_TRUE(log_.Has("    | WrittenBytes: 0", 5));
}

TEST_F(SerialChannelTest, ThreeByteAnswerUpdatesOnlyTheIndexedByte) {
  CSerialComm channel("\\\\.\\COM5", 9600, 8, 0, 0, 0, receiver_);
  StatusByteIndex.store(2);
  // DLE EOT 3 twice and DLE EOT 1: three answers, likely read together; only
  // the first byte of each read is used, at position 2.
  auto requests = BytesCmd(std::string("\x10\x04\x03\x10\x04\x03\x10\x04\x01", 9));
  ASSERT_TRUE(channel.WriteCmd(*requests));
  ASSERT_TRUE(receiver_.WaitForCount(1));
  for (const std::string& image : receiver_.Images()) {
    EXPECT_EQ(image[0], 0);
    EXPECT_EQ(image[1], 0);
    EXPECT_EQ(image[3], 0);
  }
  EXPECT_EQ(receiver_.Images()[0][2], 0x12);
}

TEST(SerialPresenceTest, NamesMustMatchAPresentPortExactly) {
  TempPrefix prefix;
  qvvp::VirtualPrinter first;
  qvvp::VirtualPrinter second;
  ASSERT_EQ(first.StartPty(), 0);
  ASSERT_EQ(second.StartPty(), 0);
  ASSERT_EQ(qvplatform::DefineDosDevice("COM101", first.pty_path()), 0);
  EXPECT_TRUE(IsSerialPortPresent("COM101"));
  EXPECT_FALSE(IsSerialPortPresent("COM103"));
  ASSERT_EQ(qvplatform::DefineDosDevice("COM103", second.pty_path()), 0);
  EXPECT_TRUE(IsSerialPortPresent("COM103"));
  EXPECT_FALSE(IsSerialPortPresent("com103"));
  EXPECT_FALSE(IsSerialPortPresent("COM10"));
}

}  // namespace
