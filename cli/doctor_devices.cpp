#include "cli/doctor_devices.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include "cli/doctor_access.h"
#include "cli/doctor_network.h"
#include "common/reg_names.h"
#include "common/toolreg/device_save.h"
#include "common/toolreg/ldn_list.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "common/toolreg/port_choices.h"
#include "platform/base/clock.h"
#include "platform/base/prefix.h"
#include "platform/devices/device_map.h"
#include "platform/devices/device_users.h"
#include "platform/devices/usb_bindings.h"
#include "platform/devices/usb_printers.h"

namespace qvcli {
namespace {

namespace fs = std::filesystem;

// The printer's TCP port (the network interface always uses it) and the
// bound for the connection and each status answer.
constexpr char kPrinterTcpPort[] = "9100";
constexpr int64_t kNetworkBoundMs = 2000;
constexpr char kNetworkBoundText[] = "2 s";

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsDecimal(const std::u16string& text) {
  size_t start = !text.empty() && text[0] == u'-' ? 1 : 0;
  return text.size() > start && std::all_of(text.begin() + start, text.end(),
                                            [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The names of the values of `key` that are missing or not decimal numbers.
std::vector<std::string> MissingValues(const COposToolRegKey& key,
                                       const std::vector<const char16_t*>& texts,
                                       const std::vector<const char16_t*>& numbers) {
  std::vector<std::string> missing;
  for (const char16_t* name : texts) {
    if (key.GetString(name).empty()) missing.push_back(Narrow(name));
  }
  for (const char16_t* name : numbers) {
    if (!IsDecimal(key.GetString(name))) missing.push_back(Narrow(name));
  }
  return missing;
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

// "cupsd (pid 812), qv-pos (pid 900)"
std::string ProcessList(const std::vector<qvplatform::DeviceUser>& users) {
  std::vector<std::string> names;
  for (const auto& user : users) {
    names.push_back(user.name + " (pid " + std::to_string(user.pid) + ")");
  }
  return Join(names, ", ");
}

// The node's dosdevices link, when the name resolved through one.
std::optional<fs::path> LinkOf(const std::string& link_name) {
  if (!qvplatform::QueryDosDevice(link_name)) return std::nullopt;
  return qvplatform::DosDevices() / link_name;
}

class CDeviceChecks {
 public:
  explicit CDeviceChecks(CDoctorReport& report) : m_report(report) {}

  void CheckPrinter(const std::u16string& ldn);
  void CheckDrawer(const std::u16string& ldn, const std::vector<std::u16string>& printers);

 private:
  void CheckNetwork(const std::string& subject, const std::string& address);
  void CheckSerialPort(const std::string& subject, const std::string& port);
  void CheckParallelPort(const std::string& subject, const std::string& value);
  void CheckUsbPrinter(const std::string& subject, const std::string& path, const std::string& add);
  // The node behind `name` (a COMn, LPTn or USB path), reached through the
  // dosdevices link `link_name` when there is one; false after a FAIL.
  bool CheckResolves(const std::string& subject, const std::string& name, const std::string& shown,
                     const std::string& link_name, const std::string& missing_advice,
                     fs::path* node);
  void CheckNodeUse(const std::string& subject, const fs::path& node);
  void CheckUsbUnresolved(const std::string& subject, const qvplatform::UsbDeviceId& id);
  void CheckUsbBinding(const std::string& subject, const qvplatform::UsbDeviceId& id,
                       const std::string& link_name, const fs::path& node);

  CDoctorReport& m_report;
};

void CDeviceChecks::CheckPrinter(const std::u16string& ldn) {
  const std::string subject = "printer " + Narrow(ldn);
  const std::string add = "qvopos printer add " + Narrow(ldn) + " --interface ";
  const COposToolRegKey key(qvreg::kClassPrinterW, ldn);
  const std::u16string io_type = key.GetString(qvreg::kIOTypeW);
  struct Interface {
    const char16_t* type;
    std::vector<const char16_t*> texts, numbers;
    std::string add;
  };
  const Interface interfaces[] = {
      {qvtoolreg::kIoTypeENet, {qvreg::kEthIPAddrW}, {}, add + "ENet --ip A.B.C.D"},
      {qvtoolreg::kIoTypeUsb, {qvreg::kUSBPortW}, {}, add + "USB --usb-path PATH"},
      {qvtoolreg::kIoTypeLpt, {qvreg::kLPTPortW}, {}, add + "LPT --port LPTn"},
      {qvtoolreg::kIoTypeCom,
       {qvreg::kSerialPortW},
       {qvreg::kBaudRateW, qvreg::kByteSizeW, qvreg::kParityW, qvreg::kStopBitsW,
        qvreg::kFlowControlW},
       add + "COM --port COMn ..."},
  };
  // The service object takes the first interface name the value contains.
  const Interface* chosen = nullptr;
  for (const Interface& candidate : interfaces) {
    if (chosen == nullptr && io_type.find(candidate.type) != std::u16string::npos) {
      chosen = &candidate;
    }
  }
  if (chosen == nullptr) {
    m_report.Fail(subject,
                  (io_type.empty() ? std::string("no IOType")
                                   : "IOType \"" + Printable(io_type) + "\" names no interface") +
                      "; " + add + "COM|ENet|LPT|USB ...");
    return;
  }
  const std::vector<std::string> missing = MissingValues(key, chosen->texts, chosen->numbers);
  if (!missing.empty()) {
    m_report.Fail(subject, "the " + Narrow(chosen->type) + " settings lack " + Join(missing, ", ") +
                               "; " + chosen->add);
    return;
  }
  const std::string value = Narrow(key.GetString(chosen->texts[0]));
  m_report.Ok(subject, Narrow(chosen->type) + " settings complete (" + Narrow(chosen->texts[0]) +
                           " " + Printable(key.GetString(chosen->texts[0])) + ")");

  if (chosen->type == qvtoolreg::kIoTypeENet) {
    CheckNetwork(subject, value);
  } else if (chosen->type == qvtoolreg::kIoTypeCom) {
    CheckSerialPort(subject, value);
  } else if (chosen->type == qvtoolreg::kIoTypeLpt) {
    CheckParallelPort(subject, value);
  } else {
    CheckUsbPrinter(subject, value, chosen->add);
  }
}

void CDeviceChecks::CheckSerialPort(const std::string& subject, const std::string& port) {
  const std::optional<int> number = qvplatform::ParsePortNumber(port, "COM");
  const std::string link = "com" + (number ? std::to_string(*number) : std::string("N"));
  const std::optional<fs::path> fallback =
      number ? qvplatform::DefaultComNode(*number) : std::nullopt;
  const std::string advice = "no link " + (qvplatform::DosDevices() / link).string() +
                             (fallback ? " and no " + fallback->string() : std::string()) +
                             "; link the port: ln -s /dev/serial/by-id/<adapter> " +
                             (qvplatform::DosDevices() / link).string();
  fs::path node;
  if (CheckResolves(subject, "\\\\.\\" + port, port, link, advice, &node)) {
    CheckNodeUse(subject, node);
  }
}

void CDeviceChecks::CheckParallelPort(const std::string& subject, const std::string& value) {
  // Stored with the spooler's trailing colon.
  const std::string port = value.back() == ':' ? value.substr(0, value.size() - 1) : value;
  const std::optional<int> number = qvplatform::ParsePortNumber(port, "LPT");
  const std::string link = "lpt" + (number ? std::to_string(*number) : std::string("N"));
  const std::string advice = "no link " + (qvplatform::DosDevices() / link).string() +
                             "; link the port: ln -s /dev/usb/lpN " +
                             (qvplatform::DosDevices() / link).string();
  fs::path node;
  if (CheckResolves(subject, port, port, link, advice, &node)) CheckNodeUse(subject, node);
}

void CDeviceChecks::CheckUsbPrinter(const std::string& subject, const std::string& path,
                                    const std::string& add) {
  std::optional<qvplatform::UsbDeviceId> id = qvplatform::ParseUsbDeviceName(path);
  if (!id || !qvtoolreg::PassesUsbPrinterFilter(Widen(path))) {
    m_report.Fail(subject, "USBPort names no supported printer; " + add +
                               " (qvopos ports lists the printers found)");
    return;
  }
  if (!qvplatform::ResolveDevicePath(path)) {
    CheckUsbUnresolved(subject, *id);
    return;
  }
  const std::string link =
      qvplatform::UsbPrinterLinkName(id->vendorId, id->productId, id->instance);
  fs::path node;
  if (CheckResolves(subject, path, "the USB path", link, "", &node)) {
    CheckNodeUse(subject, node);
    CheckUsbBinding(subject, *id, link, node);
  }
}

void CDeviceChecks::CheckNetwork(const std::string& subject, const std::string& address) {
  if (!qvtoolreg::IsDottedQuad(Widen(address))) {
    m_report.Fail(subject, "EthIPAddr " + address + " is no address A.B.C.D");
    return;
  }
  const std::string where = address + ":" + kPrinterTcpPort;
  const NetworkProbe probe = ProbeNetworkPrinter(
      address, kPrinterTcpPort, qvplatform::ScaledMs(kNetworkBoundMs), kNetworkBoundText);
  if (!probe.failure.empty()) {
    m_report.Fail(subject, where + ": " + probe.failure +
                               "; check that the printer is on, on the network and at this "
                               "address, and that no other program holds its connection");
    return;
  }
  const std::vector<std::string> problems = StatusProblems(probe);
  const std::string finding = where + " answers: " + DescribeStatus(probe);
  if (problems.empty()) {
    m_report.Ok(subject, finding);
  } else {
    m_report.Warn(subject, finding + "; " + Join(problems, ", "));
  }
}

bool CDeviceChecks::CheckResolves(const std::string& subject, const std::string& name,
                                  const std::string& shown, const std::string& link_name,
                                  const std::string& missing_advice, fs::path* node) {
  const std::optional<fs::path> resolved = qvplatform::ResolveDevicePath(name);
  const std::optional<fs::path> link = LinkOf(link_name);
  if (!resolved) {
    m_report.Fail(subject, shown + " is not in the device map: " + missing_advice);
    return false;
  }
  const std::string via = link ? link->string() + " -> " : "";
  if (!Exists(*resolved)) {
    m_report.Fail(subject, via + resolved->string() +
                               " does not exist; connect the device, or point the link at it: "
                               "ln -sfn NODE " +
                               (link ? link->string() : resolved->string()));
    return false;
  }
  struct stat st {};
  if (::stat(resolved->c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
    m_report.Fail(subject, via + resolved->string() + " is no device node");
    return false;
  }
  std::error_code ec;
  const fs::path real = fs::canonical(*resolved, ec);
  m_report.Ok(subject, shown + " is " + via + resolved->string() +
                           (!ec && real != *resolved ? " (" + real.string() + ")" : ""));
  *node = *resolved;
  return true;
}

void CDeviceChecks::CheckNodeUse(const std::string& subject, const fs::path& node) {
  if (!CallerMay(node, R_OK | W_OK)) {
    struct stat st {};
    ::stat(node.c_str(), &st);
    const std::string advice = GroupAdvice(st, R_OK | W_OK, CurrentCaller());
    m_report.Fail(subject, "you may not open " + node.string() + " (" + OwnershipText(st) + "); " +
                               (advice.empty() ? "no group of yours could: ask the administrator "
                                                 "for a udev rule that gives one access"
                                               : advice));
  } else {
    m_report.Ok(subject, "you may open " + node.string());
  }

  const qvplatform::DeviceUsers found = qvplatform::QueryDeviceUsers(node);
  std::vector<qvplatform::DeviceUser> others, other_end;
  for (const auto& user : found.users) (user.holdsOtherEnd ? other_end : others).push_back(user);
  if (!others.empty()) {
    m_report.Warn(subject, node.string() + " is held open by " + ProcessList(others) +
                               "; stop it before printing (or stop it from using this port)");
    return;
  }
  std::string finding = "no other process holds " + node.string();
  if (!other_end.empty()) finding += " (its terminal's other end: " + ProcessList(other_end) + ")";
  if (found.hidden > 0) {
    finding += "; processes of other users are visible only to root (sudo qvopos doctor)";
  }
  m_report.Ok(subject, finding);
}

void CDeviceChecks::CheckUsbUnresolved(const std::string& subject,
                                       const qvplatform::UsbDeviceId& id) {
  const std::string name =
      qvplatform::UsbPrinterLinkName(id.vendorId, id.productId, id.instance).substr(4);
  const std::vector<qvplatform::UsbDeviceBinding> devices =
      qvplatform::QueryUsbDeviceBindings(id.vendorId, id.productId);
  const qvplatform::UsbDeviceBinding* device = nullptr;
  for (const auto& candidate : devices) {
    if (Lower(candidate.instance) == Lower(id.instance)) device = &candidate;
  }
  if (device == nullptr) {
    m_report.Fail(
        subject, "no USB printer " + name +
                     (devices.empty() ? " is connected"
                                      : " is connected (one with instance " +
                                            devices.front().instance + " is: configure that one)") +
                     "; connect it and switch it on (qvopos ports lists the printers found)");
    return;
  }
  // Connected, but usblp made no node: who has the printer interface?
  std::string drivers;
  bool claimed = false;
  for (const auto& interface : device->interfaces) {
    if (interface.interfaceClass != qvplatform::kUsbClassPrinter) continue;
    drivers = interface.driver;
    claimed = claimed || interface.driver == "usbfs";
  }
  const std::string where = name + " is connected (USB port " + device->portPath + ")";
  if (!device->usblpNodes.empty()) {
    m_report.Fail(subject, where + " as " + device->usblpNodes.front().string() +
                               ", but its path does not lead there; remove the device map's link "
                               "for it, or reconnect it");
  } else if (claimed) {
    const qvplatform::DeviceUsers users = qvplatform::QueryDeviceUsers(device->node);
    m_report.Fail(subject, where + " but a libusb program has claimed it" +
                               (users.users.empty() ? "" : " (" + ProcessList(users.users) + ")") +
                               "; stop that program, then unplug and re-plug the printer");
  } else if (drivers.empty()) {
    m_report.Fail(subject, where +
                               " but no driver serves it; load usblp: sudo modprobe usblp "
                               "(and remove any \"blacklist usblp\" in /etc/modprobe.d)");
  } else {
    m_report.Fail(subject, where + " but " + drivers + " serves it instead of usblp");
  }
}

void CDeviceChecks::CheckUsbBinding(const std::string& subject, const qvplatform::UsbDeviceId& id,
                                    const std::string& link_name, const fs::path& node) {
  std::error_code ec;
  const fs::path real = fs::canonical(node, ec);
  if (ec || real.parent_path() != "/dev/usb") return;  // not a usblp node (a terminal, say)
  if (const std::optional<fs::path> link = LinkOf(link_name)) {
    const std::optional<fs::path> target = qvplatform::QueryDosDevice(link_name);
    if (target && target->parent_path() == "/dev/usb") {
      m_report.Warn(subject,
                    link->string() + " points at " + target->string() +
                        ", whose number changes when printers are plugged; remove the "
                        "link (the printer is found by its path) or point it at " +
                        (qvplatform::StableUsbLinkDirectory() /
                         qvplatform::StableUsbLinkName(id.vendorId, id.productId, id.instance))
                            .string());
    }
  }
  for (const auto& device : qvplatform::QueryUsbDeviceBindings(id.vendorId, id.productId)) {
    if (std::find(device.usblpNodes.begin(), device.usblpNodes.end(), real) ==
        device.usblpNodes.end()) {
      continue;
    }
    const qvplatform::DeviceUsers users = qvplatform::QueryDeviceUsers(device.node);
    if (!users.users.empty()) {
      m_report.Warn(subject, "served by usblp, but " + ProcessList(users.users) + " also opens " +
                                 device.node.string() +
                                 " through libusb and may take the printer away; stop it");
    } else {
      m_report.Ok(subject, "served by usblp (USB port " + device.portPath + ")");
    }
    return;
  }
}

void CDeviceChecks::CheckDrawer(const std::u16string& ldn,
                                const std::vector<std::u16string>& printers) {
  const std::string subject = "drawer " + Narrow(ldn);
  const COposToolRegKey key(qvreg::kClassDrawerW, ldn);
  const std::u16string uses = key.GetString(qvreg::kUsesW);
  const std::string add = "qvopos drawer add " + Narrow(ldn) + " --uses PRINTER";
  std::vector<std::string> missing =
      MissingValues(key, {qvreg::kUsesW}, {qvreg::kPulseOnTimeW, qvreg::kPulseOffTimeW});
  const std::u16string pin = key.GetString(qvreg::kConnectPinW);
  if (!pin.empty() && pin != u"2" && pin != u"5") missing.push_back("ConnectPin (2 or 5)");
  if (!missing.empty()) {
    m_report.Fail(subject, "the settings lack " + Join(missing, ", ") + "; " + add);
    return;
  }
  if (std::find(printers.begin(), printers.end(), uses) == printers.end()) {
    m_report.Fail(subject, "uses printer " + Printable(uses) +
                               ", which is no printer of this package; qvopos printer add " +
                               Narrow(uses) + " --interface ..., or " + add);
    return;
  }
  m_report.Ok(subject, "uses printer " + Narrow(uses) + ", pin " +
                           (pin.empty() ? std::string("none") : Narrow(pin)));
}

// The entry of `list` equal to `name` without regard to case.
std::optional<std::u16string> FindLdn(const std::vector<std::u16string>& list,
                                      const std::string& name) {
  for (const std::u16string& ldn : list) {
    if (Lower(Narrow(ldn)) == Lower(name)) return ldn;
  }
  return std::nullopt;
}

}  // namespace

void CheckLogicalDevices(CDoctorReport& report, const Args& ldns) {
  std::vector<std::u16string> printers, drawers;
  LoadOwnLDNs(qvreg::kClassPrinterW, &printers);
  LoadOwnLDNs(qvreg::kClassDrawerW, &drawers);
  std::vector<std::u16string> check_printers, check_drawers;
  if (ldns.empty()) {
    check_printers = printers;
    check_drawers = drawers;
    if (printers.empty() && drawers.empty()) {
      report.Warn("devices",
                  "no logical device is configured; qvopos printer add LDN --interface "
                  "COM|ENet|LPT|USB ...");
    }
  }
  for (const std::string& name : ldns) {
    const std::optional<std::u16string> printer = FindLdn(printers, name);
    const std::optional<std::u16string> drawer = FindLdn(drawers, name);
    if (printer) check_printers.push_back(*printer);
    if (drawer) check_drawers.push_back(*drawer);
    if (!printer && !drawer) {
      report.Fail("LDN " + name,
                  "no printer or drawer of this package has this name; qvopos ldn list");
    }
  }
  // A drawer works through its printer: check that one too.
  for (const std::u16string& ldn : check_drawers) {
    const std::u16string uses = COposToolRegKey(qvreg::kClassDrawerW, ldn).GetString(qvreg::kUsesW);
    if (std::find(printers.begin(), printers.end(), uses) != printers.end()) {
      check_printers.push_back(uses);
    }
  }
  CDeviceChecks checks(report);
  std::set<std::u16string> done;
  for (const std::u16string& ldn : check_printers) {
    if (done.insert(ldn).second) checks.CheckPrinter(ldn);
  }
  for (const std::u16string& ldn : check_drawers) checks.CheckDrawer(ldn, printers);
}

}  // namespace qvcli
