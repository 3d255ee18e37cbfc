// The present serial ports as the tools list them: a singly linked list of
// SSerInfo nodes built from the platform's serial-port enumeration (the COM
// port device-interface class). Each node's port name is taken from the
// device's friendly name ("USB Serial Port (COM3)" gives "COM3").
//
// Ownership: the caller owns a list it receives from EnumPortsWdm and frees
// it with ReleaseSSerInfo (node by node). Nodes are zero-filled fixed-size
// records, so they can be handed to code that reads them as plain memory.
// Any thread; no state is kept between calls.
//
// The functions have C linkage, so the tools export them under their plain
// names.
#ifndef QV_COMMON_PORTS_SER_INFO_H_
#define QV_COMMON_PORTS_SER_INFO_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr size_t kSerInfoTextUnits = 260;

struct SSerInfo {
  char16_t devicePath[kSerInfoTextUnits];
  char16_t portName[kSerInfoTextUnits];  // empty when the friendly name holds none
  char16_t friendlyName[kSerInfoTextUnits];
  int32_t onUsb;  // 1 when the location begins with "USB"
  char16_t description[kSerInfoTextUnits];
  SSerInfo* next;  // null at the tail
};

extern "C" {

// Builds the list of present serial ports. Returns 1 and stores the head
// (null when no port is present) through `head`; returns 0 on failure and
// leaves `*head` untouched.
int32_t EnumPortsWdm(SSerInfo** head);

// Frees every node of the list (which may be null) and returns null, so a
// caller can write `list = ReleaseSSerInfo(list);`.
SSerInfo* ReleaseSSerInfo(SSerInfo* head);

}  // extern "C"

namespace qvports {

// One device interface as the enumeration reads it. A property that cannot
// be read is nullopt.
struct SerialInterface {
  std::u16string devicePath;
  std::optional<std::u16string> friendlyName;
  std::optional<std::u16string> description;
  std::optional<std::u16string> locationInformation;
};

// The longest device path the interface-detail buffer takes (a longer one
// fails the whole enumeration), and the longest friendly name, description
// and location text a property read takes (a longer one cannot be read).
inline constexpr size_t kMaxDevicePathChars = 128;
inline constexpr size_t kMaxPropertyChars = 255;

// The list-building part of EnumPortsWdm over given interfaces, in order:
// an interface whose friendly name or description cannot be read (or is too
// long) gets no node; a device path longer than kMaxDevicePathChars fails
// the whole call (0, nothing stored, no list left allocated).
int32_t BuildSSerInfoList(const std::vector<SerialInterface>& interfaces, SSerInfo** head);

// The port name in a friendly name: the first "COM" (or, only when there is
// none, the first "com") with the decimal digits that follow it; empty when
// neither occurs.
std::u16string ComPortNameOf(const std::u16string& friendlyName);

}  // namespace qvports

#endif  // QV_COMMON_PORTS_SER_INFO_H_
