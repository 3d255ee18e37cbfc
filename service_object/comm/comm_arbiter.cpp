#include "service_object/comm/comm_arbiter.h"

#include <utility>

#include "platform/base/clock.h"

#include "service_object/comm/lpt_comm.h"
#include "service_object/comm/serial_comm.h"
#include "service_object/comm/socket_client.h"
#include "service_object/comm/usb_comm.h"
#include "service_object/core/log.h"

namespace {

const char kSource[] = "CCommArbiter";

// Windows' ERROR_INVALID_NAME, for port names that cannot name a port.
constexpr int kInvalidNameCode = 123;
// Longest serial device path the port layer accepts.
constexpr size_t kMaxDevicePath = 259;
constexpr size_t kMaxLptValue = 32;

// How long the arbiter's destruction waits for a network client's thread.
constexpr int64_t kClientEndWaitMs = 3000;

void Trace(int level, const std::string& text) { TheLog().Log(level, kSource, text); }

// Runs `create` and turns its channel errors into the errors the arbiter
// raises: a port that could not be opened (UsbCommError from the open step)
// becomes CommPortOpenError, anything else a plain QVError.
template <typename Create>
std::unique_ptr<CComm> CreateChannel(Create create) {
  try {
    return create();
  } catch (const UsbCommError& e) {
    throw CommPortOpenError(e.what());
  } catch (const QVError& e) {
    throw QVError(e.what());
  }
}

}  // namespace

CCommArbiter::CCommArbiter() {
  Trace(4, ">>> CCommArbiter");
  Trace(4, "Exit CCommArbiter");
}

CCommArbiter::~CCommArbiter() {
  Trace(4, ">>> ~CCommArbiter");
  std::vector<std::shared_ptr<CSocketClient>> clients;
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    Trace(5, "    | Cleaning up CommDevices...");
    m_serialDevice.reset();
    Trace(5, "    | Cleaning up UsbDevices...");
    m_usbDevice.reset();
    m_lptDevice.reset();
  }
  {
    std::lock_guard<std::mutex> lock(m_reportLock);
    m_reportUsers = 0;
    m_reportOpen = false;
    clients = std::move(m_closedClients);
    if (m_socketClient) clients.push_back(std::move(m_socketClient));
  }
  // A client still running is stopped here: its thread must not outlive the
  // code and the trace log it runs on. One whose thread does not end in time
  // is left allocated rather than freed under its running thread.
  for (std::shared_ptr<CSocketClient>& client : clients) {
    client->Close();
    if (!client->WaitForEnd(qvplatform::ScaledMs(kClientEndWaitMs))) {
      new std::shared_ptr<CSocketClient>(std::move(client));
    }
  }
  Trace(4, "<<< ~CCommArbiter");
}

void CCommArbiter::AddSerialDevice(int32_t interfaceIndex, const std::string& comPort,
                                   int32_t baudRate, int32_t byteSize, int32_t parity,
                                   int32_t stopBits, int32_t flowControl, CCommData& receiver) {
  Trace(4, ">>> AddSerialDevice");
  const std::string devicePath = "\\\\.\\" + comPort;
  Trace(5, "    | DeviceType:         " + NumToString(interfaceIndex));
  Trace(5, "    | ComPort:            " + comPort);
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    if (m_serialDevice) {
      m_serialDevice->AttachReceiver(receiver);
      Trace(4, "<<< Serial Opened");
    } else {
      if (devicePath.size() > kMaxDevicePath) {
        throw CommPortOpenError(
            "Unable to open serial port (Code:" + NumToString(kInvalidNameCode) + ").");
      }
      m_serialDevice = CreateChannel([&]() -> std::unique_ptr<CComm> {
        return std::make_unique<CSerialComm>(devicePath, baudRate, byteSize, parity, stopBits,
                                             flowControl, receiver);
      });
    }
  }
  Trace(4, "<<< AddSerialDevice");
}

void CCommArbiter::AddUsbDevice2(int32_t interfaceIndex, const std::string& usbPath,
                                 CCommData& receiver) {
  Trace(4, ">>> AddUsbDevice2");
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    if (!m_usbDevice) {
      m_usbDevice = CreateChannel([&]() -> std::unique_ptr<CComm> {
        return std::make_unique<CUsbComm>(interfaceIndex, usbPath, receiver);
      });
      if (!m_usbDevice->IsOpen()) Trace(4, "<<< Open usb Error");
    } else {
      m_usbDevice->AttachReceiver(receiver);
    }
  }
  Trace(4, "<<< AddUsbDevice2");
}

void CCommArbiter::AddLPTDevice(int32_t /*interfaceIndex*/, const std::string& lptPort,
                                CCommData& receiver) {
  Trace(4, ">>> AddLPTDevice");
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    if (!m_lptDevice) {
      if (lptPort.empty() || lptPort.size() > kMaxLptValue) {
        throw CommPortOpenError("Unable to open USB device (Code:" + NumToString(kInvalidNameCode) +
                                ").");
      }
      // The configuration stores printer-port names with a trailing colon.
      const std::string portName = lptPort.substr(0, lptPort.size() - 1);
      Trace(4, "<<< AddLPTDevice" + portName);
      m_lptDevice = CreateChannel([&]() -> std::unique_ptr<CComm> {
        return std::make_unique<CLPTComm>(portName, receiver);
      });
    } else {
      m_lptDevice->AttachReceiver(receiver);
    }
  }
  Trace(4, "<<< AddLPTDevice");
}

void CCommArbiter::OpenReportChannel(const std::string& serverAddress,
                                     const std::string& serverPort, CCommData& receiver) {
  Trace(4, ">>> OpenReportChannel");
  {
    std::lock_guard<std::mutex> lock(m_reportLock);
    ReapClosedClients();
    if (!m_reportOpen) {
      try {
        m_socketClient = CSocketClient::Create(serverAddress, serverPort, receiver);
      } catch (const QVError& e) {
        throw QVError(e.what());
      }
      m_reportOpen = true;
    } else {
      m_socketClient->AttachReceiver(receiver);
    }
    ++m_reportUsers;
  }
  Trace(4, "<<< OpenReportChannel");
}

void CCommArbiter::RemoveSerialDevice1(int32_t /*interfaceIndex*/) {
  Trace(4, ">>> RemoveSerialDevice1");
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    m_serialDevice.reset();
  }
  Trace(4, "<<< RemoveSerialDevice1");
}

void CCommArbiter::RemoveIbmUsbDevice(int32_t interfaceIndex) {
  Trace(4, ">>> RemoveIbmUsbDevice");
  Trace(5, "    | DeviceType: " + NumToString(interfaceIndex));
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    m_usbDevice.reset();
  }
  Trace(4, "<<< RemoveIbmUsbDevice");
}

void CCommArbiter::RemoveLPTDevice() {
  Trace(4, ">>> RemoveLPTDevice");
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    m_lptDevice.reset();
  }
  Trace(4, "<<< RemoveLPTDevice");
}

void CCommArbiter::CloseReportChannel() {
  Trace(4, ">>> CloseReportChannel");
  std::shared_ptr<CSocketClient> closing;
  {
    std::lock_guard<std::mutex> lock(m_reportLock);
    if (m_reportUsers > 0) --m_reportUsers;
    if (m_reportUsers > 0) {
      Trace(5, "    | Cannot close Socket Client while it is used by another device");
    } else if (m_reportOpen) {
      Trace(5, "    | Closing Socket Client...");
      // Listed as closed at once, so that DetachReceiver on another thread
      // always finds it.
      closing = m_socketClient;
      m_closedClients.push_back(std::move(m_socketClient));
      m_reportOpen = false;
    }
  }
  // The client's thread ends on its own once it sees the socket closed; the
  // client is kept until then.
  if (closing) {
    closing->Close();
    std::lock_guard<std::mutex> lock(m_reportLock);
    ReapClosedClients();
  }
  Trace(4, "<<< CloseReportChannel");
}

void CCommArbiter::DetachReceiver(const CCommData& receiver) {
  {
    // The arbiter lock keeps the channels alive; a receiver never takes it.
    qvplatform::CriticalSectionLock lock(m_lock);
    if (m_serialDevice) m_serialDevice->DetachReceiver(receiver);
    if (m_usbDevice) m_usbDevice->DetachReceiver(receiver);
    if (m_lptDevice) m_lptDevice->DetachReceiver(receiver);
  }
  std::vector<std::shared_ptr<CSocketClient>> clients;
  {
    std::lock_guard<std::mutex> lock(m_reportLock);
    clients = m_closedClients;
    if (m_socketClient) clients.push_back(m_socketClient);
  }
  for (const std::shared_ptr<CSocketClient>& client : clients) client->DetachReceiver(receiver);
}

void CCommArbiter::ReapClosedClients() {
  std::erase_if(m_closedClients,
                [](const std::shared_ptr<CSocketClient>& client) { return client->HasEnded(); });
}

bool CCommArbiter::WriteThrough(CComm* channel, const Cmd& command, const char* errorPrefix) {
  if (channel == nullptr) return false;
  try {
    return channel->WriteCmd(command);
  } catch (const QVError& e) {
    Trace(1, std::string(errorPrefix) + e.what());
    return false;
  }
}

bool CCommArbiter::WriteData(const Cmd& command) {
  Trace(4, ">>> WriteData");
  bool written;
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    written = WriteThrough(m_serialDevice.get(), command, "Error: WriteData");
  }
  Trace(4, "<<< WriteData");
  return written;
}

bool CCommArbiter::WriteUSBData(const Cmd& command) {
  Trace(4, ">>> WriteUSBData");
  bool written;
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    written = WriteThrough(m_usbDevice.get(), command, "Error: WriteUSBData");
  }
  Trace(4, "<<< WriteUSBData");
  return written;
}

bool CCommArbiter::WriteLPTData(const Cmd& command) {
  Trace(4, ">>> WriteLPTData");
  bool written;
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    written = WriteThrough(m_lptDevice.get(), command, "Error: WriteLPTData");
  }
  Trace(4, "<<< WriteLPTData");
  return written;
}

bool CCommArbiter::SendReportChannel(const Cmd& command) {
  Trace(4, ">>> SendReportChannel");
  bool written = false;
  std::shared_ptr<CSocketClient> client = ReportChannelClient();
  if (client && IsReportChannelConnected()) {
    written = client->Write(command);
  } else {
    Trace(2, "Warning: ReportChannel is disconnected");
    Trace(2, "Warning: ReportChannel cannot send data");
  }
  Trace(4, "<<< SendReportChannel");
  return written;
}

void CCommArbiter::SetCommEnabled(int32_t enabled) {
  {
    qvplatform::CriticalSectionLock lock(m_lock);
    if (m_lptDevice) m_lptDevice->EnableComm(enabled);
    if (m_serialDevice) m_serialDevice->EnableComm(enabled);
    if (m_usbDevice) m_usbDevice->EnableComm(enabled);
  }
  std::shared_ptr<CSocketClient> client = ReportChannelClient();
  if (client) client->SetCommEnabled(enabled);
}

void CCommArbiter::SetLastStatus(const std::string& status) {
  std::lock_guard<std::mutex> lock(m_statusLock);
  m_lastStatus = status;
}

std::string CCommArbiter::GetLastStatus() {
  std::lock_guard<std::mutex> lock(m_statusLock);
  return m_lastStatus;
}

bool CCommArbiter::IsReportChannelConnected() {
  Trace(4, ">>> IsReportChannelConnected");
  std::shared_ptr<CSocketClient> client = ReportChannelClient();
  const bool connected = client && client->IsConnected();
  Trace(4, "<<< IsReportChannelConnected");
  return connected;
}

bool CCommArbiter::HasSerialDevice() {
  qvplatform::CriticalSectionLock lock(m_lock);
  return m_serialDevice != nullptr;
}

bool CCommArbiter::HasUsbDevice() {
  qvplatform::CriticalSectionLock lock(m_lock);
  return m_usbDevice != nullptr;
}

bool CCommArbiter::HasLPTDevice() {
  qvplatform::CriticalSectionLock lock(m_lock);
  return m_lptDevice != nullptr;
}

int32_t CCommArbiter::ReportChannelUsers() {
  std::lock_guard<std::mutex> lock(m_reportLock);
  return m_reportUsers;
}

std::shared_ptr<CSocketClient> CCommArbiter::ReportChannelClient() {
  std::lock_guard<std::mutex> lock(m_reportLock);
  return m_reportOpen ? m_socketClient : nullptr;
}

CCommArbiter& TheCommArbiter() {
  static CCommArbiter arbiter;
  return arbiter;
}

namespace {
// Constructs the arbiter when the library loads, as the module's other
// process-wide objects are.
[[maybe_unused]] CCommArbiter& g_arbiterAtLoad = TheCommArbiter();
}  // namespace

bool WriteCmdByInterface(CCommArbiter& arbiter, int32_t interfaceIndex, const Cmd& command) {
  switch (interfaceIndex) {
    case kInterfaceNetwork: return arbiter.SendReportChannel(command);
    case kInterfaceUsb: return arbiter.WriteUSBData(command);
    case kInterfaceParallel: return arbiter.WriteLPTData(command);
    case kInterfaceSerial: return arbiter.WriteData(command);
    default: TheLog().Log(2, "WriteCmd", "WriteCmd Error"); return false;
  }
}
