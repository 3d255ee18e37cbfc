// The configuration tool's Save operations, independent of any window, so
// that the dialogs and the command line write exactly the same values and
// refuse exactly the same requests with the same messages.
//
// Printer Save: refuses, in this order, a request without LDN (the text of
// PO_ERR_SELECT_PRINTER_TYPE), without a known interface type ("Please
// Select Interface Type"), "COM" without a port ("Com de!vice is not
// attached!") and "USB" without a chosen device ("USB device is not
// attached!"). Otherwise it deletes the printer's key and writes IOType,
// Model "80" and the values of the chosen interface only:
//   COM  "Serial Port", then BaudRate, ByteSize, Parity, StopBits, FlowControl
//   LPT  LPTPort      USB  USBPort      ENet  EthIPAddr
//
// Drawer Save: refuses a request without LDN or without printer (no
// message); otherwise writes Uses, ConnectPin (2 or 5; not written for 0),
// PulseOffTime and PulseOnTime into the drawer's key without deleting it.
//
// An LDN with a backslash names no device key (it would name a key below
// another one): both Saves refuse it before writing anything.
//
// Log level: writes LogVerbosity and PrimaryConfig "TORVEX" to the
// service-information key; levels outside 0 to 6 are refused.
//
// Delete: deletes one logical device of ours ("Delete Success"); a device
// that does not exist (never saved) counts as deleted.
//
// A Save or Delete whose registry writes fail is reported as failed, never
// as a success: "Config Printer Failed: " (or Drawer, Log, "Delete Failed: ")
// and why, naming the store file or the key. Any thread.
#ifndef QV_COMMON_TOOLREG_DEVICE_SAVE_H_
#define QV_COMMON_TOOLREG_DEVICE_SAVE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/wintypes.h"

namespace qvtoolreg {

// The interface types as the printer page lists them.
inline constexpr char16_t kIoTypeCom[] = u"COM";
inline constexpr char16_t kIoTypeENet[] = u"ENet";
inline constexpr char16_t kIoTypeLpt[] = u"LPT";
inline constexpr char16_t kIoTypeUsb[] = u"USB";

struct SerialSettings {
  std::u16string portName;  // "COM3"
  int32_t baudRate = 0;     // 9600, 19200, 38400, 115200
  int32_t byteSize = 0;     // 8
  int32_t parity = 0;       // 0 none, 1 odd, 2 even
  int32_t stopBits = 0;     // 0 one, 1 one and a half, 2 two
  int32_t flowControl = 0;  // 0 none, 1 hardware, 2 XON/XOFF
};

struct PrinterSaveRequest {
  std::u16string ldn;
  std::u16string interfaceType;  // kIoTypeCom, kIoTypeENet, kIoTypeLpt or kIoTypeUsb
  SerialSettings serial;
  std::u16string lptPort;    // "LPT1:"
  bool usbAttached = false;  // a USB device was chosen
  std::u16string usbPath;    // its device-interface path
  std::u16string ipAddress;  // "192.168.1.80"
};

struct DrawerSaveRequest {
  std::u16string ldn;
  std::u16string usesPrinter;
  int32_t connectPin = 2;  // 2, 5, or 0 for neither
  int32_t pulseOnTime = 0;
  int32_t pulseOffTime = 0;
};

enum class SaveStatus { kSaved, kRefused, kWriteFailed };

struct SaveOutcome {
  SaveStatus status = SaveStatus::kSaved;
  // The tool's message: the refusal, "Config Printer Success", "Config
  // Drawer Success", or the failure. Empty for the refusals the tool makes
  // without a message.
  std::u16string message;
  LSTATUS registryStatus = 0;  // the first failing write, for kWriteFailed
};

// The first two checks of a printer Save (also made before a port dialog
// opens): the text of PO_ERR_SELECT_PRINTER_TYPE without LDN, "Please Select
// Interface Type" without a known interface type; empty when both pass.
std::u16string PrinterSelectionRefusal(const std::u16string& ldn,
                                       const std::u16string& interfaceType);

SaveOutcome SavePrinter(const PrinterSaveRequest& request);
SaveOutcome SaveDrawer(const DrawerSaveRequest& request);
SaveOutcome SaveLogLevel(int32_t level);
// The log dialog's OK: LogVerbosity when a level is given (refused outside 0
// to 6), and PrimaryConfig in every case.
SaveOutcome SaveLogSettings(std::optional<int32_t> level);

// Deletes the printer or drawer `ldn` of this package (DeleteOwnLDN).
SaveOutcome DeleteDevice(const std::u16string& deviceClass, const std::u16string& ldn);

}  // namespace qvtoolreg

#endif  // QV_COMMON_TOOLREG_DEVICE_SAVE_H_
