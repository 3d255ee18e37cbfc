// The pending port settings of the configuration tool: what the port dialogs
// chose since the program started, one record of each kind for the whole
// process and shared by every printer. The next printer Save writes the
// record of the interface it saves; nothing ties a record to one LDN, so a
// second printer saved as "COM" receives the first one's serial settings.
//
// Zero or empty when the program starts, changed only by the port dialogs,
// never reset. GUI thread only.
#ifndef QV_CONFIG_TOOL_PENDING_PORTS_H_
#define QV_CONFIG_TOOL_PENDING_PORTS_H_

#include <cstdint>
#include <string>

#include "common/toolreg/device_save.h"

namespace qvconfig {

struct PendingUsbPort {
  bool attached = false;     // a device was chosen with OK in the USB dialog
  std::u16string shortName;  // "vid_0fe6&pid_811e"
  std::u16string devicePath;
};

struct PendingNetworkAddress {
  std::u16string address;  // dotted decimal
  int32_t port = 0;        // validated by the dialog, never stored
};

struct PendingPortSettings {
  qvtoolreg::SerialSettings serial;
  PendingUsbPort usb;
  std::u16string lptPort;  // "LPT1:"
  PendingNetworkAddress network;
};

// The process's record.
PendingPortSettings& PendingPorts();

// The printer Save request for `ldn` and `interfaceType` from the pending
// settings.
qvtoolreg::PrinterSaveRequest PendingSaveRequest(const std::u16string& ldn,
                                                 const std::u16string& interfaceType);

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_PENDING_PORTS_H_
