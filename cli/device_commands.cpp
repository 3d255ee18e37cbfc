#include "cli/device_commands.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "common/toolreg/device_save.h"
#include "common/toolreg/ldn_list.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "common/toolreg/port_choices.h"

namespace qvcli {
namespace {

constexpr char kPrinterAddUsage[] =
    "usage: qvopos printer add LDN --interface COM|ENet|LPT|USB [options]\n"
    "Writes the printer's logical device as the configuration tool's Save does:\n"
    "the key is deleted, then IOType, Model \"80\" and the chosen interface's values.\n"
    "  COM:  --port COMn [--baud 9600|19200|38400|115200 (19200)] [--data-bits 8]\n"
    "        [--parity none|odd|even] [--stop-bits 1|1.5|2] [--flow none|hardware|xonxoff]\n"
    "  LPT:  --port LPTn: (the colon is added when missing)\n"
    "  USB:  --usb-path PATH (a device-interface path, see qvopos ports)\n"
    "  ENet: --ip A.B.C.D (the printer listens on TCP port 9100)";

constexpr char kDrawerAddUsage[] =
    "usage: qvopos drawer add LDN --uses PRINTER [--pin 2|5] [--pulse-on MS] [--pulse-off MS]\n"
    "Writes the cash drawer's logical device as the configuration tool's Save does\n"
    "(Uses, ConnectPin, PulseOffTime, PulseOnTime; the key is not deleted first).\n"
    "PRINTER is a printer LDN of this package; pin 2 and pulses 0 by default.";

// An LDN names one key below the class key: no backslash.
bool CheckLdn(const std::string& ldn, std::string* reason) {
  if (ldn.find('\\') != std::string::npos) {
    *reason = "an LDN cannot hold a backslash: " + ldn;
    return false;
  }
  return true;
}

int ReportSave(const qvtoolreg::SaveOutcome& outcome) {
  if (outcome.status == qvtoolreg::SaveStatus::kSaved) {
    Out(Narrow(outcome.message));
    return kExitOk;
  }
  return Failed(outcome.message.empty() ? std::string("refused") : Narrow(outcome.message));
}

// Index of `text` in `items` (case-insensitive), or -1.
int ItemIndex(const std::string& text, const std::vector<std::string>& items) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (std::equal(text.begin(), text.end(), items[i].begin(), items[i].end(),
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// "COM" followed by decimal digits.
bool IsComName(const std::string& name) {
  return name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
         std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct PrinterOptions {
  std::optional<std::string> interface, port, baud, dataBits, parity, stopBits, flow, ip, usbPath;
};

// Fills the serial part of the request; false with a reason on a value the
// serial dialog does not offer.
bool FillSerial(const PrinterOptions& o, qvtoolreg::PrinterSaveRequest* request,
                std::string* reason) {
  qvtoolreg::SerialSettings& serial = request->serial;
  if (o.port) {
    if (!IsComName(*o.port)) {
      *reason = "a serial port is named COM and a number: " + *o.port;
      return false;
    }
    serial.portName = Widen(*o.port);
  }
  serial.baudRate = 19200;
  if (o.baud) {
    std::optional<int32_t> baud = ParseNumber(*o.baud);
    if (!baud || !qvtoolreg::IsOfferedBaudRate(*baud)) {
      *reason = "--baud takes 9600, 19200, 38400 or 115200";
      return false;
    }
    serial.baudRate = *baud;
  }
  serial.byteSize = qvtoolreg::kOfferedByteSize;
  if (o.dataBits && *o.dataBits != "8") {
    *reason = "--data-bits takes only 8";
    return false;
  }
  const struct {
    const std::optional<std::string>& value;
    std::vector<std::string> items;
    int32_t* target;
    const char* option;
  } lists[] = {
      {o.parity, {"none", "odd", "even"}, &serial.parity, "--parity takes none, odd or even"},
      {o.stopBits, {"1", "1.5", "2"}, &serial.stopBits, "--stop-bits takes 1, 1.5 or 2"},
      {o.flow,
       {"none", "hardware", "xonxoff"},
       &serial.flowControl,
       "--flow takes none, hardware or xonxoff"},
  };
  for (const auto& list : lists) {
    if (!list.value) continue;
    const int index = ItemIndex(*list.value, list.items);
    if (index < 0) {
      *reason = list.option;
      return false;
    }
    *list.target = index;
  }
  return true;
}

// Options that belong to another interface than `type` are a usage error.
bool CheckOptionsFit(const PrinterOptions& o, const std::u16string& type, std::string* reason) {
  const bool com = type == qvtoolreg::kIoTypeCom;
  const struct {
    const std::optional<std::string>& value;
    bool allowed;
    const char* name;
  } checks[] = {
      {o.port, com || type == qvtoolreg::kIoTypeLpt, "--port"},
      {o.baud, com, "--baud"},
      {o.dataBits, com, "--data-bits"},
      {o.parity, com, "--parity"},
      {o.stopBits, com, "--stop-bits"},
      {o.flow, com, "--flow"},
      {o.ip, type == qvtoolreg::kIoTypeENet, "--ip"},
      {o.usbPath, type == qvtoolreg::kIoTypeUsb, "--usb-path"},
  };
  for (const auto& check : checks) {
    if (check.value && !check.allowed) {
      *reason = std::string(check.name) + " does not apply to interface " + Narrow(type);
      return false;
    }
  }
  return true;
}

std::u16string InterfaceType(const std::optional<std::string>& option) {
  if (!option) return u"";
  for (const char16_t* known : {qvtoolreg::kIoTypeCom, qvtoolreg::kIoTypeENet,
                                qvtoolreg::kIoTypeLpt, qvtoolreg::kIoTypeUsb}) {
    const std::string name = Narrow(known);
    if (ItemIndex(*option, {name}) == 0) return known;
  }
  return Widen(*option);  // unknown: the Save refuses it with its message
}

const char* LevelName(int32_t level) {
  static const char* const kNames[] = {"None",          "Critical",     "Warnings",   "Info",
                                       "FunctionTrace", "FunctionData", "FunctionAll"};
  return level >= 0 && level <= 6 ? kNames[level] : "?";
}

}  // namespace

int RunPrinterAdd(Args args) {
  if (WantsHelp(args)) {
    Out(kPrinterAddUsage);
    return kExitOk;
  }
  PrinterOptions o;
  std::string reason;
  if (!TakeOptions(&args,
                   {{"--interface", &o.interface},
                    {"--port", &o.port},
                    {"--baud", &o.baud},
                    {"--data-bits", &o.dataBits},
                    {"--parity", &o.parity},
                    {"--stop-bits", &o.stopBits},
                    {"--flow", &o.flow},
                    {"--ip", &o.ip},
                    {"--usb-path", &o.usbPath}},
                   &reason)) {
    return Usage(reason);
  }
  if (args.size() > 1) return Usage("unexpected argument " + args[1]);
  qvtoolreg::PrinterSaveRequest request;
  if (!args.empty()) {
    if (!CheckLdn(args[0], &reason)) return Usage(reason);
    request.ldn = Widen(args[0]);
  }
  request.interfaceType = InterfaceType(o.interface);
  const std::u16string& type = request.interfaceType;
  if (!CheckOptionsFit(o, type, &reason)) return Usage(reason);

  if (type == qvtoolreg::kIoTypeCom && !FillSerial(o, &request, &reason)) return Usage(reason);
  if (type == qvtoolreg::kIoTypeLpt && o.port) {
    std::string port = *o.port;
    if (port.empty() || port.back() != ':') port += ':';
    if (port.size() < 5 || ItemIndex(port.substr(0, 3), {"LPT"}) != 0) {
      return Usage("a parallel port is named LPT and a number: " + *o.port);
    }
    request.lptPort = Widen(port);
  }
  if (type == qvtoolreg::kIoTypeUsb && o.usbPath) {
    if (!qvtoolreg::PassesUsbPrinterFilter(Widen(*o.usbPath))) {
      return Usage("the USB path names no supported printer: " + *o.usbPath);
    }
    request.usbAttached = true;
    request.usbPath = Widen(*o.usbPath);
  }
  if (type == qvtoolreg::kIoTypeENet && o.ip) {
    if (!qvtoolreg::IsDottedQuad(Widen(*o.ip))) {
      return Usage("--ip takes a dotted address A.B.C.D: " + *o.ip);
    }
    request.ipAddress = Widen(*o.ip);
  }
  return ReportSave(qvtoolreg::SavePrinter(request));
}

int RunDrawerAdd(Args args) {
  if (WantsHelp(args)) {
    Out(kDrawerAddUsage);
    return kExitOk;
  }
  std::optional<std::string> uses, pin, pulseOn, pulseOff;
  std::string reason;
  if (!TakeOptions(&args,
                   {{"--uses", &uses},
                    {"--pin", &pin},
                    {"--pulse-on", &pulseOn},
                    {"--pulse-off", &pulseOff}},
                   &reason)) {
    return Usage(reason);
  }
  if (args.size() != 1) return Usage("drawer add takes one LDN (see --help)");
  if (!uses) return Usage("drawer add needs --uses PRINTER");
  if (!CheckLdn(args[0], &reason)) return Usage(reason);

  qvtoolreg::DrawerSaveRequest request;
  request.ldn = Widen(args[0]);
  request.usesPrinter = Widen(*uses);
  if (pin) {
    std::optional<int32_t> number = ParseNumber(*pin);
    if (!number || (*number != 2 && *number != 5)) return Usage("--pin takes 2 or 5");
    request.connectPin = *number;
  }
  for (auto [option, target] :
       {std::pair{&pulseOn, &request.pulseOnTime}, std::pair{&pulseOff, &request.pulseOffTime}}) {
    if (!*option) continue;
    std::optional<int32_t> number = ParseNumber(**option);
    if (!number) return Usage("a pulse time is a number of milliseconds: " + **option);
    *target = *number;
  }
  // The drawer page offers only this package's printers.
  std::vector<std::u16string> printers;
  LoadOwnLDNs(u"POSPrinter", &printers);
  if (std::find(printers.begin(), printers.end(), request.usesPrinter) == printers.end()) {
    return Failed("no printer LDN " + *uses + " of this package (see qvopos ldn list)");
  }
  return ReportSave(qvtoolreg::SaveDrawer(request));
}

int RunLdnList(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos ldn list\n"
        "Lists the logical devices of this package, one a line:\n"
        "  printer LDN IOType=TYPE    drawer LDN Uses=PRINTER\n"
        "Keys of other service objects are not listed.");
    return kExitOk;
  }
  if (!args.empty()) return Usage("unexpected argument " + args.front());
  std::vector<std::u16string> printers, drawers;
  LoadOwnLDNs(u"POSPrinter", &printers);
  LoadOwnLDNs(u"CashDrawer", &drawers);
  for (const std::u16string& ldn : printers) {
    Out("printer " + Narrow(ldn) +
        " IOType=" + Printable(COposToolRegKey(u"POSPrinter", ldn).GetString(u"IOType")));
  }
  for (const std::u16string& ldn : drawers) {
    Out("drawer " + Narrow(ldn) +
        " Uses=" + Printable(COposToolRegKey(u"CashDrawer", ldn).GetString(u"Uses")));
  }
  return kExitOk;
}

int RunLdnDelete(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos ldn delete printer|drawer LDN\n"
        "Deletes a logical device of this package; keys of other service objects are\n"
        "never deleted.");
    return kExitOk;
  }
  if (args.size() != 2) return Usage("ldn delete takes printer|drawer and an LDN");
  std::u16string deviceClass;
  if (args[0] == "printer") deviceClass = u"POSPrinter";
  if (args[0] == "drawer") deviceClass = u"CashDrawer";
  if (deviceClass.empty()) return Usage("ldn delete takes printer or drawer, not " + args[0]);
  const LSTATUS status = qvtoolreg::DeleteOwnLDN(deviceClass, Widen(args[1]));
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_INVALID_PARAMETER) {
    return Failed("no " + args[0] + " LDN " + args[1] + " of this package");
  }
  if (status != ERROR_SUCCESS) {
    return Failed("deleting " + args[1] + " failed (registry status " + std::to_string(status) +
                  ")");
  }
  Out("Delete Success");
  return kExitOk;
}

int RunLogLevel(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos log-level LEVEL\n"
        "Sets the trace level (LogVerbosity) and PrimaryConfig as the log dialog's OK does.\n"
        "LEVEL: 0 None, 1 Critical, 2 Warnings, 3 Info, 4 FunctionTrace, 5 FunctionData,\n"
        "6 FunctionAll (the number or the name).");
    return kExitOk;
  }
  if (args.size() != 1) return Usage("log-level takes one level, 0 to 6");
  std::optional<int32_t> level = ParseNumber(args[0]);
  if (!level) {
    for (int32_t i = 0; i <= 6; ++i) {
      if (ItemIndex(args[0], {LevelName(i)}) == 0) level = i;
    }
  }
  if (!level || *level < 0 || *level > 6) return Usage("log-level takes 0 to 6, not " + args[0]);
  const qvtoolreg::SaveOutcome outcome = qvtoolreg::SaveLogLevel(*level);
  if (outcome.status != qvtoolreg::SaveStatus::kSaved) return Failed(Narrow(outcome.message));
  Out("LogVerbosity = " + std::to_string(*level) + " (" + LevelName(*level) + ")");
  return kExitOk;
}

int RunUninstall(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos uninstall\n"
        "Deletes every printer and cash drawer logical device of this package, as the\n"
        "configuration tool's -Uninstall does. Other service objects' keys and the\n"
        "service-information key (LogVerbosity) stay.");
    return kExitOk;
  }
  if (!args.empty()) return Usage("unexpected argument " + args.front());
  const qvtoolreg::UninstallResult result = qvtoolreg::UninstallOwnLDNs();
  for (const std::u16string& ldn : result.printersDeleted) Out("deleted printer " + Narrow(ldn));
  for (const std::u16string& ldn : result.drawersDeleted) Out("deleted drawer " + Narrow(ldn));
  for (const qvtoolreg::FailedDeletion& failure : result.failures) {
    Err("cannot delete HKEY_LOCAL_MACHINE\\" + Narrow(failure.keyPath) + ": " +
        Narrow(failure.reason));
  }
  return result.failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace qvcli
