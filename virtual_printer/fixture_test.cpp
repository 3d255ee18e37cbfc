// The shared in-process printer fixture: what other parts' tests rely on.
#include "test_support/virtual_printer_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/devices/device_map.h"
#include "platform/devices/serial_port.h"
#include "platform/devices/serial_ports.h"
#include "platform/devices/usb_printers.h"
#include "test_support/temp_prefix.h"

namespace {

uint8_t AskStatus(const std::filesystem::path& node, uint8_t n) {
  qvplatform::SerialPort port;
  EXPECT_EQ(port.Open(node, qvplatform::DeviceFile::Share::kExclusive), 0);
  const uint8_t request[] = {0x10, 0x04, n};
  EXPECT_EQ(port.Write(request, 3, 2000, nullptr), 0);
  uint8_t answer = 0;
  size_t got = 0;
  EXPECT_EQ(port.Read(&answer, 1, 2000, &got), 0);
  return answer;
}

TEST(InProcessPrinterTest, MapsOneTerminalAsSerialParallelAndUsbThatSurviveADrop) {
  TempPrefix prefix;
  InProcessPrinter printer;
  EXPECT_EQ(printer.MapAsSerial("COM7"), "COM7");
  EXPECT_EQ(printer.MapAsParallel("LPT1"), "LPT1:");
  std::string usb = printer.MapAsUsb(0x0FE6, 0x811E, "A1B2");
  EXPECT_EQ(usb, "\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");

  auto com7 = qvplatform::ResolveDevicePath("\\\\.\\COM7");
  ASSERT_TRUE(com7);
  EXPECT_EQ(AskStatus(*com7, 1), 0x16);
  printer.printer().DropConnections();
  printer.engine().SetPaperNearEnd(true);
  auto lpt1 = qvplatform::ResolveDevicePath("LPT1");
  ASSERT_TRUE(lpt1);
  EXPECT_EQ(AskStatus(*lpt1, 4), 0x1E);
  auto usb_node = qvplatform::ResolveDevicePath(usb);
  ASSERT_TRUE(usb_node);
  EXPECT_EQ(AskStatus(*usb_node, 2), 0x12);
  EXPECT_EQ(printer.engine().status_requests(), 3u);
}

TEST(InProcessPrinterTest, TcpPortText) {
  InProcessPrinter printer;
  std::string port = printer.StartTcp("127.0.0.1");
  ASSERT_FALSE(port.empty());
  EXPECT_EQ(port, std::to_string(printer.printer().tcp_port()));
}

}  // namespace
