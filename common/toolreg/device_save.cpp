#include "common/toolreg/device_save.h"

#include <initializer_list>

#include "common/ports/po_text.h"
#include "common/reg_names.h"
#include "common/toolreg/ldn_list.h"
#include "common/toolreg/opos_tool_reg_key.h"

namespace qvtoolreg {
namespace {

SaveOutcome Refused(std::u16string message) {
  return {SaveStatus::kRefused, std::move(message), 0};
}

SaveOutcome WriteFailed(const char16_t* failure, const std::u16string& reason, LSTATUS status) {
  return {SaveStatus::kWriteFailed, std::u16string(failure) + u": " + reason, status};
}

// Keeps the first failing status of a sequence of writes through one
// accessor, with the accessor's description of it.
class WriteLog {
 public:
  explicit WriteLog(const COposToolRegKey& key) : m_key(key) {}
  void Note(LSTATUS status) { Note(status, m_key.LastFailure()); }
  void Note(LSTATUS status, const std::u16string& reason) {
    if (m_first != ERROR_SUCCESS || status == ERROR_SUCCESS) return;
    m_first = status;
    m_reason = reason;
  }
  SaveOutcome Outcome(const char16_t* success, const char16_t* failure) const {
    if (m_first == ERROR_SUCCESS) return {SaveStatus::kSaved, success, 0};
    return WriteFailed(failure, m_reason, m_first);
  }

 private:
  const COposToolRegKey& m_key;
  LSTATUS m_first = ERROR_SUCCESS;
  std::u16string m_reason;
};

SaveOutcome InvalidLdn(const std::u16string& ldn) {
  return Refused(u"Invalid LDN \"" + ldn + u"\": an LDN cannot contain a backslash");
}

bool IsInterfaceType(const std::u16string& text) {
  for (const char16_t* known : {kIoTypeCom, kIoTypeENet, kIoTypeLpt, kIoTypeUsb}) {
    if (text == known) return true;
  }
  return false;
}

std::u16string SelectPrinterText() {
  char16_t buffer[qvports::kPOTextBufferUnits] = {};
  if (BaseGetPOText("PO_ERR_SELECT_PRINTER_TYPE", buffer) == nullptr) {
    return u"Please Select Printer Type!";
  }
  return buffer;
}

}  // namespace

std::u16string PrinterSelectionRefusal(const std::u16string& ldn,
                                       const std::u16string& interfaceType) {
  if (ldn.empty()) return SelectPrinterText();
  if (!IsInterfaceType(interfaceType)) return u"Please Select Interface Type";
  return {};
}

SaveOutcome SavePrinter(const PrinterSaveRequest& request) {
  std::u16string refusal = PrinterSelectionRefusal(request.ldn, request.interfaceType);
  if (!refusal.empty()) return Refused(std::move(refusal));
  const std::u16string& type = request.interfaceType;
  if (type == kIoTypeCom && request.serial.portName.empty()) {
    return Refused(u"Com de!vice is not attached!");
  }
  if (type == kIoTypeUsb && !request.usbAttached) return Refused(u"USB device is not attached!");
  if (!IsValidLdn(request.ldn)) return InvalidLdn(request.ldn);

  COposToolRegKey key(qvreg::kClassPrinterW, request.ldn);
  WriteLog log(key);
  // A key that does not exist yet is not a failure of the Save.
  LSTATUS deleted = DeletePrinterLDN(request.ldn);
  if (deleted != ERROR_FILE_NOT_FOUND) log.Note(deleted, DescribeRegistryFailure(deleted));
  log.Note(key.CreateAndSetString(qvreg::kIOTypeW, type));
  log.Note(key.CreateAndSetString(qvreg::kModelW, qvreg::kModelValueW));
  if (type == kIoTypeCom) {
    const SerialSettings& serial = request.serial;
    log.Note(key.CreateAndSetString(qvreg::kSerialPortW, serial.portName));
    log.Note(key.SetNumber(qvreg::kBaudRateW, serial.baudRate));
    log.Note(key.SetNumber(qvreg::kByteSizeW, serial.byteSize));
    log.Note(key.SetNumber(qvreg::kParityW, serial.parity));
    log.Note(key.SetNumber(qvreg::kStopBitsW, serial.stopBits));
    log.Note(key.SetNumber(qvreg::kFlowControlW, serial.flowControl));
  } else if (type == kIoTypeLpt) {
    log.Note(key.CreateAndSetString(qvreg::kLPTPortW, request.lptPort));
  } else if (type == kIoTypeUsb) {
    log.Note(key.CreateAndSetString(qvreg::kUSBPortW, request.usbPath));
  } else {
    log.Note(key.CreateAndSetString(qvreg::kEthIPAddrW, request.ipAddress));
  }
  return log.Outcome(u"Config Printer Success", u"Config Printer Failed");
}

SaveOutcome SaveDrawer(const DrawerSaveRequest& request) {
  if (request.ldn.empty() || request.usesPrinter.empty()) return Refused(u"");
  if (!IsValidLdn(request.ldn)) return InvalidLdn(request.ldn);
  COposToolRegKey key(qvreg::kClassDrawerW, request.ldn);
  WriteLog log(key);
  log.Note(key.CreateAndSetString(qvreg::kUsesW, request.usesPrinter));
  if (request.connectPin == 2 || request.connectPin == 5) {
    log.Note(key.SetNumber(qvreg::kConnectPinW, request.connectPin));
  }
  log.Note(key.SetNumber(qvreg::kPulseOffTimeW, request.pulseOffTime));
  log.Note(key.SetNumber(qvreg::kPulseOnTimeW, request.pulseOnTime));
  return log.Outcome(u"Config Drawer Success", u"Config Drawer Failed");
}

SaveOutcome SaveLogLevel(int32_t level) { return SaveLogSettings(level); }

SaveOutcome SaveLogSettings(std::optional<int32_t> level) {
  if (level && (*level < 0 || *level > 6)) return Refused(u"Invalid Param");
  COposToolRegKey key(u"", u"");
  WriteLog log(key);
  if (level) log.Note(key.SetInfoNumber(qvreg::kLogVerbosityW, *level));
  log.Note(key.SetInfoString(qvreg::kPrimaryConfigW, qvreg::kPrimaryConfigValueW));
  return log.Outcome(u"Success", u"Config Log Failed");
}

SaveOutcome DeleteDevice(const std::u16string& deviceClass, const std::u16string& ldn) {
  const LSTATUS status = DeleteOwnLDN(deviceClass, ldn);
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    return {SaveStatus::kSaved, u"Delete Success", 0};
  }
  const std::u16string reason = DescribeRegistryFailure(status);
  return WriteFailed(u"Delete Failed", DeviceKeyPathOf(deviceClass, ldn) + u": " + reason, status);
}

}  // namespace qvtoolreg
