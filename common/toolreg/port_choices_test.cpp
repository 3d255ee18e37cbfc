#include "common/toolreg/port_choices.h"

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/devices/device_map.h"
#include "test_support/temp_prefix.h"

namespace {

using namespace qvtoolreg;

TEST(UsbPrinterFilter, WantsAKnownPairInOneCase) {
  struct Case {
    const char16_t* path;
    bool offered;
  };
  const Case cases[] = {
      {u"\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true},
      {u"\\\\?\\USB#VID_0FE6&PID_811E#A1B2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}", true},
      {u"\\\\?\\usb#vid_0fe6&PID_811E#A1B2", false},  // mixed case
      {u"\\\\?\\usb#vid_0fe6&pid_811f#A1B2", false},  // 811F belongs to 0FE7
      {u"\\\\?\\usb#vid_0fe7&pid_811f#A1B2", true},
      {u"\\\\?\\usb#vid_0fe5&pid_811d#1", true},
      {u"\\\\?\\usb#vid_2730&pid_2008#1", true},
      {u"\\\\?\\usb#vid_0fe6&pid_034f#1", true},
      {u"\\\\?\\usb#vid_0a5f&pid_00dc#1", true},
      {u"\\\\?\\usb#vid_04b8&pid_0202#1", false},
      {u"", false},
  };
  for (const Case& c : cases) {
    std::u16string path = c.path;
    EXPECT_EQ(PassesUsbPrinterFilter(path), c.offered) << std::string(path.begin(), path.end());
  }
}

TEST(UsbShortName, TakesSeventeenCharactersAfterTheFirstHash) {
  EXPECT_EQ(UsbShortName(u"\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{x}"), u"vid_0fe6&pid_811e");
  EXPECT_EQ(UsbShortName(u"usb#vid_0fe6"), u"vid_0fe6");
  EXPECT_EQ(UsbShortName(u"no hash"), u"");
}

TEST(IsDottedQuad, FourNumbersUpTo255) {
  for (const char16_t* good : {u"127.0.0.1", u"0.0.0.0", u"255.255.255.255", u"10.20.30.40"}) {
    EXPECT_TRUE(IsDottedQuad(good));
  }
  for (const char16_t* bad :
       {u"", u"1.2.3", u"1.2.3.4.5", u"256.1.1.1", u"1.2.3.", u".1.2.3", u"01.2.3.4", u"1..2.3",
        u"1.2.3.4 ", u"a.b.c.d", u"1234.1.1.1", u"printer.local"}) {
    EXPECT_FALSE(IsDottedQuad(bad)) << std::string(bad, bad + std::u16string(bad).size());
  }
}

TEST(IsValidNetworkPort, From1024To49151Except4000) {
  for (const char16_t* good :
       {u"1024", u"9100", u"3999", u"4001", u"49151", u"01024", u"000009100"}) {
    EXPECT_TRUE(IsValidNetworkPort(good));
  }
  for (const char16_t* bad :
       {u"", u"1023", u"4000", u"49152", u"65535", u"9100 ", u"+9100", u"91a0", u"99999999999"}) {
    EXPECT_FALSE(IsValidNetworkPort(bad));
  }
}

TEST(BaudRates, OnlyTheFourOffered) {
  for (int32_t rate : {9600, 19200, 38400, 115200}) EXPECT_TRUE(IsOfferedBaudRate(rate));
  for (int32_t rate : {0, 4800, 57600, 230400}) EXPECT_FALSE(IsOfferedBaudRate(rate));
}

TEST(PortChoices, ListPortsAttachedThroughTheDeviceMap) {
  TempPrefix prefix;
  std::filesystem::path node = prefix.root() / "fake-node";
  std::ofstream(node).put('\n');
  ASSERT_EQ(qvplatform::DefineDosDevice("COM61", node), 0);
  ASSERT_EQ(qvplatform::DefineDosDevice("LPT6", node), 0);
  ASSERT_EQ(qvplatform::DefineDosDevice("usb#vid_0fe6&pid_811e#QVTEST1", node), 0);
  ASSERT_EQ(qvplatform::DefineDosDevice("usb#vid_0fe6&pid_811f#QVTEST2", node), 0);

  std::vector<std::u16string> serial = SerialPortChoices();
  EXPECT_NE(std::find(serial.begin(), serial.end(), u"COM61"), serial.end());
  std::vector<std::u16string> lpt = LptPortChoices();
  EXPECT_NE(std::find(lpt.begin(), lpt.end(), u"LPT6:"), lpt.end());
  for (const std::u16string& name : lpt) EXPECT_EQ(name.back(), u':');

  bool offered = false;
  for (const UsbPrinterChoice& choice : UsbPrinterChoices()) {
    EXPECT_NE(choice.devicePath.find(u"QVTEST1"), std::u16string::npos)
        << "only the supported pair is offered";
    offered = offered || (choice.shortName == u"vid_0fe6&pid_811e");
  }
  EXPECT_TRUE(offered);
}

}  // namespace
