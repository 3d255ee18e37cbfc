// CCommArbiter: the one object of the process that owns the port channels and
// lets the printer and the cash drawer share them.
//
// It owns at most one serial, one USB and one parallel channel, whatever port
// names the devices are configured with: the first Add of a kind creates the
// channel with the caller's receiver, later Adds share it (their receiver
// waits behind the first and takes over when it detaches). A device detaches
// from every channel with DetachReceiver when it releases its claim and when
// it goes; after that no read thread calls it. The devices decide when a
// channel goes, through
// ClaimedDeviceCount. The network client (the "report channel") is counted:
// every successful OpenReportChannel must be paired with one
// CloseReportChannel, and the client is closed when the last user closes it.
//
// Threads: every operation runs on the calling device's thread. The arbiter
// lock serialises Add, Remove and the port writes (a channel's own lock is
// always taken inside it). The last status image has a lock of its own, since
// channel read threads store it while the drawer's timer reads it.
//
// Errors: a channel that cannot be created raises from the Add operation
// with the channel's message; CommPortOpenError when its port could not be
// opened, a plain QVError otherwise; the slot then stays empty. Write
// operations never raise: they answer whether the bytes reached an open,
// connected channel and trace what went wrong.
#ifndef QV_SERVICE_OBJECT_COMM_COMM_ARBITER_H_
#define QV_SERVICE_OBJECT_COMM_COMM_ARBITER_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sync/critical_section.h"
#include "service_object/comm/comm.h"
#include "service_object/core/errors.h"

class CSocketClient;

// Raised by an Add operation when the channel's port could not be opened.
class CommPortOpenError : public QVError {
 public:
  using QVError::QVError;
};

// Interface indexes of the configuration.
constexpr int32_t kInterfaceNetwork = 0;
constexpr int32_t kInterfaceUsb = 1;
constexpr int32_t kInterfaceParallel = 2;
constexpr int32_t kInterfaceSerial = 3;

class CCommArbiter {
 public:
  CCommArbiter();
  ~CCommArbiter();
  CCommArbiter(const CCommArbiter&) = delete;
  CCommArbiter& operator=(const CCommArbiter&) = delete;

  // Serial: opens "\\.\" + `comPort` with the five line settings.
  void AddSerialDevice(int32_t interfaceIndex, const std::string& comPort, int32_t baudRate,
                       int32_t byteSize, int32_t parity, int32_t stopBits, int32_t flowControl,
                       CCommData& receiver);
  // USB: opens the device-interface path.
  void AddUsbDevice2(int32_t interfaceIndex, const std::string& usbPath, CCommData& receiver);
  // Parallel: `lptPort` is the configured value with its trailing colon
  // ("LPT1:" opens LPT1). Empty values and values over 32 characters raise
  // CommPortOpenError.
  void AddLPTDevice(int32_t interfaceIndex, const std::string& lptPort, CCommData& receiver);
  // Network: counts a user and creates the client when none is open.
  void OpenReportChannel(const std::string& serverAddress, const std::string& serverPort,
                         CCommData& receiver);

  void RemoveSerialDevice1(int32_t interfaceIndex);
  void RemoveIbmUsbDevice(int32_t interfaceIndex);
  void RemoveLPTDevice();
  void CloseReportChannel();

  // Takes `receiver` off every channel and network client, closed clients
  // whose thread is still ending included, and waits for a status delivery
  // into it that is in progress. Runs on the device's thread.
  void DetachReceiver(const CCommData& receiver);

  // Port writes: true when every byte reached the open channel.
  bool WriteData(const Cmd& command);
  bool WriteUSBData(const Cmd& command);
  bool WriteLPTData(const Cmd& command);
  bool SendReportChannel(const Cmd& command);

  // Switches traffic on (non-zero) or off on every existing channel.
  void SetCommEnabled(int32_t enabled);

  void SetLastStatus(const std::string& status);
  std::string GetLastStatus();

  bool IsReportChannelConnected();

  // For tests: whether each slot holds a channel, the report-channel users,
  // and the current client (null when closed).
  bool HasSerialDevice();
  bool HasUsbDevice();
  bool HasLPTDevice();
  int32_t ReportChannelUsers();
  std::shared_ptr<CSocketClient> ReportChannelClient();

 private:
  bool WriteThrough(CComm* channel, const Cmd& command, const char* errorPrefix);
  // Frees closed clients whose thread has ended; m_reportLock held.
  void ReapClosedClients();

  qvplatform::CriticalSection m_lock;  // slots and port writes
  std::unique_ptr<CComm> m_serialDevice;
  std::unique_ptr<CComm> m_usbDevice;
  std::unique_ptr<CComm> m_lptDevice;

  std::mutex m_reportLock;  // the report-channel fields below
  int32_t m_reportUsers = 0;
  bool m_reportOpen = false;
  std::shared_ptr<CSocketClient> m_socketClient;
  // Closed clients whose thread may still be ending: a client is freed only
  // after its thread has ended.
  std::vector<std::shared_ptr<CSocketClient>> m_closedClients;

  std::mutex m_statusLock;
  std::string m_lastStatus;
};

// The arbiter of the process, constructed when the library loads.
CCommArbiter& TheCommArbiter();

// The devices' write path: routes `command` by interface index (0 network,
// 1 USB, 2 parallel, 3 serial). Any other index traces "WriteCmd Error" and
// sends nothing. True when the bytes reached an open, connected channel.
bool WriteCmdByInterface(CCommArbiter& arbiter, int32_t interfaceIndex, const Cmd& command);

#endif  // QV_SERVICE_OBJECT_COMM_COMM_ARBITER_H_
