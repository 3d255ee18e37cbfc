#include "config_tool/pending_ports.h"

namespace qvconfig {

PendingPortSettings& PendingPorts() {
  static PendingPortSettings settings;
  return settings;
}

qvtoolreg::PrinterSaveRequest PendingSaveRequest(const std::u16string& ldn,
                                                 const std::u16string& interfaceType) {
  const PendingPortSettings& pending = PendingPorts();
  qvtoolreg::PrinterSaveRequest request;
  request.ldn = ldn;
  request.interfaceType = interfaceType;
  request.serial = pending.serial;
  request.lptPort = pending.lptPort;
  request.usbAttached = pending.usb.attached;
  request.usbPath = pending.usb.devicePath;
  request.ipAddress = pending.network.address;
  return request;
}

}  // namespace qvconfig
