// CUsbComm: the channel to a printer attached by USB, reached through its
// device-interface path (\\?\usb#vid_xxxx&pid_xxxx#<instance>#{a5dcbf10-...}),
// which the device map or the USB enumeration turns into a device node.
//
// Construction opens the node (shared for reading and writing) and raises
// UsbCommError "Unable to open USB device (Code:N)." when it cannot. A read
// thread reads status answers while the communication-enabled flag is set and
// hands each new status image to the receiver on that thread; a read error
// ends it with a trace line. Writes happen only while the flag is set, under
// the channel lock, bounded by WriteBoundMs; a write that cannot complete
// raises SerialCommError "Error writing data (Code:N).". The destructor wakes
// and joins the read thread and closes the node.
#ifndef QV_SERVICE_OBJECT_COMM_USB_COMM_H_
#define QV_SERVICE_OBJECT_COMM_USB_COMM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/devices/device_file.h"
#include "platform/sync/critical_section.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "service_object/comm/comm.h"

class CUsbComm : public CComm {
 public:
  CUsbComm(int32_t interfaceIndex, const std::string& devicePath, CCommData& receiver);
  ~CUsbComm() override;

  bool WriteString(const std::string& data) override;
  bool WriteCmd(const Cmd& command) override;
  bool IsOpen() const override;

  // The path that was opened.
  const std::string& PortName() const { return m_portName; }
  // True while the read thread runs (for tests).
  bool IsReading() const;

 private:
  void OpenPort(const std::string& path);
  void CreateReadThread();
  void RunReadThread();
  bool WriteBytes(std::string_view bytes, const char* notOpenLine);

  std::string m_portName;
  qvplatform::DeviceFile m_UsbDevice;
  qvplatform::CriticalSection m_lock;  // held for a whole write
  qvplatform::Event m_TerminateThread{qvplatform::Event::Kind::kAutoReset};
  std::unique_ptr<qvplatform::Thread> m_ReadThread;
};

// The printer's presence check: true when a present USB printer's interface
// path contains both the vendor piece (characters 8 to 15, "vid_xxxx") and
// the product piece (17 to 24, "pid_xxxx") of `usbPort`, compared
// case-sensitively. Values shorter than 25 characters are never present.
bool IsUsbPortPresent(const std::string& usbPort);

#endif  // QV_SERVICE_OBJECT_COMM_USB_COMM_H_
