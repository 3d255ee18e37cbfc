#include "common/ports/printer_ports.h"

#include <algorithm>
#include <exception>
#include <new>
#include <string>

#include "platform/text/codepage.h"

namespace qvports {
namespace {

size_t StringBytes(const std::string& text) {
  return (qvplatform::Utf8ToWide(text).size() + 1) * sizeof(char16_t);
}

// Copies `text` with its terminator to `*cursor` and advances it.
char16_t* PlaceString(const std::string& text, char16_t** cursor) {
  std::u16string wide = qvplatform::Utf8ToWide(text);
  char16_t* at = *cursor;
  std::copy(wide.begin(), wide.end(), at);
  at[wide.size()] = u'\0';
  *cursor = at + wide.size() + 1;
  return at;
}

}  // namespace

size_t PrinterPortsBytes(const std::vector<qvplatform::PortInfo2>& ports) {
  size_t bytes = 0;
  for (const qvplatform::PortInfo2& port : ports) {
    bytes += sizeof(PORT_INFO_2W) + StringBytes(port.pPortName) + StringBytes(port.pMonitorName) +
             StringBytes(port.pDescription);
  }
  return bytes;
}

PORT_INFO_2W* PackPrinterPorts(const std::vector<qvplatform::PortInfo2>& ports, int32_t* count) {
  size_t bytes = PrinterPortsBytes(ports);
  if (bytes == 0) {
    *count = 0;
    return nullptr;
  }
  BYTE* block = new (std::nothrow) BYTE[bytes];
  if (block == nullptr) return nullptr;
  auto* records = reinterpret_cast<PORT_INFO_2W*>(block);
  // The strings follow the records; both are 2-byte aligned at least, and
  // the records (8-byte aligned) come first.
  auto* cursor = reinterpret_cast<char16_t*>(block + ports.size() * sizeof(PORT_INFO_2W));
  for (size_t i = 0; i < ports.size(); ++i) {
    records[i].pPortName = PlaceString(ports[i].pPortName, &cursor);
    records[i].pMonitorName = PlaceString(ports[i].pMonitorName, &cursor);
    records[i].pDescription = PlaceString(ports[i].pDescription, &cursor);
    records[i].fPortType = ports[i].fPortType;
    records[i].Reserved = 0;
  }
  *count = static_cast<int32_t>(ports.size());
  return records;
}

}  // namespace qvports

extern "C" PORT_INFO_2W* enumPrinterPorts(int32_t* count) {
  if (count == nullptr) return nullptr;
  std::vector<qvplatform::PortInfo2> ports;
  try {
    ports = qvplatform::EnumPorts();
  } catch (const std::exception&) {
    *count = 0;
    return nullptr;
  }
  return qvports::PackPrinterPorts(ports, count);
}

extern "C" void FreePrinterPorts(PORT_INFO_2W* ports) { delete[] reinterpret_cast<BYTE*>(ports); }
