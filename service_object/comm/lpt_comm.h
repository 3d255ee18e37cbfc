// CLPTComm: the channel to a printer on a parallel port (LPTn, which the
// device map or /dev/lpN turns into a device node).
//
// Construction opens the port exclusively and raises UsbCommError "Unable to
// open USB device (Code:N)." when it cannot (the same text as the USB
// channel). While the communication-enabled flag is set, a read thread polls
// the port once a second for up to 32 bytes, hands each new status image to
// the receiver and traces what it read; a read error parks the thread until
// the channel goes. Writes happen only while the flag is set and are bounded
// by WriteBoundMs; a write that cannot complete raises SerialCommError
// "Error writing data (Code:N).". The channel has no lock of its own: the
// arbiter lock serialises writes. The destructor always stops the read
// thread, a pending read included.
#ifndef QV_SERVICE_OBJECT_COMM_LPT_COMM_H_
#define QV_SERVICE_OBJECT_COMM_LPT_COMM_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/devices/device_file.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "service_object/comm/comm.h"

class CLPTComm : public CComm {
 public:
  // `portName` is e.g. LPT1.
  CLPTComm(const std::string& portName, CCommData& receiver);
  ~CLPTComm() override;

  bool WriteString(const std::string& data) override;
  bool WriteCmd(const Cmd& command) override;
  bool IsOpen() const override;

  const std::string& PortName() const { return m_portName; }
  bool IsReading() const;

 private:
  void OpenComPort(const std::string& name);
  void RunReadThread();
  bool WriteBytes(std::string_view bytes);

  std::string m_portName;
  qvplatform::DeviceFile m_port;
  qvplatform::Event m_terminateThread{qvplatform::Event::Kind::kAutoReset};
  std::unique_ptr<qvplatform::Thread> m_readThread;
};

#endif  // QV_SERVICE_OBJECT_COMM_LPT_COMM_H_
