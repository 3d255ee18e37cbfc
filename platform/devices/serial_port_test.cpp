#include "platform/devices/serial_port.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "virtual_printer/virtual_printer.h"

namespace qvplatform {
namespace {

// A pseudo-terminal with the virtual printer on its master side.
class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(printer_.StartPty(), 0);
    ASSERT_EQ(port_.Open(printer_.pty_path(), DeviceFile::Share::kExclusive), 0);
  }

  qvvp::VirtualPrinter printer_;
  SerialPort port_;
};

struct LineCase {
  const char* what;
  DCB set;
  DCB expected;  // what GetCommState reports afterwards
};

DCB Line(DWORD baud, BYTE size, BYTE parity, BYTE stop, bool cts, BYTE dtr, bool xon) {
  DCB dcb;
  dcb.BaudRate = baud;
  dcb.ByteSize = size;
  dcb.Parity = parity;
  dcb.StopBits = stop;
  dcb.fOutxCtsFlow = cts;
  dcb.fRtsControl = cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  dcb.fDtrControl = dtr;
  dcb.fOutX = xon;
  dcb.fInX = xon;
  return dcb;
}

// The DCB to termios mapping, field by field, both ways.
class DcbMappingTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(DcbMappingTest, MapsOntoTermiosAndBack) {
  const LineCase& c = GetParam();
  termios tio{};
  ASSERT_EQ(ApplyDcbToTermios(c.set, &tio), 0) << c.what;
  DCB got;
  DcbFromTermios(tio, &got);
  EXPECT_EQ(got.BaudRate, c.expected.BaudRate) << c.what;
  EXPECT_EQ(got.ByteSize, c.expected.ByteSize) << c.what;
  EXPECT_EQ(got.Parity, c.expected.Parity) << c.what;
  EXPECT_EQ(got.StopBits, c.expected.StopBits) << c.what;
  EXPECT_EQ(got.fOutxCtsFlow, c.expected.fOutxCtsFlow) << c.what;
  EXPECT_EQ(got.fOutX, c.expected.fOutX) << c.what;
  EXPECT_EQ(got.fInX, c.expected.fInX) << c.what;
}

const LineCase kLines[] = {
    {"9600 8N1 none", Line(9600, 8, NOPARITY, ONESTOPBIT, false, DTR_CONTROL_DISABLE, false),
     Line(9600, 8, NOPARITY, ONESTOPBIT, false, DTR_CONTROL_DISABLE, false)},
    {"19200 8E2 hardware", Line(19200, 8, EVENPARITY, TWOSTOPBITS, true, DTR_CONTROL_ENABLE, false),
     Line(19200, 8, EVENPARITY, TWOSTOPBITS, true, DTR_CONTROL_ENABLE, false)},
    {"38400 7O1 xon/xoff", Line(38400, 7, ODDPARITY, ONESTOPBIT, false, DTR_CONTROL_DISABLE, true),
     Line(38400, 7, ODDPARITY, ONESTOPBIT, false, DTR_CONTROL_DISABLE, true)},
    {"115200 mark", Line(115200, 8, MARKPARITY, ONESTOPBIT, false, DTR_CONTROL_ENABLE, false),
     Line(115200, 8, MARKPARITY, ONESTOPBIT, false, DTR_CONTROL_ENABLE, false)},
    {"115200 space", Line(115200, 5, SPACEPARITY, ONESTOPBIT, false, DTR_CONTROL_ENABLE, false),
     Line(115200, 5, SPACEPARITY, ONESTOPBIT, false, DTR_CONTROL_ENABLE, false)},
    {"1.5 stop bits become 2",
     Line(9600, 8, NOPARITY, ONE5STOPBITS, false, DTR_CONTROL_ENABLE, false),
     Line(9600, 8, NOPARITY, TWOSTOPBITS, false, DTR_CONTROL_ENABLE, false)},
};

INSTANTIATE_TEST_SUITE_P(Lines, DcbMappingTest, ::testing::ValuesIn(kLines));

// On a pseudo-terminal: what the line keeps round-trips through the port.
class SerialLineTest : public SerialPortTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(SerialLineTest, SettingsRoundTripOnAPseudoTerminal) {
  const LineCase& c = GetParam();
  ASSERT_EQ(port_.SetCommState(c.set), 0) << c.what;
  DCB got;
  ASSERT_EQ(port_.GetCommState(&got), 0);
  EXPECT_EQ(got.BaudRate, c.expected.BaudRate) << c.what;
  EXPECT_EQ(got.StopBits, c.expected.StopBits) << c.what;
  EXPECT_EQ(got.fOutxCtsFlow, c.expected.fOutxCtsFlow) << c.what;
  EXPECT_EQ(got.fDtrControl, c.expected.fDtrControl) << c.what;
  EXPECT_EQ(got.fOutX, c.expected.fOutX) << c.what;
  EXPECT_EQ(got.fInX, c.expected.fInX) << c.what;
  // The kernel keeps a pseudo-terminal at 8 data bits without parity.
  EXPECT_EQ(got.ByteSize, 8);
  EXPECT_EQ(got.Parity, NOPARITY);
}

INSTANTIATE_TEST_SUITE_P(Lines, SerialLineTest, ::testing::ValuesIn(kLines));

TEST_F(SerialPortTest, RejectsSettingsTheLineCannotHave) {
  DCB dcb = Line(9600, 8, NOPARITY, ONESTOPBIT, false, DTR_CONTROL_ENABLE, false);
  DCB bad = dcb;
  bad.BaudRate = 12345;
  EXPECT_EQ(port_.SetCommState(bad), EINVAL);
  bad = dcb;
  bad.ByteSize = 9;
  EXPECT_EQ(port_.SetCommState(bad), EINVAL);
  bad = dcb;
  bad.Parity = 5;
  EXPECT_EQ(port_.SetCommState(bad), EINVAL);
  bad = dcb;
  bad.StopBits = 3;
  EXPECT_EQ(port_.SetCommState(bad), EINVAL);
}

TEST_F(SerialPortTest, WritesReachThePrinterAndAnswersComeBack) {
  ASSERT_EQ(
      port_.SetCommState(Line(9600, 8, NOPARITY, ONESTOPBIT, false, DTR_CONTROL_ENABLE, false)), 0);
  // Bytes that a cooked terminal would translate or swallow pass unchanged.
  std::vector<uint8_t> job = {'A', 0x0A, 0x0D, 0x03, 0x11, 0x13, 0x7F, 0x10, 0x04, 0x01};
  size_t written = 0;
  ASSERT_EQ(port_.Write(job.data(), job.size(), 2000, &written), 0);
  EXPECT_EQ(written, job.size());
  uint8_t answer = 0;
  size_t got = 0;
  ASSERT_EQ(port_.Read(&answer, 1, 2000, &got), 0);
  EXPECT_EQ(answer, 0x16);
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(job.size(), 2000));
  EXPECT_EQ(printer_.engine().stream(), job);
}

TEST_F(SerialPortTest, PurgeDiscardsUnreadInput) {
  const uint8_t request[] = {0x10, 0x04, 0x01};
  ASSERT_EQ(port_.Write(request, sizeof(request), 2000, nullptr), 0);
  // Wait (bounded) until the answer sits in the input queue.
  int queued = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (queued == 0 && std::chrono::steady_clock::now() < deadline) {
    pollfd readable = {port_.fd(), POLLIN, 0};
    ::poll(&readable, 1, 100);
    ASSERT_EQ(::ioctl(port_.fd(), FIONREAD, &queued), 0);
  }
  ASSERT_EQ(queued, 1);
  EXPECT_EQ(port_.PurgeComm(PURGE_RXCLEAR | PURGE_TXCLEAR), 0);
  ASSERT_EQ(::ioctl(port_.fd(), FIONREAD, &queued), 0);
  EXPECT_EQ(queued, 0);
  uint8_t byte;
  size_t got = 0;
  EXPECT_EQ(port_.Read(&byte, 1, 50, &got), ETIMEDOUT);
}

TEST_F(SerialPortTest, ReadTimesOutWhenNothingComes) {
  uint8_t byte;
  size_t got = 1;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_.Read(&byte, 1, 50, &got), ETIMEDOUT);
  EXPECT_EQ(got, 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
}

TEST_F(SerialPortTest, SecondExclusiveOpenIsRefused) {
  SerialPort other;
  EXPECT_EQ(other.Open(printer_.pty_path(), DeviceFile::Share::kExclusive), EBUSY);
  port_.Close();
  EXPECT_EQ(other.Open(printer_.pty_path(), DeviceFile::Share::kExclusive), 0);
}

TEST_F(SerialPortTest, MissingNodeIsNotFound) {
  SerialPort other;
  EXPECT_EQ(other.Open("/dev/qv-no-such-port", DeviceFile::Share::kExclusive), ENOENT);
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(SerialPortTest, StalledPrinterMakesTheWriteFailWithinItsBound) {
  printer_.SetStopReading(true);
  std::vector<uint8_t> job(1 << 20, 'x');
  size_t written = 0;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_.Write(job.data(), job.size(), 200, &written), ETIMEDOUT);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(written, job.size());
  EXPECT_GE(elapsed, std::chrono::milliseconds(190));
  EXPECT_LT(elapsed, std::chrono::seconds(3));
}

TEST_F(SerialPortTest, HangUpDuringAReadEndsItWithAnError) {
  int rc = -1;
  std::thread reader([&] {
    uint8_t byte;
    size_t got = 0;
    rc = port_.Read(&byte, 1, 10000, &got);
  });
  // The hang-up may come before or during the read: either way it fails.
  printer_.DropConnections();
  reader.join();
  EXPECT_EQ(rc, EIO);
}

TEST_F(SerialPortTest, CancelIoWakesABlockedReadAndStaysUntilReset) {
  int rc = -1;
  std::thread reader([&] {
    uint8_t byte;
    size_t got = 0;
    rc = port_.Read(&byte, 1, 10000, &got);
  });
  port_.CancelIo();
  reader.join();
  EXPECT_EQ(rc, ECANCELED);
  uint8_t byte;
  size_t got = 0;
  EXPECT_EQ(port_.Read(&byte, 1, 10, &got), ECANCELED);
  port_.ResetCancel();
  EXPECT_EQ(port_.Read(&byte, 1, 10, &got), ETIMEDOUT);
}

}  // namespace
}  // namespace qvplatform
