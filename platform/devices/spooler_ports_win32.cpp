// The print spooler's port list on Windows: EnumPorts, level 2.
#include "platform/devices/spooler_ports.h"

#include <windows.h>
#include <winspool.h>

#include <string_view>

#include "platform/text/codepage.h"

// <winspool.h> renames EnumPorts to EnumPortsW; ours keeps its own name.
#undef EnumPorts

namespace qvplatform {

namespace {

std::string Ansi(const wchar_t* text) {
  if (text == nullptr) return {};
  return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text)));
}

}  // namespace

std::vector<PortInfo2> EnumPorts() {
  std::vector<PortInfo2> ports;
  DWORD needed = 0;
  DWORD count = 0;
  EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return ports;
  std::vector<BYTE> buffer(needed);
  if (!EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &count)) return ports;
  const auto* infos = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    ports.push_back({Ansi(infos[i].pPortName), Ansi(infos[i].pMonitorName),
                     Ansi(infos[i].pDescription), infos[i].fPortType});
  }
  return ports;
}

}  // namespace qvplatform
