// The settings readers of CDevice: one logical device's interface settings
// from the configuration store into the device base's members.
#include <string>

#include "common/reg_names.h"
#include "service_object/core/device.h"
#include "service_object/core/errors.h"
#include "service_object/core/log.h"
#include "service_object/core/opos_reg_key.h"

namespace {

const char kMissingSerialSettings[] =
    "Warning: GetRegSettings: missing settings for Serial Port; will use default values";

std::string DisableOnCloseLine(bool disableOnClose) {
  return std::string("    | DisableOnClose: ") + (disableOnClose ? "1" : "0");
}

}  // namespace

int32_t CDevice::IoTypeIndexOf(const std::string& ioType, int32_t index) {
  if (ioType.find("ENet") != std::string::npos) index = 0;
  if (ioType.find("USB") != std::string::npos) index = 1;
  if (ioType.find("LPT") != std::string::npos) index = 2;
  if (ioType.find("COM") != std::string::npos) index = 3;
  return index;
}

void CDevice::ApplyLogVerbosity(const COposRegKey& key) {
  int32_t level = 0;
  try {
    level = key.GetInfoNumber(qvreg::kLogVerbosity);
  } catch (const QVError&) {
    level = 0;
  }
  TheLog().SetLevel(level);
}

void CDevice::ReadIoType(const COposRegKey& printerKey) {
  try {
    m_ioType = printerKey.GetString(qvreg::kIOType);
    m_ioTypeIndex = IoTypeIndexOf(m_ioType, m_ioTypeIndex);
  } catch (const QVError&) {
    m_ioType = "COM";
    m_ioTypeIndex = 3;
  }
}

void CDevice::ReadInterfaceSettings(const std::string& deviceClass, const std::string& deviceName) {
  switch (m_ioTypeIndex) {
    case 0:
      Trace(5, "    | Ethernet");
      GetRegETHSettings(deviceClass, deviceName);
      break;
    case 1:
      Trace(5, "    | USB");
      GetRegUSBSettings(deviceClass, deviceName);
      break;
    case 2:
      Trace(5, "    | LPT");
      GetRegLPTSettings(deviceClass, deviceName);
      break;
    default:
      Trace(5, "    | : SerialPrinter");
      GetRegComSettings(deviceClass, deviceName);
      break;
  }
}

void CDevice::GetRegETHSettings(const std::string& deviceClass, const std::string& deviceName) {
  BaseTrace(4, ">>> GetRegETHSettings");
  m_clientIP = "127.0.0.1";
  m_clientPort = "9100";
  BaseTrace(5, "    | OPOS Default Settings:");
  BaseTrace(5, "    | Client IP:   " + m_clientIP + ", Port: " + m_clientPort);
  COposRegKey key(deviceClass, deviceName);
  try {
    m_clientIP = key.GetString(qvreg::kEthIPAddr);
  } catch (const QVError&) {
    BaseTrace(2,
              "Warning: GetRegSettings: missing settings for ServerIP/ClientIP; will use default "
              "values");
  }
  BaseTrace(5, "    | OPOS Current Settings:");
  BaseTrace(5, "    | Client IP:   " + m_clientIP + ", Port: " + m_clientPort);
  BaseTrace(4, "<<< GetRegSettings");
}

void CDevice::GetRegComSettings(const std::string& deviceClass, const std::string& deviceName) {
  BaseTrace(4, ">>> GetRegComSettings");
  // Start from the defaults, so that nothing of an earlier open is kept.
  m_serialPort.clear();
  m_baudRate = 19200;
  m_byteSizes = 0;
  m_parity = 0;
  m_stopBits = 0;
  m_flowControl = 0;
  m_disableOnClose = false;
  BaseTrace(5, "    | OPOS Default Settings:");
  BaseTrace(5, DisableOnCloseLine(m_disableOnClose));
  COposRegKey key(deviceClass, deviceName);
  try {
    // Each value is kept as soon as it is read; the first missing one stops
    // the group.
    m_serialPort = key.GetString(qvreg::kSerialPort);
    m_baudRate = key.GetNumber(qvreg::kBaudRate);
    m_byteSizes = key.GetNumber(qvreg::kByteSize);
    m_parity = key.GetNumber(qvreg::kParity);
    m_stopBits = key.GetNumber(qvreg::kStopBits);
    m_flowControl = key.GetNumber(qvreg::kFlowControl);
    BaseTrace(5, "    | Com:   " + m_serialPort + ", m_baudRate: " + NumToString(m_baudRate));
    BaseTrace(5, "    | m_byteSizes:   " + NumToString(m_byteSizes) +
                     ", m_parity: " + NumToString(m_parity));
    BaseTrace(5, "    | m_stopBits:   " + NumToString(m_stopBits) +
                     ", m_flowControl: " + NumToString(m_flowControl));
  } catch (const QVError&) {
    BaseTrace(2, kMissingSerialSettings);
  }
  ReadDisableOnClose(key);
  BaseTrace(5, "    | OPOS Current Settings:");
  BaseTrace(5, DisableOnCloseLine(m_disableOnClose));
  BaseTrace(4, "<<< GetRegSettings");
}

void CDevice::GetRegUSBSettings(const std::string& deviceClass, const std::string& deviceName) {
  BaseTrace(4, ">>> GetRegUSBSettings");
  m_usbPort.clear();
  m_disableOnClose = false;
  BaseTrace(5, "    | OPOS Default Settings:");
  BaseTrace(5, DisableOnCloseLine(m_disableOnClose));
  COposRegKey key(deviceClass, deviceName);
  try {
    m_usbPort = key.GetString(qvreg::kUSBPort);
    BaseTrace(5, "    | USB:   " + m_usbPort);
  } catch (const QVError&) {
    BaseTrace(2, kMissingSerialSettings);
  }
  ReadDisableOnClose(key);
  BaseTrace(5, "    | OPOS Current Settings:");
  BaseTrace(5, DisableOnCloseLine(m_disableOnClose));
  BaseTrace(4, "<<< GetRegUSBSettings");
}

void CDevice::GetRegLPTSettings(const std::string& deviceClass, const std::string& deviceName) {
  BaseTrace(4, ">>> GetRegLPTSettings");
  m_lptPort.clear();
  m_disableOnClose = false;
  BaseTrace(5, "    | OPOS Default Settings:");
  BaseTrace(5, DisableOnCloseLine(m_disableOnClose));
  COposRegKey key(deviceClass, deviceName);
  try {
    m_lptPort = key.GetString(qvreg::kLPTPort);
    BaseTrace(5, "    | LPT:   " + m_lptPort);
  } catch (const QVError&) {
    BaseTrace(2, kMissingSerialSettings);
  }
  ReadDisableOnClose(key);
  BaseTrace(5, "    | OPOS Current Settings:");
  BaseTrace(5, DisableOnCloseLine(m_disableOnClose));
  BaseTrace(4, "<<< GetRegLPTSettings");
}

void CDevice::ReadDisableOnClose(const COposRegKey& key) {
  try {
    m_disableOnClose = key.GetInfoNumber(qvreg::kDisableOnClose) == 1;
  } catch (const QVError&) {
    BaseTrace(
        2, "Warning: GetRegSettings: missing setting for DisableOnClose; will use default value");
  }
}
