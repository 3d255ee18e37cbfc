#include "platform/net/tcp_socket.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "virtual_printer/virtual_printer.h"

namespace qvplatform {
namespace {

TEST(ResolveTcp4Test, NumericAndUnresolvableNames) {
  std::vector<sockaddr_in> addresses;
  ASSERT_EQ(ResolveTcp4("127.0.0.1", "9100", &addresses), 0);
  ASSERT_EQ(addresses.size(), 1u);
  EXPECT_EQ(DottedAddress(addresses[0]), "127.0.0.1");
  EXPECT_EQ(ntohs(addresses[0].sin_port), 9100);
  EXPECT_NE(ResolveTcp4("no-such-host.invalid", "9100", &addresses), 0);
  EXPECT_TRUE(addresses.empty());
  EXPECT_NE(ResolveTcp4("127.0.0.1", "not-a-port-name", &addresses), 0);
}

class TcpSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(printer_.StartTcp("127.0.0.1", 0), 0);
    std::vector<sockaddr_in> addresses;
    ASSERT_EQ(ResolveTcp4("127.0.0.1", std::to_string(printer_.tcp_port()), &addresses), 0);
    address_ = addresses[0];
  }

  qvvp::VirtualPrinter printer_;
  sockaddr_in address_{};
};

TEST_F(TcpSocketTest, ConnectSendReceive) {
  TcpSocket socket;
  EXPECT_FALSE(socket.IsValid());
  ASSERT_EQ(socket.Connect(address_, 2000), 0);
  EXPECT_TRUE(socket.IsValid());
  EXPECT_GE(socket.handle(), 0);
  const uint8_t request[] = {'h', 'i', 0x10, 0x04, 0x04};
  size_t sent = 0;
  ASSERT_EQ(socket.Send(request, sizeof(request), 2000, &sent), 0);
  EXPECT_EQ(sent, sizeof(request));
  uint8_t answer = 0;
  size_t got = 0;
  ASSERT_EQ(socket.Recv(&answer, 1, 2000, &got), 0);
  EXPECT_EQ(got, 1u);
  EXPECT_EQ(answer, 0x12);
  EXPECT_EQ(socket.Recv(&answer, 1, 20, &got), ETIMEDOUT);
  EXPECT_EQ(socket.Close(), 0);
  EXPECT_FALSE(socket.IsValid());
}

TEST_F(TcpSocketTest, RefusedConnectionLeavesNoSocket) {
  printer_.SetRefuseConnections(true);
  TcpSocket socket;
  EXPECT_EQ(socket.Connect(address_, 2000), ECONNREFUSED);
  EXPECT_FALSE(socket.IsValid());
}

TEST_F(TcpSocketTest, PeerCloseIsAnOrderlyEnd) {
  TcpSocket socket;
  ASSERT_EQ(socket.Connect(address_, 2000), 0);
  ASSERT_TRUE(printer_.engine().WaitFor([&] { return printer_.open_connections() == 1; }, 2000));
  printer_.DropConnections();
  uint8_t byte;
  size_t got = 1;
  int rc = socket.Recv(&byte, 1, 2000, &got);
  EXPECT_TRUE((rc == 0 && got == 0) || rc == ECONNRESET) << rc;
}

TEST_F(TcpSocketTest, ShutdownWakesABlockedReceiveOnAnotherThread) {
  TcpSocket socket;
  ASSERT_EQ(socket.Connect(address_, 2000), 0);
  int rc = -1;
  std::thread reader([&] {
    uint8_t byte;
    size_t got = 0;
    rc = socket.Recv(&byte, 1, 10000, &got);
  });
  auto start = std::chrono::steady_clock::now();
  socket.Shutdown();
  reader.join();
  EXPECT_EQ(rc, ECANCELED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(socket.Connect(address_, 100), ECANCELED);  // final
}

TEST_F(TcpSocketTest, SendToAStalledPrinterFailsWithinItsBound) {
  TcpSocket socket;
  ASSERT_EQ(socket.Connect(address_, 2000), 0);
  printer_.SetStopReading(true);
  std::vector<uint8_t> job(64 << 20, 'x');
  size_t sent = 0;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(socket.Send(job.data(), job.size(), 250, &sent), ETIMEDOUT);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(sent, job.size());
  EXPECT_GE(elapsed, std::chrono::milliseconds(240));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
}

}  // namespace
}  // namespace qvplatform
