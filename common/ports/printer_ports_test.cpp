#include "common/ports/printer_ports.h"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/devices/device_map.h"
#include "test_support/temp_prefix.h"

namespace {

using qvplatform::PortInfo2;

TEST(PackPrinterPorts, PutsRecordsAndStringsInOneBlock) {
  std::vector<PortInfo2> ports = {
      {"COM1:", "Local Port", "Serial Port", qvplatform::PORT_TYPE_WRITE},
      {"LPT1:", "Local Port", "Printer Port", qvplatform::PORT_TYPE_WRITE},
      {"FILE:", "Local Port", "Print to File", qvplatform::PORT_TYPE_WRITE},
  };
  int32_t count = -1;
  PORT_INFO_2W* block = qvports::PackPrinterPorts(ports, &count);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(count, 3);
  const auto* begin = reinterpret_cast<const BYTE*>(block);
  const BYTE* end = begin + qvports::PrinterPortsBytes(ports);
  for (int32_t i = 0; i < count; ++i) {
    for (const char16_t* text :
         {block[i].pPortName, block[i].pMonitorName, block[i].pDescription}) {
      const auto* at = reinterpret_cast<const BYTE*>(text);
      EXPECT_GE(at, begin + 3 * sizeof(PORT_INFO_2W));
      EXPECT_LT(at, end);
    }
  }
  EXPECT_EQ(std::u16string(block[1].pPortName), u"LPT1:");
  EXPECT_EQ(std::u16string(block[1].pDescription), u"Printer Port");
  EXPECT_EQ(std::u16string(block[2].pDescription), u"Print to File");
  EXPECT_EQ(block[0].fPortType, qvplatform::PORT_TYPE_WRITE);
  // The last string ends exactly at the end of the block.
  EXPECT_EQ(reinterpret_cast<const BYTE*>(block[2].pDescription + 14), end);
  FreePrinterPorts(block);
}

TEST(PackPrinterPorts, AnEmptyListGivesNullAndCountZero) {
  int32_t count = 7;
  EXPECT_EQ(qvports::PackPrinterPorts({}, &count), nullptr);
  EXPECT_EQ(count, 0);
  FreePrinterPorts(nullptr);
}

TEST(EnumPrinterPorts, ListsMappedPortsAndFile) {
  TempPrefix prefix;
  std::filesystem::path node = prefix.root() / "fake-lp";
  std::ofstream(node).put('\n');
  ASSERT_EQ(qvplatform::DefineDosDevice("LPT7", node), 0);
  ASSERT_EQ(qvplatform::DefineDosDevice("COM58", node), 0);

  int32_t count = 0;
  PORT_INFO_2W* ports = enumPrinterPorts(&count);
  ASSERT_NE(ports, nullptr);
  std::vector<std::u16string> names;
  for (int32_t i = 0; i < count; ++i) names.emplace_back(ports[i].pPortName);
  FreePrinterPorts(ports);
  EXPECT_NE(std::find(names.begin(), names.end(), u"LPT7:"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), u"COM58:"), names.end());
  EXPECT_EQ(names.back(), u"FILE:");
}

}  // namespace
