#include "virtual_printer/virtual_printer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/devices/serial_port.h"
#include "platform/net/tcp_socket.h"

namespace qvvp {
namespace {

using Bytes = std::vector<uint8_t>;
using qvplatform::TcpSocket;

sockaddr_in Address(const std::string& host, uint16_t port) {
  std::vector<sockaddr_in> addresses;
  EXPECT_EQ(qvplatform::ResolveTcp4(host, std::to_string(port), &addresses), 0);
  return addresses.empty() ? sockaddr_in{} : addresses[0];
}

class VirtualPrinterTcpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(printer_.StartTcp("127.0.0.1", 0), 0);
    ASSERT_NE(printer_.tcp_port(), 0);
    ASSERT_EQ(client_.Connect(Address("127.0.0.1", printer_.tcp_port()), 2000), 0);
  }

  void Send(const Bytes& bytes) {
    size_t sent = 0;
    ASSERT_EQ(client_.Send(bytes.data(), bytes.size(), 2000, &sent), 0);
    ASSERT_EQ(sent, bytes.size());
  }

  // Everything that arrives within `timeout_ms` of quiet.
  Bytes Receive(int64_t timeout_ms) {
    Bytes out;
    uint8_t buffer[64];
    size_t got = 0;
    while (client_.Recv(buffer, sizeof(buffer), timeout_ms, &got) == 0 && got > 0) {
      out.insert(out.end(), buffer, buffer + got);
    }
    return out;
  }

  uint8_t RequestStatus(uint8_t n) {
    Send({0x10, 0x04, n});
    uint8_t answer = 0;
    size_t got = 0;
    EXPECT_EQ(client_.Recv(&answer, 1, 2000, &got), 0);
    EXPECT_EQ(got, 1u);
    return answer;
  }

  VirtualPrinter printer_;
  TcpSocket client_;
};

TEST_F(VirtualPrinterTcpTest, AnswersStatusFromStateAndOpensDrawerOnPulse) {
  EXPECT_EQ(RequestStatus(1), 0x16);
  EXPECT_EQ(RequestStatus(4), 0x12);
  printer_.engine().SetPaperEnd(true);
  EXPECT_EQ(RequestStatus(4), 0x72);
  printer_.engine().SetPaperEnd(false);
  printer_.engine().SetCoverOpen(true);
  EXPECT_EQ(RequestStatus(2), 0x16);

  Send({0x1B, 0x70, 0x30, 0x30, 0x30});
  ASSERT_TRUE(
      printer_.engine().WaitFor([&] { return printer_.engine().drawer_kicks() == 1; }, 2000));
  EXPECT_TRUE(printer_.engine().state().drawerOpen);
  EXPECT_EQ(RequestStatus(1) & 0x04, 0);  // pin 3 low: open
  EXPECT_NE(printer_.engine().listing().find("ESC p"), std::string::npos);
  EXPECT_EQ(printer_.engine().status_requests(), 5u);
}

TEST_F(VirtualPrinterTcpTest, StatusBytesInsideDataGetNoAnswer) {
  Bytes raster = {0x1D, 0x76, 0x30, 0x00, 0x03, 0x00, 0x02,
                  0x00, 0x10, 0x04, 0x01, 0x10, 0x04, 0x02};
  Bytes barcode = {0x1D, 0x6B, 0x49, 0x03, 0x10, 0x04, 0x03};
  Bytes request = {0x10, 0x04, 0x04};
  Bytes all = raster;
  all.insert(all.end(), barcode.begin(), barcode.end());
  all.insert(all.end(), request.begin(), request.end());
  Send(all);
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(all.size(), 2000));
  EXPECT_EQ(Receive(200), Bytes{0x12});
  EXPECT_EQ(printer_.engine().status_requests(), 1u);
  EXPECT_EQ(printer_.engine().stream(), all);
}

TEST_F(VirtualPrinterTcpTest, AnswerNothingFault) {
  printer_.engine().SetAnswerNothing(true);
  Send({0x10, 0x04, 0x01});
  ASSERT_TRUE(printer_.engine().WaitForBytesParsed(3, 2000));
  EXPECT_TRUE(Receive(200).empty());
  EXPECT_EQ(printer_.engine().status_requests(), 1u);
  EXPECT_EQ(printer_.engine().status_answers(), 0u);
  printer_.engine().SetAnswerNothing(false);
  EXPECT_EQ(RequestStatus(1), 0x16);
}

TEST_F(VirtualPrinterTcpTest, StopReadingStallsTheWriterUntilItsBound) {
  printer_.SetStopReading(true);
  Bytes job(64 << 20, 'x');  // far more than the socket buffers hold
  size_t sent = 0;
  auto start = std::chrono::steady_clock::now();
  int rc = client_.Send(job.data(), job.size(), 300, &sent);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(rc, ETIMEDOUT);
  EXPECT_LT(sent, job.size());
  EXPECT_GE(elapsed, std::chrono::milliseconds(290));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  printer_.SetStopReading(false);
  EXPECT_TRUE(printer_.engine().WaitForBytesParsed(sent, 10000));
}

TEST_F(VirtualPrinterTcpTest, RefusedConnectionsAndDroppedConnections) {
  ASSERT_TRUE(printer_.engine().WaitFor([&] { return printer_.open_connections() == 1; }, 2000));
  printer_.SetRefuseConnections(true);
  TcpSocket refused;
  EXPECT_EQ(refused.Connect(Address("127.0.0.1", printer_.tcp_port()), 2000), ECONNREFUSED);
  printer_.SetRefuseConnections(false);
  TcpSocket second;
  EXPECT_EQ(second.Connect(Address("127.0.0.1", printer_.tcp_port()), 2000), 0);
  ASSERT_TRUE(printer_.engine().WaitFor([&] { return printer_.open_connections() == 2; }, 2000));
  EXPECT_EQ(printer_.accepted_connections(), 2u);

  printer_.DropConnections();
  EXPECT_EQ(printer_.open_connections(), 0u);
  uint8_t byte;
  size_t got = 1;
  int rc = client_.Recv(&byte, 1, 2000, &got);
  EXPECT_TRUE((rc == 0 && got == 0) || rc == ECONNRESET) << rc;
}

TEST_F(VirtualPrinterTcpTest, DrawerClosesByItselfWhenAsked) {
  printer_.engine().SetDrawerAutoCloseMs(30);
  Send({0x1B, 0x70, 0x30, 0x30, 0x30});
  ASSERT_TRUE(
      printer_.engine().WaitFor([&] { return printer_.engine().drawer_kicks() == 1; }, 2000));
  EXPECT_TRUE(
      printer_.engine().WaitFor([&] { return !printer_.engine().state().drawerOpen; }, 2000));
}

TEST(VirtualPrinterTest, PrintersShareTheStandardPortOnDifferentLoopbackAddresses) {
  std::mt19937 random(
      static_cast<unsigned>(::getpid()) ^
      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::string base =
      "127." + std::to_string(100 + random() % 100) + "." + std::to_string(random() % 250) + ".";
  VirtualPrinter first;
  VirtualPrinter second;
  ASSERT_EQ(first.StartTcp(base + "1"), 0);
  ASSERT_EQ(second.StartTcp(base + "2"), 0);
  EXPECT_EQ(first.tcp_port(), VirtualPrinter::kDefaultPort);
  TcpSocket client;
  ASSERT_EQ(client.Connect(Address(base + "2", VirtualPrinter::kDefaultPort), 2000), 0);
  const uint8_t text[] = {'a', 'b', 'c'};
  ASSERT_EQ(client.Send(text, sizeof(text), 2000, nullptr), 0);
  ASSERT_TRUE(second.engine().WaitForBytesParsed(3, 2000));
  EXPECT_EQ(first.engine().bytes_received(), 0u);
}

class VirtualPrinterPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qvvp-pty-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    link_ = dir_ / "printer";
    ASSERT_EQ(printer_.StartPty(link_), 0);
  }
  void TearDown() override {
    printer_.Stop();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::filesystem::path dir_;
  std::filesystem::path link_;
  VirtualPrinter printer_;
};

TEST_F(VirtualPrinterPtyTest, AnswersThroughTheLinkAndHangsUpOnDrop) {
  EXPECT_EQ(std::filesystem::read_symlink(link_), printer_.pty_path());
  qvplatform::SerialPort port;
  ASSERT_EQ(port.Open(link_, qvplatform::DeviceFile::Share::kExclusive), 0);
  const uint8_t request[] = {0x10, 0x04, 0x02};
  ASSERT_EQ(port.Write(request, sizeof(request), 2000, nullptr), 0);
  uint8_t answer = 0;
  size_t got = 0;
  ASSERT_EQ(port.Read(&answer, 1, 2000, &got), 0);
  EXPECT_EQ(answer, 0x12);

  std::filesystem::path old_path = printer_.pty_path();
  printer_.DropConnections();
  EXPECT_EQ(port.Read(&answer, 1, 2000, &got), EIO);
  port.Close();

  // A new terminal behind the same link.
  EXPECT_NE(printer_.pty_path(), old_path);
  EXPECT_EQ(std::filesystem::read_symlink(link_), printer_.pty_path());
  ASSERT_EQ(port.Open(link_, qvplatform::DeviceFile::Share::kExclusive), 0);
  printer_.engine().SetCoverOpen(true);
  ASSERT_EQ(port.Write(request, sizeof(request), 2000, nullptr), 0);
  ASSERT_EQ(port.Read(&answer, 1, 2000, &got), 0);
  EXPECT_EQ(answer, 0x16);
}

TEST_F(VirtualPrinterPtyTest, StopRemovesTheLink) {
  printer_.Stop();
  EXPECT_FALSE(std::filesystem::is_symlink(link_));
  EXPECT_TRUE(printer_.pty_path().empty());
}

}  // namespace
}  // namespace qvvp
