#include "common/toolreg/port_choices.h"

#include <algorithm>

#include "common/ports/port_names.h"
#include "common/ports/printer_ports.h"
#include "common/ports/ser_info.h"
#include "platform/devices/usb_printers.h"
#include "platform/text/codepage.h"

namespace qvtoolreg {
namespace {

struct UsbIds {
  const char16_t* upperVid;
  const char16_t* upperPid;
  const char16_t* lowerVid;
  const char16_t* lowerPid;
};

constexpr UsbIds kSupportedUsbIds[] = {
    {u"VID_0FE6", u"PID_811E", u"vid_0fe6", u"pid_811e"},
    {u"VID_0FE5", u"PID_811D", u"vid_0fe5", u"pid_811d"},
    {u"VID_0FE7", u"PID_811F", u"vid_0fe7", u"pid_811f"},
    {u"VID_2730", u"PID_2008", u"vid_2730", u"pid_2008"},
    {u"VID_0FE6", u"PID_034F", u"vid_0fe6", u"pid_034f"},
    {u"VID_0A5F", u"PID_00DC", u"vid_0a5f", u"pid_00dc"},
};

bool Contains(std::u16string_view text, const char16_t* part) {
  return text.find(part) != std::u16string_view::npos;
}

// Frees the spooler block when it goes out of scope.
struct PortsBlock {
  PORT_INFO_2W* ports = nullptr;
  int32_t count = 0;
  PortsBlock() { ports = enumPrinterPorts(&count); }
  ~PortsBlock() { FreePrinterPorts(ports); }
  PortsBlock(const PortsBlock&) = delete;
  PortsBlock& operator=(const PortsBlock&) = delete;
};

}  // namespace

bool IsOfferedBaudRate(int32_t baudRate) {
  return std::find(kOfferedBaudRates.begin(), kOfferedBaudRates.end(), baudRate) !=
         kOfferedBaudRates.end();
}

std::vector<std::u16string> SerialPortChoices() {
  std::vector<std::u16string> names;
  {
    PortsBlock spooler;
    if (spooler.ports == nullptr || spooler.count == 0) return names;
  }
  SSerInfo* list = nullptr;
  if (EnumPortsWdm(&list) == 0) return names;
  for (const SSerInfo* node = list; node != nullptr; node = node->next) {
    names.emplace_back(node->portName);
  }
  ReleaseSSerInfo(list);
  return names;
}

std::vector<std::u16string> LptPortChoices() {
  std::vector<std::u16string> names;
  PortsBlock spooler;
  for (int32_t i = 0; spooler.ports != nullptr && i < spooler.count; ++i) {
    if (isLPT(spooler.ports[i].pPortName) != 0) names.emplace_back(spooler.ports[i].pPortName);
  }
  return names;
}

bool PassesUsbPrinterFilter(std::u16string_view devicePath) {
  for (const UsbIds& ids : kSupportedUsbIds) {
    if (Contains(devicePath, ids.upperVid) && Contains(devicePath, ids.upperPid)) return true;
    if (Contains(devicePath, ids.lowerVid) && Contains(devicePath, ids.lowerPid)) return true;
  }
  return false;
}

std::u16string UsbShortName(std::u16string_view devicePath) {
  size_t hash = devicePath.find(u'#');
  if (hash == std::u16string_view::npos) return {};
  return std::u16string(devicePath.substr(hash + 1, 17));
}

std::vector<UsbPrinterChoice> UsbPrinterChoices() {
  std::vector<UsbPrinterChoice> choices;
  for (const qvplatform::UsbPrinterInfo& printer : qvplatform::EnumerateUsbPrinters()) {
    std::u16string path = qvplatform::Utf8ToWide(printer.devicePath);
    if (!PassesUsbPrinterFilter(path)) continue;
    choices.push_back({UsbShortName(path), path});
  }
  return choices;
}

bool IsValidNetworkPort(std::u16string_view text) {
  if (text.empty()) return false;
  int32_t port = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    port = std::min(port * 10 + (c - u'0'), 100000);  // past the range stays past it
  }
  return port >= 1024 && port <= 49151 && port != 4000;
}

bool IsDottedQuad(std::u16string_view text) {
  int parts = 0;
  size_t i = 0;
  while (true) {
    size_t start = i;
    int value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && i - start < 3) {
      value = value * 10 + (text[i] - u'0');
      ++i;
    }
    size_t digits = i - start;
    if (digits == 0 || value > 255 || (digits > 1 && text[start] == u'0')) return false;
    ++parts;
    if (i == text.size()) return parts == 4;
    if (text[i] != u'.' || parts == 4) return false;
    ++i;
  }
}

}  // namespace qvtoolreg
