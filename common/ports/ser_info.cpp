#include "common/ports/ser_info.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "platform/devices/serial_ports.h"
#include "platform/text/codepage.h"

namespace qvports {
namespace {

bool IsDigitUnit(char16_t c) { return static_cast<uint16_t>(c - u'0') < 10; }

// Copies `text` into a fixed field, cut to leave room for the terminator.
void CopyField(char16_t (&field)[kSerInfoTextUnits], const std::u16string& text) {
  size_t n = std::min(text.size(), kSerInfoTextUnits - 1);
  std::copy_n(text.data(), n, field);
  field[n] = u'\0';
}

bool Readable(const std::optional<std::u16string>& property) {
  return property && property->size() <= kMaxPropertyChars;
}

SSerInfo* NewNode() {
  SSerInfo* node = new (std::nothrow) SSerInfo;
  if (node != nullptr) std::memset(node, 0, sizeof(SSerInfo));
  return node;
}

}  // namespace

std::u16string ComPortNameOf(const std::u16string& friendlyName) {
  size_t at = friendlyName.find(u"COM");
  if (at == std::u16string::npos) at = friendlyName.find(u"com");
  if (at == std::u16string::npos) return {};
  size_t end = at + 3;
  while (end < friendlyName.size() && IsDigitUnit(friendlyName[end])) ++end;
  return friendlyName.substr(at, end - at);
}

int32_t BuildSSerInfoList(const std::vector<SerialInterface>& interfaces, SSerInfo** head) {
  SSerInfo* first = nullptr;
  SSerInfo* last = nullptr;
  for (const SerialInterface& item : interfaces) {
    if (item.devicePath.size() > kMaxDevicePathChars) {
      ReleaseSSerInfo(first);
      return 0;
    }
    if (!Readable(item.friendlyName) || !Readable(item.description)) continue;
    SSerInfo* node = NewNode();
    if (node == nullptr) continue;
    CopyField(node->devicePath, item.devicePath);
    CopyField(node->friendlyName, *item.friendlyName);
    CopyField(node->description, *item.description);
    const auto& location = item.locationInformation;
    node->onUsb = Readable(location) && location->compare(0, 3, u"USB") == 0 ? 1 : 0;
    CopyField(node->portName, ComPortNameOf(*item.friendlyName));
    if (last == nullptr) {
      first = node;
    } else {
      last->next = node;
    }
    last = node;
  }
  *head = first;
  return 1;
}

}  // namespace qvports

extern "C" int32_t EnumPortsWdm(SSerInfo** head) {
  if (head == nullptr) return 0;
  std::vector<qvports::SerialInterface> interfaces;
  try {
    for (const qvplatform::SerialPortInfo& port : qvplatform::EnumerateSerialPorts()) {
      qvports::SerialInterface item;
      item.devicePath = qvplatform::Utf8ToWide(port.devicePath);
      item.friendlyName = qvplatform::Utf8ToWide(port.friendlyName);
      item.description = qvplatform::Utf8ToWide(port.description);
      if (!port.locationInformation.empty()) {
        item.locationInformation = qvplatform::Utf8ToWide(port.locationInformation);
      }
      interfaces.push_back(std::move(item));
    }
  } catch (const std::exception&) {
    return 0;
  }
  return qvports::BuildSSerInfoList(interfaces, head);
}

extern "C" SSerInfo* ReleaseSSerInfo(SSerInfo* head) {
  while (head != nullptr) {
    SSerInfo* next = head->next;
    delete head;
    head = next;
  }
  return nullptr;
}
