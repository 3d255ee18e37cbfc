#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/registry/registry.h"
#include "service_object/core/capture_log.h"
#include "service_object/core/device.h"
#include "service_object/core/opos_reg_key.h"
#include "test_support/temp_prefix.h"

namespace {

using Line = CCaptureLog::Line;

const char kClass[] = "POSPrinter";
const char kName[] = "Front Desk";
const char kPrinterKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk";
const char kInfoKey[] = "SOFTWARE\\OLEforRetail\\ServiceInfo\\QV";

const char kSerialWarning[] =
    "Warning: GetRegSettings: missing settings for Serial Port; will use default values";
const char kDisableOnCloseWarning[] =
    "Warning: GetRegSettings: missing setting for DisableOnClose; will use default value";

void PutRaw(const std::string& key, const std::string& name, DWORD type, const std::string& bytes) {
  qvplatform::RegKey handle;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_ALL_ACCESS, handle.receive(), nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExA(handle.get(), name.c_str(), type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size())),
      ERROR_SUCCESS);
}

void PutString(const std::string& key, const std::string& name, const std::string& text) {
  PutRaw(key, name, REG_SZ, std::string(text.data(), text.size() + 1));
}

class TestDevice : public CDevice {
 public:
  TestDevice() : CDevice("CCashDrawer") {}
  using CDevice::ApplyLogVerbosity;
  using CDevice::m_baudRate;
  using CDevice::m_byteSizes;
  using CDevice::m_clientIP;
  using CDevice::m_clientPort;
  using CDevice::m_disableOnClose;
  using CDevice::m_flowControl;
  using CDevice::m_ioType;
  using CDevice::m_ioTypeIndex;
  using CDevice::m_lptPort;
  using CDevice::m_parity;
  using CDevice::m_serialPort;
  using CDevice::m_stopBits;
  using CDevice::m_usbPort;
  using CDevice::ReadInterfaceSettings;
  using CDevice::ReadIoType;
};

class DeviceSettingsTest : public ::testing::Test {
 protected:
  // Texts of the captured lines, each prefixed by its level and tag.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Line& line : m_log.Lines()) {
      texts.push_back(std::to_string(line.level) + " " + line.source + " " + line.text);
    }
    return texts;
  }

  void PutSerialGroup() {
    PutString(kPrinterKey, "Serial Port", "COM7");
    PutString(kPrinterKey, "BaudRate", "115200");
    PutString(kPrinterKey, "ByteSize", "8");
    PutString(kPrinterKey, "Parity", "2");
    PutString(kPrinterKey, "StopBits", "1");
    PutString(kPrinterKey, "FlowControl", "1");
  }

  void ExpectSerial(const std::string& port, int32_t baud, int32_t bytes, int32_t parity,
                    int32_t stop, int32_t flow) {
    EXPECT_EQ(m_device.m_serialPort, port);
    EXPECT_EQ(m_device.m_baudRate, baud);
    EXPECT_EQ(m_device.m_byteSizes, bytes);
    EXPECT_EQ(m_device.m_parity, parity);
    EXPECT_EQ(m_device.m_stopBits, stop);
    EXPECT_EQ(m_device.m_flowControl, flow);
  }

  TempPrefix m_prefix;
  CCaptureLog m_log;
  TestDevice m_device;
};

TEST_F(DeviceSettingsTest, EthernetAddressPresent) {
  PutString(kPrinterKey, "EthIPAddr", "192.168.1.80");
  m_device.m_clientPort = "1234";
  m_device.GetRegETHSettings(kClass, kName);
  EXPECT_EQ(m_device.m_clientIP, "192.168.1.80");
  EXPECT_EQ(m_device.m_clientPort, "9100");
  const std::vector<std::string> expected = {
      "4 CDevice >>> GetRegETHSettings",
      "5 CDevice     | OPOS Default Settings:",
      "5 CDevice     | Client IP:   127.0.0.1, Port: 9100",
      "5 CDevice     | OPOS Current Settings:",
      "5 CDevice     | Client IP:   192.168.1.80, Port: 9100",
      "4 CDevice <<< GetRegSettings",
  };
  EXPECT_EQ(Texts(), expected);
}

TEST_F(DeviceSettingsTest, EthernetAddressMissing) {
  PutString(kPrinterKey, "ClientIP", "10.0.0.1");  // declared but never read
  m_device.m_clientIP = "10.9.9.9";
  m_device.GetRegETHSettings(kClass, kName);
  EXPECT_EQ(m_device.m_clientIP, "127.0.0.1");
  const std::vector<std::string> expected = {
      "4 CDevice >>> GetRegETHSettings",
      "5 CDevice     | OPOS Default Settings:",
      "5 CDevice     | Client IP:   127.0.0.1, Port: 9100",
      "2 CDevice Warning: GetRegSettings: missing settings for ServerIP/ClientIP; will use default "
      "values",
      "5 CDevice     | OPOS Current Settings:",
      "5 CDevice     | Client IP:   127.0.0.1, Port: 9100",
      "4 CDevice <<< GetRegSettings",
  };
  EXPECT_EQ(Texts(), expected);
}

TEST_F(DeviceSettingsTest, SerialGroupComplete) {
  PutSerialGroup();
  PutString(kInfoKey, "DisableOnClose", "1");
  m_device.GetRegComSettings(kClass, kName);
  ExpectSerial("COM7", 115200, 8, 2, 1, 1);
  EXPECT_TRUE(m_device.m_disableOnClose);
  const std::vector<std::string> expected = {
      "4 CDevice >>> GetRegComSettings",
      "5 CDevice     | OPOS Default Settings:",
      "5 CDevice     | DisableOnClose: 0",
      "5 CDevice     | Com:   COM7, m_baudRate: 115200",
      "5 CDevice     | m_byteSizes:   8, m_parity: 2",
      "5 CDevice     | m_stopBits:   1, m_flowControl: 1",
      "5 CDevice     | OPOS Current Settings:",
      "5 CDevice     | DisableOnClose: 1",
      "4 CDevice <<< GetRegSettings",
  };
  EXPECT_EQ(Texts(), expected);
}

TEST_F(DeviceSettingsTest, SerialGroupStopsAtTheFirstMissingValue) {
  PutString(kPrinterKey, "Serial Port", "COM3");
  PutString(kPrinterKey, "BaudRate", "9600");
  PutString(kPrinterKey, "Parity", "1");  // after the missing ByteSize: not read
  PutString(kInfoKey, "DisableOnClose", "0");
  m_device.GetRegComSettings(kClass, kName);
  ExpectSerial("COM3", 9600, 0, 0, 0, 0);
  const std::vector<std::string> expected = {
      "4 CDevice >>> GetRegComSettings",        "5 CDevice     | OPOS Default Settings:",
      "5 CDevice     | DisableOnClose: 0",      std::string("2 CDevice ") + kSerialWarning,
      "5 CDevice     | OPOS Current Settings:", "5 CDevice     | DisableOnClose: 0",
      "4 CDevice <<< GetRegSettings",
  };
  EXPECT_EQ(Texts(), expected);
}

TEST_F(DeviceSettingsTest, SerialValueEdgeCases) {
  struct Case {
    const char* what;
    const char* port;      // null: not stored
    const char* baudRate;  // null: not stored
    std::string wantPort;
    int32_t wantBaud;
    int32_t wantByteSize;
    bool warned;
  };
  const Case cases[] = {
      {"empty port, rest still read", "", "38400", "", 38400, 8, false},
      {"baud rate with trailing letters", "COM1", "9600 baud", "COM1", 9600, 8, false},
      // A number that does not parse counts as missing: the group stops there.
      {"baud rate of letters only", "COM1", "fast", "COM1", 19200, 0, true},
      {"baud rate out of range", "COM1", "99999999999", "COM1", 19200, 0, true},
      {"no port at all", nullptr, "9600", "", 19200, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempPrefix prefix;  // a fresh store for each case
    if (c.port) PutString(kPrinterKey, "Serial Port", c.port);
    if (c.baudRate) PutString(kPrinterKey, "BaudRate", c.baudRate);
    PutString(kPrinterKey, "ByteSize", "8");
    PutString(kPrinterKey, "Parity", "0");
    PutString(kPrinterKey, "StopBits", "0");
    PutString(kPrinterKey, "FlowControl", "2");
    m_log.Clear();
    TestDevice device;
    device.GetRegComSettings(kClass, kName);
    EXPECT_EQ(device.m_serialPort, c.wantPort);
    EXPECT_EQ(device.m_baudRate, c.wantBaud);
    EXPECT_EQ(device.m_byteSizes, c.wantByteSize);
    EXPECT_EQ(device.m_flowControl, c.warned ? 0 : 2);
    bool warned = false;
    for (const Line& line : m_log.Lines()) warned |= line.text == kSerialWarning;
    EXPECT_EQ(warned, c.warned);
  }
}

TEST_F(DeviceSettingsTest, SerialPortWithoutNul) {
  PutSerialGroup();
  PutRaw(kPrinterKey, "Serial Port", REG_SZ, "COM1");
  m_device.GetRegComSettings(kClass, kName);
  EXPECT_EQ(m_device.m_serialPort, "COM1");
}

TEST_F(DeviceSettingsTest, DisableOnCloseValues) {
  struct Case {
    const char* stored;  // null: not stored
    bool value;
    bool warned;
  };
  const Case cases[] = {{"1", true, false},    {"2", false, false},  {"0", false, false},
                        {"-1", false, false},  {" 1 ", true, false}, {"true", false, true},
                        {nullptr, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "(missing)");
    TempPrefix prefix;
    PutString(kPrinterKey, "USBPort", "\\\\?\\usb#vid_0fe6&pid_811e#A1#{x}");
    if (c.stored) PutString(kInfoKey, "DisableOnClose", c.stored);
    m_log.Clear();
    TestDevice device;
    device.m_disableOnClose = true;
    device.GetRegUSBSettings(kClass, kName);
    EXPECT_EQ(device.m_disableOnClose, c.value);
    bool warned = false;
    for (const Line& line : m_log.Lines()) warned |= line.text == kDisableOnCloseWarning;
    EXPECT_EQ(warned, c.warned);
  }
}

TEST_F(DeviceSettingsTest, UsbPathPresentAndMissing) {
  const std::string path =
      "\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  PutString(kPrinterKey, "USBPort", path);
  PutString(kInfoKey, "DisableOnClose", "2");
  m_device.GetRegUSBSettings(kClass, kName);
  EXPECT_EQ(m_device.m_usbPort, path);
  std::vector<std::string> expected = {
      "4 CDevice >>> GetRegUSBSettings",        "5 CDevice     | OPOS Default Settings:",
      "5 CDevice     | DisableOnClose: 0",      "5 CDevice     | USB:   " + path,
      "5 CDevice     | OPOS Current Settings:", "5 CDevice     | DisableOnClose: 0",
      "4 CDevice <<< GetRegUSBSettings",
  };
  EXPECT_EQ(Texts(), expected);

  m_log.Clear();
  TestDevice other;
  other.GetRegUSBSettings("POSPrinter", "Nobody");
  EXPECT_EQ(other.m_usbPort, "");
  expected = {
      "4 CDevice >>> GetRegUSBSettings",        "5 CDevice     | OPOS Default Settings:",
      "5 CDevice     | DisableOnClose: 0",      std::string("2 CDevice ") + kSerialWarning,
      "5 CDevice     | OPOS Current Settings:", "5 CDevice     | DisableOnClose: 0",
      "4 CDevice <<< GetRegUSBSettings",
  };
  EXPECT_EQ(Texts(), expected);
}

TEST_F(DeviceSettingsTest, LptPortPresentAndMissing) {
  PutString(kPrinterKey, "LPTPort", "LPT1:");
  m_device.GetRegLPTSettings(kClass, kName);
  EXPECT_EQ(m_device.m_lptPort, "LPT1:");
  const std::vector<std::string> expected = {
      "4 CDevice >>> GetRegLPTSettings",
      "5 CDevice     | OPOS Default Settings:",
      "5 CDevice     | DisableOnClose: 0",
      "5 CDevice     | LPT:   LPT1:",
      std::string("2 CDevice ") + kDisableOnCloseWarning,
      "5 CDevice     | OPOS Current Settings:",
      "5 CDevice     | DisableOnClose: 0",
      "4 CDevice <<< GetRegLPTSettings",
  };
  EXPECT_EQ(Texts(), expected);

  TestDevice other;
  other.m_lptPort = "LPT9:";
  other.GetRegLPTSettings("POSPrinter", "Nobody");
  EXPECT_EQ(other.m_lptPort, "");
}

TEST_F(DeviceSettingsTest, RereadingForgetsAnEarlierOpen) {
  PutSerialGroup();
  m_device.GetRegComSettings(kClass, kName);
  ExpectSerial("COM7", 115200, 8, 2, 1, 1);
  m_device.GetRegComSettings(kClass, "Another Printer");  // no such key
  ExpectSerial("", 19200, 0, 0, 0, 0);
}

TEST_F(DeviceSettingsTest, IoTypeReading) {
  COposRegKey key(kClass, kName);
  m_device.ReadIoType(key);  // no key at all
  EXPECT_EQ(m_device.m_ioType, "COM");
  EXPECT_EQ(m_device.m_ioTypeIndex, 3);

  PutString(kPrinterKey, "IOType", "USB");
  m_device.ReadIoType(key);
  EXPECT_EQ(m_device.m_ioType, "USB");
  EXPECT_EQ(m_device.m_ioTypeIndex, 1);

  PutString(kPrinterKey, "IOType", "Bluetooth");  // none of the names: index kept
  m_device.ReadIoType(key);
  EXPECT_EQ(m_device.m_ioType, "Bluetooth");
  EXPECT_EQ(m_device.m_ioTypeIndex, 1);

  PutString(kPrinterKey, "IOType", "USB COM");
  m_device.ReadIoType(key);
  EXPECT_EQ(m_device.m_ioTypeIndex, 3);
}

TEST_F(DeviceSettingsTest, InterfaceSettingsByIndex) {
  PutString(kPrinterKey, "EthIPAddr", "10.1.2.3");
  PutString(kPrinterKey, "LPTPort", "LPT2:");
  struct Case {
    int32_t index;
    const char* marker;
    const char* firstLine;
  };
  const Case cases[] = {{0, "    | Ethernet", ">>> GetRegETHSettings"},
                        {1, "    | USB", ">>> GetRegUSBSettings"},
                        {2, "    | LPT", ">>> GetRegLPTSettings"},
                        {3, "    | : SerialPrinter", ">>> GetRegComSettings"}};
  for (const Case& c : cases) {
    m_log.Clear();
    m_device.m_ioTypeIndex = c.index;
    m_device.ReadInterfaceSettings(kClass, kName);
    std::vector<Line> lines = m_log.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], (Line{5, "CCashDrawer", c.marker}));
    EXPECT_EQ(lines[1], (Line{4, "CDevice", c.firstLine}));
  }
  EXPECT_EQ(m_device.m_clientIP, "10.1.2.3");
  EXPECT_EQ(m_device.m_lptPort, "LPT2:");
}

TEST_F(DeviceSettingsTest, LogVerbosityBecomesTheTraceLevel) {
  struct Case {
    const char* stored;  // null: not stored
    int32_t level;
  };
  const Case cases[] = {{"4", 4}, {"6", 6}, {"0", 0}, {nullptr, 0}, {"verbose", 0}, {"9", 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "(missing)");
    TempPrefix prefix;
    if (c.stored) PutString(kInfoKey, "LogVerbosity", c.stored);
    m_log.SetLevel(-1);
    TestDevice::ApplyLogVerbosity(COposRegKey(kClass, kName));
    EXPECT_EQ(m_log.Level(), c.level);
  }
}

}  // namespace
