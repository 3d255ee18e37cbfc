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

// Keeps the first failing status of a sequence of writes.
class WriteLog {
 public:
  void Note(LSTATUS status) {
    if (m_first == ERROR_SUCCESS) m_first = status;
  }
  SaveOutcome Outcome(const char16_t* success, const char16_t* failure) const {
    if (m_first == ERROR_SUCCESS) return {SaveStatus::kSaved, success, 0};
    return {SaveStatus::kWriteFailed,
            std::u16string(failure) + u" (registry status " + NumberText(m_first) + u")", m_first};
  }

 private:
  LSTATUS m_first = ERROR_SUCCESS;
};

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

SaveOutcome SavePrinter(const PrinterSaveRequest& request) {
  if (request.ldn.empty()) return Refused(SelectPrinterText());
  if (!IsInterfaceType(request.interfaceType)) return Refused(u"Please Select Interface Type");
  const std::u16string& type = request.interfaceType;
  if (type == kIoTypeCom && request.serial.portName.empty()) {
    return Refused(u"Com de!vice is not attached!");
  }
  if (type == kIoTypeUsb && !request.usbAttached) return Refused(u"USB device is not attached!");

  // A key that does not exist yet is not a failure of the Save.
  LSTATUS deleted = DeletePrinterLDN(request.ldn);
  WriteLog log;
  if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) log.Note(deleted);
  COposToolRegKey key(qvreg::kClassPrinterW, request.ldn);
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
  COposToolRegKey key(qvreg::kClassDrawerW, request.ldn);
  WriteLog log;
  log.Note(key.CreateAndSetString(qvreg::kUsesW, request.usesPrinter));
  if (request.connectPin == 2 || request.connectPin == 5) {
    log.Note(key.SetNumber(qvreg::kConnectPinW, request.connectPin));
  }
  log.Note(key.SetNumber(qvreg::kPulseOffTimeW, request.pulseOffTime));
  log.Note(key.SetNumber(qvreg::kPulseOnTimeW, request.pulseOnTime));
  return log.Outcome(u"Config Drawer Success", u"Config Drawer Failed");
}

SaveOutcome SaveLogLevel(int32_t level) {
  if (level < 0 || level > 6) return Refused(u"Invalid Param");
  COposToolRegKey key(u"", u"");
  WriteLog log;
  log.Note(key.SetInfoNumber(qvreg::kLogVerbosityW, level));
  log.Note(key.SetInfoString(qvreg::kPrimaryConfigW, qvreg::kPrimaryConfigValueW));
  return log.Outcome(u"Success", u"Config Log Failed");
}

}  // namespace qvtoolreg
