#include "service_object/core/device.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service_object/core/capture_log.h"
#include "service_object/core/errors.h"
#include "service_object/printer/esc_cmd.h"

namespace {

using Line = CCaptureLog::Line;

// Exposes the protected parts of the base for the tests.
class TestDevice : public CDevice {
 public:
  TestDevice() : CDevice("QVCOposPrinter") {}
  using CDevice::CompleteMethod;
  using CDevice::DecodeBinary;
  using CDevice::EncodeBinary;
  using CDevice::m_baudRate;
  using CDevice::m_byteSizes;
  using CDevice::m_checkHealthText;
  using CDevice::m_claimMutex;
  using CDevice::m_clientIP;
  using CDevice::m_clientPort;
  using CDevice::m_cmd;
  using CDevice::m_deviceDescription;
  using CDevice::m_deviceName;
  using CDevice::m_disableOnClose;
  using CDevice::m_flags;
  using CDevice::m_flowControl;
  using CDevice::m_ioType;
  using CDevice::m_ioTypeIndex;
  using CDevice::m_lptPort;
  using CDevice::m_modelNumber;
  using CDevice::m_mutexName;
  using CDevice::m_openResult;
  using CDevice::m_parity;
  using CDevice::m_powerNotify;
  using CDevice::m_resultCode;
  using CDevice::m_resultCodeExtended;
  using CDevice::m_serialPort;
  using CDevice::m_state;
  using CDevice::m_stopBits;
  using CDevice::m_usbPort;
  using CDevice::TraceEnter;
  using CDevice::TraceError;
  using CDevice::TraceValue;
  using CDevice::TraceWarning;
};

TEST(DeviceTest, NewObjectIsClosedWithDefaults) {
  TestDevice device;
  EXPECT_EQ(device.m_state, OPOS_S_CLOSED);
  EXPECT_EQ(device.m_resultCode, OPOS_E_CLOSED);
  EXPECT_EQ(device.m_resultCodeExtended, 0);
  EXPECT_EQ(device.m_flags, 0u);
  EXPECT_EQ(device.m_powerNotify, OPOS_PN_DISABLED);
  EXPECT_EQ(device.m_openResult, 0);
  EXPECT_EQ(device.m_ioTypeIndex, 3);
  EXPECT_EQ(device.m_baudRate, 19200);
  EXPECT_EQ(device.m_byteSizes, 0);
  EXPECT_EQ(device.m_parity, 0);
  EXPECT_EQ(device.m_stopBits, 0);
  EXPECT_EQ(device.m_flowControl, 0);
  EXPECT_EQ(device.m_claimMutex, nullptr);
  for (const std::string* text :
       {&device.m_ioType, &device.m_mutexName, &device.m_checkHealthText,
        &device.m_deviceDescription, &device.m_deviceName, &device.m_modelNumber,
        &device.m_serialPort, &device.m_usbPort, &device.m_lptPort}) {
    EXPECT_EQ(*text, "");
  }
  EXPECT_FALSE(device.m_disableOnClose);
  EXPECT_EQ(device.m_clientIP, "127.0.0.1");
  EXPECT_EQ(device.m_clientPort, "9100");
  ASSERT_NE(device.m_cmd, nullptr);
  EXPECT_NE(dynamic_cast<EscCmd*>(device.m_cmd.get()), nullptr);
  EXPECT_EQ(device.m_cmd->Length(), 0);
}

TEST(DeviceTest, FrozenByEitherFreeze) {
  struct Case {
    uint32_t flags;
    bool frozen;
  };
  const Case cases[] = {{0, false},
                        {kFlagOpen | kFlagClaimed | kFlagDeviceEnabled | kFlagDataEventEnabled |
                             kFlagAutoDisable | kFlagAsyncMode | kFlagsBinaryConversion,
                         false},
                        {kFlagFreezeEvents, true},
                        {kFlagControlFreeze, true},
                        {kFlagFreezeEvents | kFlagControlFreeze, true}};
  TestDevice device;
  for (const Case& c : cases) {
    device.m_flags = c.flags;
    EXPECT_EQ(device.IsFrozen(), c.frozen) << "flags " << c.flags;
  }
}

TEST(DeviceTest, InterfaceIndexFromIoType) {
  struct Case {
    const char* ioType;
    int32_t before;
    int32_t after;
  };
  const Case cases[] = {
      {"ENet", 3, 0},     {"USB", 3, 1},     {"LPT", 3, 2},
      {"COM", 0, 3},      {"USB,COM", 3, 3},  // COM is tested after USB: serial
      {"COMUSB", 3, 3},                       // the order of the tests decides, not the position
      {"LPT ENet", 3, 2}, {"usb", 3, 3},     {"enet", 1, 1},
      {"", 2, 2},         {"Serial", 0, 0},  {"xxENetxx", 3, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CDevice::IoTypeIndexOf(c.ioType, c.before), c.after) << c.ioType;
  }
}

TEST(DeviceTest, ResultPatternLines) {
  CCaptureLog log;
  TestDevice device;
  device.m_resultCode = 0;
  int32_t rc = -1;
  device.TraceEnter("ClaimDevice");
  device.TraceValue("Timeout", -1);
  device.TraceValue("DeviceName", "Front Desk");
  device.TraceWarning("Warning: ClaimDevice: refused");
  device.TraceError("Error: OpenService: oops");
  EXPECT_EQ(device.CompleteMethod("ClaimDevice", OPOS_E_CLAIMED, &rc), OPOS_E_CLAIMED);
  EXPECT_EQ(rc, OPOS_E_CLAIMED);
  EXPECT_EQ(device.m_resultCode, OPOS_E_CLAIMED);
  EXPECT_EQ(device.CompleteMethod("CloseService", OPOS_SUCCESS, nullptr), OPOS_SUCCESS);
  EXPECT_EQ(device.m_resultCode, OPOS_SUCCESS);
  const std::vector<Line> expected = {
      {4, "QVCOposPrinter", ">>> ClaimDevice"},
      {5, "QVCOposPrinter", "    | Timeout: -1"},
      {5, "QVCOposPrinter", "    | DeviceName: Front Desk"},
      {2, "QVCOposPrinter", "Warning: ClaimDevice: refused"},
      {1, "QVCOposPrinter", "Error: OpenService: oops"},
      {5, "QVCOposPrinter", "    | pRC: 102"},
      {4, "QVCOposPrinter", "<<< ClaimDevice"},
      {5, "QVCOposPrinter", "    | pRC: 0"},
      {4, "QVCOposPrinter", "<<< CloseService"},
  };
  EXPECT_EQ(log.Lines(), expected);
}

TEST(DeviceTest, BinaryConversionFollowsTheFlagWord) {
  TestDevice device;
  device.m_flags = kFlagOpen | kFlagBinaryNibble;
  EXPECT_EQ(device.EncodeBinary("\x9A"), "9:");
  EXPECT_EQ(device.DecodeBinary("9:"), "\x9A");
  device.m_flags = kFlagOpen | kFlagBinaryDecimal;
  EXPECT_EQ(device.EncodeBinary("\x9A"), "154");
  device.m_flags = kFlagOpen;  // no conversion selected
  EXPECT_EQ(device.DecodeBinary("154"), "154");
}

}  // namespace
