#include "platform/devices/device_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "platform/base/prefix.h"
#include "platform/devices/parallel_ports.h"
#include "platform/devices/serial_port.h"
#include "platform/devices/serial_ports.h"
#include "platform/devices/spooler_ports.h"
#include "platform/devices/usb_printers.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace qvplatform {
namespace {

TEST(DeviceNamesTest, PortNumbers) {
  EXPECT_EQ(ParsePortNumber("COM7", "COM"), 7);
  EXPECT_EQ(ParsePortNumber("com12", "COM"), 12);
  EXPECT_EQ(ParsePortNumber("LPT1", "LPT"), 1);
  EXPECT_FALSE(ParsePortNumber("LPT1:", "LPT"));
  EXPECT_FALSE(ParsePortNumber("COM", "COM"));
  EXPECT_FALSE(ParsePortNumber("COM0", "COM"));
  EXPECT_FALSE(ParsePortNumber("COMX1", "COM"));
  EXPECT_FALSE(ParsePortNumber("LPT1", "COM"));
}

TEST(DeviceNamesTest, DefaultMappingBothWays) {
  struct Case {
    int com;
    const char* node;
  } cases[] = {{1, "/dev/ttyS0"},
               {32, "/dev/ttyS31"},
               {33, "/dev/ttyUSB0"},
               {65, "/dev/ttyACM0"},
               {96, "/dev/ttyACM31"}};
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultComNode(c.com), std::filesystem::path(c.node)) << c.com;
    EXPECT_EQ(DefaultComNumber(c.node), c.com) << c.node;
  }
  EXPECT_FALSE(DefaultComNode(97));
  EXPECT_FALSE(DefaultComNumber("/dev/ttyS32"));
  EXPECT_FALSE(DefaultComNumber("/dev/pts/3"));
  EXPECT_EQ(DefaultLptNumber("/dev/lp0"), 1);
  EXPECT_EQ(DefaultLptNode(2), std::filesystem::path("/dev/lp1"));
  EXPECT_FALSE(DefaultLptNumber("/dev/usb/lp0"));
}

TEST(DeviceNamesTest, UsbNames) {
  EXPECT_EQ(UsbPrinterLinkName(0x0FE6, 0x811E, "A1B2"), "usb#vid_0fe6&pid_811e#A1B2");
  auto id = ParseUsbDeviceName(
      "\\\\?\\usb#vid_0FE6&pid_811e#5&1a2b&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->vendorId, 0x0FE6);
  EXPECT_EQ(id->productId, 0x811E);
  EXPECT_EQ(id->instance, "5&1a2b&0&1");
  EXPECT_TRUE(ParseUsbDeviceName("usb#vid_0fe6&pid_811e#X"));
  EXPECT_FALSE(ParseUsbDeviceName("usb#vid_0fe6&pid_811e#"));
  EXPECT_FALSE(ParseUsbDeviceName("usb#vid_0fg6&pid_811e#X"));
  EXPECT_FALSE(ParseUsbDeviceName("usb#vid_0fe6"));
  EXPECT_FALSE(ParseUsbDeviceName("hid#vid_0fe6&pid_811e#X"));
}

TEST(DeviceNamesTest, UsbInstanceIsAPlainSerialElseThePortPath) {
  const struct {
    const char* serial;
    const char* expected;
  } cases[] = {
      {"A1B2", "A1B2"},    {"SN-01_a.b:c=d@e+f", "SN-01_a.b:c=d@e+f"},
      {"A1B2   ", "A1B2"},  // padded serials lose their trailing blanks
      {"", "1-1.2"},       {"   ", "1-1.2"},
      {"AB CD", "1-1.2"},  {"X#1", "1-1.2"},
      {"X/1", "1-1.2"},    {"5&1a", "1-1.2"},
  };
  for (const auto& c : cases) EXPECT_EQ(UsbPrinterInstance(c.serial, "1-1.2"), c.expected);

  EXPECT_EQ(StableUsbLinkName(0x0FE6, 0x811E, "A1B2"), "usb-0fe6-811e-A1B2");
  std::optional<UsbDeviceId> id = ParseStableUsbLinkName("usb-0fe6-811e-1-1.2");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->vendorId, 0x0FE6);
  EXPECT_EQ(id->productId, 0x811E);
  EXPECT_EQ(id->instance, "1-1.2");
  EXPECT_FALSE(ParseStableUsbLinkName("usb-0fe6-811e-"));
  EXPECT_FALSE(ParseStableUsbLinkName("usb-0fe6-811x-A1"));
  EXPECT_FALSE(ParseStableUsbLinkName("lp-0fe6-811e-A1"));
}

// A prefix with the virtual printer's pseudo-terminal to map.
class DeviceMapTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(printer_.StartPty(), 0); }

  TempPrefix prefix_;
  qvvp::VirtualPrinter printer_;
};

TEST_F(DeviceMapTest, LinksAreCaseInsensitiveAndReplaceable) {
  EXPECT_TRUE(QueryDosDevices().empty());
  ASSERT_EQ(DefineDosDevice("COM7", printer_.pty_path()), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(DosDevices() / "com7"));
  EXPECT_EQ(QueryDosDevice("Com7"), printer_.pty_path());
  ASSERT_EQ(DefineDosDevice("com7", "/dev/null"), 0);
  ASSERT_EQ(QueryDosDevices().size(), 1u);
  EXPECT_EQ(QueryDosDevice("COM7"), std::filesystem::path("/dev/null"));
  EXPECT_EQ(RemoveDosDevice("COM7"), 0);
  EXPECT_EQ(RemoveDosDevice("COM7"), ENOENT);
  EXPECT_EQ(DefineDosDevice("../escape", "/dev/null"), EINVAL);
}

TEST_F(DeviceMapTest, MappedPseudoTerminalIsASerialPortNamedCOMn) {
  ASSERT_EQ(DefineDosDevice("COM7", printer_.pty_path()), 0);
  ASSERT_EQ(DefineDosDevice("COM9", "/dev/qv-missing-node"), 0);  // absent: not listed
  std::vector<SerialPortInfo> ports = EnumerateSerialPorts();
  auto com7 = std::find_if(ports.begin(), ports.end(),
                           [](const SerialPortInfo& p) { return p.portName == "COM7"; });
  ASSERT_NE(com7, ports.end());
  EXPECT_TRUE(com7->mapped);
  EXPECT_EQ(com7->node, std::filesystem::weakly_canonical(printer_.pty_path()));
  ASSERT_GE(com7->friendlyName.size(), 7u);
  EXPECT_EQ(com7->friendlyName.substr(com7->friendlyName.size() - 7), " (COM7)");
  EXPECT_FALSE(com7->onUsb);
  EXPECT_TRUE(std::none_of(ports.begin(), ports.end(),
                           [](const SerialPortInfo& p) { return p.portName == "COM9"; }));

  // The Windows device path reaches the terminal, and the printer answers.
  std::optional<std::filesystem::path> node = ResolveDevicePath("\\\\.\\COM7");
  ASSERT_TRUE(node);
  SerialPort port;
  ASSERT_EQ(port.Open(*node, DeviceFile::Share::kExclusive), 0);
  const uint8_t request[] = {0x10, 0x04, 0x01};
  ASSERT_EQ(port.Write(request, 3, 2000, nullptr), 0);
  uint8_t answer = 0;
  size_t got = 0;
  ASSERT_EQ(port.Read(&answer, 1, 2000, &got), 0);
  EXPECT_EQ(answer, 0x16);
}

TEST_F(DeviceMapTest, MappedUsbPrinterHasAnInterfacePathThatLeadsBack) {
  ASSERT_EQ(DefineDosDevice(UsbPrinterLinkName(0x0FE6, 0x811E, "A1B2"), printer_.pty_path()), 0);
  std::vector<UsbPrinterInfo> printers = EnumerateUsbPrinters();
  auto it = std::find_if(printers.begin(), printers.end(),
                         [](const UsbPrinterInfo& p) { return p.mapped; });
  ASSERT_NE(it, printers.end());
  const std::string expected =
      "\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  EXPECT_EQ(it->devicePath, expected);
  EXPECT_EQ(it->vendorId, 0x0FE6);
  EXPECT_EQ(it->productId, 0x811E);
  EXPECT_EQ(it->instance, "A1B2");
  // The vendor and product pieces sit at the fixed positions of the path.
  EXPECT_EQ(it->devicePath.substr(8, 8), "vid_0fe6");
  EXPECT_EQ(it->devicePath.substr(17, 8), "pid_811e");
  EXPECT_EQ(ResolveDevicePath(expected), printer_.pty_path());
  std::string upper = "\\\\?\\USB#VID_0FE6&PID_811E#A1B2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
  EXPECT_EQ(ResolveDevicePath(upper), printer_.pty_path());
  EXPECT_FALSE(ResolveDevicePath(
      "\\\\?\\usb#vid_0fe6&pid_0000#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"));
}

// The udev rules' stable links (/dev/qvopos/usb-vvvv-pppp-instance) name a
// printer whatever lp number it has; here the folder is in the prefix and
// the "printers" are pseudo-terminals.
TEST_F(DeviceMapTest, StableUdevLinksFollowThePrinterAcrossReplugging) {
  const std::filesystem::path links = prefix_.root() / "dev-qvopos";
  std::filesystem::create_directory(links);
  SetStableUsbLinkDirectoryForTesting(links);
  const std::filesystem::path link = links / StableUsbLinkName(0x0FE6, 0x811E, "A1B2");
  std::filesystem::create_symlink(printer_.pty_path(), link);
  const std::string path =
      "\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

  std::vector<UsbPrinterInfo> printers = EnumerateUsbPrinters();
  auto it = std::find_if(printers.begin(), printers.end(),
                         [&](const UsbPrinterInfo& p) { return p.devicePath == path; });
  ASSERT_NE(it, printers.end());
  EXPECT_EQ(it->node, link);
  EXPECT_FALSE(it->mapped);
  EXPECT_EQ(ResolveDevicePath(path), link);

  // Re-plugged: udev points the same link at the new node.
  qvvp::VirtualPrinter replugged;
  ASSERT_EQ(replugged.StartPty(), 0);
  std::filesystem::remove(link);
  std::filesystem::create_symlink(replugged.pty_path(), link);
  ASSERT_EQ(ResolveDevicePath(path), link);
  EXPECT_EQ(std::filesystem::canonical(link), std::filesystem::canonical(replugged.pty_path()));

  // A device-map link of the same name wins; an unplugged printer resolves to nothing.
  ASSERT_EQ(DefineDosDevice(UsbPrinterLinkName(0x0FE6, 0x811E, "A1B2"), printer_.pty_path()), 0);
  EXPECT_EQ(ResolveDevicePath(path), printer_.pty_path());
  ASSERT_EQ(RemoveDosDevice(UsbPrinterLinkName(0x0FE6, 0x811E, "A1B2")), 0);
  replugged.Stop();
  std::filesystem::remove(link);
  std::filesystem::create_symlink(prefix_.root() / "gone", link);
  EXPECT_FALSE(ResolveDevicePath(path));
  SetStableUsbLinkDirectoryForTesting({});
}

TEST_F(DeviceMapTest, ParallelPortsAndTheSpoolerList) {
  ASSERT_EQ(DefineDosDevice("LPT2", printer_.pty_path()), 0);
  ASSERT_EQ(DefineDosDevice("COM7", printer_.pty_path()), 0);
  std::vector<ParallelPortInfo> lpts = EnumerateParallelPorts();
  auto lpt2 = std::find_if(lpts.begin(), lpts.end(),
                           [](const ParallelPortInfo& p) { return p.portName == "LPT2"; });
  ASSERT_NE(lpt2, lpts.end());
  EXPECT_TRUE(lpt2->mapped);
  EXPECT_EQ(ResolveDevicePath("LPT2"), printer_.pty_path());
  EXPECT_EQ(ResolveDevicePath("\\\\.\\lpt2"), printer_.pty_path());

  std::vector<PortInfo2> spooler = EnumPorts();
  ASSERT_FALSE(spooler.empty());
  EXPECT_EQ(spooler.back().pPortName, "FILE:");
  auto has = [&](const char* name) {
    return std::any_of(spooler.begin(), spooler.end(),
                       [&](const PortInfo2& p) { return p.pPortName == name; });
  };
  EXPECT_TRUE(has("COM7:"));
  EXPECT_TRUE(has("LPT2:"));
}

TEST_F(DeviceMapTest, UnmappedNamesResolveToNothingOrThemselves) {
  EXPECT_FALSE(ResolveDevicePath("\\\\.\\COM200"));
  EXPECT_FALSE(ResolveDevicePath("LPT250"));
  EXPECT_FALSE(ResolveDevicePath(""));
  EXPECT_EQ(ResolveDevicePath("/dev/ttyUSB9"), std::filesystem::path("/dev/ttyUSB9"));
}

// Whatever this machine has (udev devices, no links): the entries keep the
// forms the callers rely on.
TEST(EnumerationTest, PresentDevicesHaveWellFormedNames) {
  TempPrefix prefix;
  for (const SerialPortInfo& port : EnumerateSerialPorts()) {
    ASSERT_TRUE(ParsePortNumber(port.portName, "COM")) << port.portName;
    std::string tail = " (" + port.portName + ")";
    ASSERT_GE(port.friendlyName.size(), tail.size());
    EXPECT_EQ(port.friendlyName.substr(port.friendlyName.size() - tail.size()), tail);
    EXPECT_EQ(port.devicePath.substr(port.devicePath.size() - 38), kGuidDevInterfaceComPort);
    EXPECT_EQ(ResolveDevicePath(port.portName), port.node);
    EXPECT_FALSE(port.mapped);
  }
  for (const UsbPrinterInfo& printer : EnumerateUsbPrinters()) {
    auto id = ParseUsbDeviceName(printer.devicePath);
    ASSERT_TRUE(id) << printer.devicePath;
    EXPECT_EQ(id->vendorId, printer.vendorId);
    EXPECT_EQ(ResolveDevicePath(printer.devicePath), printer.node);
  }
  for (const ParallelPortInfo& port : EnumerateParallelPorts()) {
    EXPECT_EQ(ResolveDevicePath(port.portName), port.node);
  }
  std::vector<PortInfo2> spooler = EnumPorts();
  ASSERT_FALSE(spooler.empty());
  EXPECT_EQ(spooler.back().pPortName, "FILE:");
}

}  // namespace
}  // namespace qvplatform
