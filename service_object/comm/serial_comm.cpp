#include "service_object/comm/serial_comm.h"

#include <cerrno>
#include <cstring>
#include <regex>
#include <system_error>

#include "platform/base/clock.h"
#include "platform/devices/device_map.h"
#include "platform/devices/serial_ports.h"
#include "platform/devices/spooler_ports.h"
#include "service_object/comm/status_image.h"
#include "service_object/comm/system_error_code.h"
#include "service_object/comm/write_bound.h"
#include "service_object/core/errors.h"
#include "service_object/core/log.h"

namespace {

const char kSource[] = "CSerialComm";
constexpr size_t kReadBufferSize = 512;

void Trace(int level, const std::string& text) { TheLog().Log(level, kSource, text); }

std::string CodeText(int errno_value) { return NumToString(SystemErrorCode(errno_value)); }

}  // namespace

CSerialComm::CSerialComm(const std::string& devicePath, int32_t baudRate, int32_t byteSize,
                         int32_t parity, int32_t stopBits, int32_t flowControl, CCommData& receiver)
    : CComm(&receiver),
      m_devicePath(devicePath),
      m_baudRate(baudRate),
      m_byteSize(byteSize),
      m_parity(parity),
      m_stopBits(stopBits),
      m_flowControl(flowControl) {
  Trace(4, ">>> CSerialComm(2)");
  OpenComPort();
  try {
    m_readThread = std::make_unique<qvplatform::Thread>("CSerialComm", [this] { RunReadThread(); });
  } catch (const std::system_error& e) {
    throw SerialCommError("Unable to start read thread (Code:" + CodeText(e.code().value()) + ").");
  }
  Trace(4, "<<< CSerialComm(2)");
}

CSerialComm::~CSerialComm() {
  Trace(4, ">>> ~CSerialComm()");
  m_terminateThread.Set();
  m_port.CancelIo();
  m_readThread.reset();  // joins
  m_port.Close();
  Trace(4, "<<< ~CSerialComm()");
}

qvplatform::DCB CSerialComm::ApplyLineSettings(qvplatform::DCB dcb, int32_t baudRate,
                                               int32_t byteSize, int32_t parity, int32_t stopBits,
                                               int32_t flowControl, bool* stopBitsReplaced) {
  dcb.BaudRate = static_cast<DWORD>(baudRate);
  dcb.ByteSize = static_cast<BYTE>(byteSize & 0xFF);
  dcb.Parity = static_cast<BYTE>(parity & 0xFF);
  dcb.StopBits = static_cast<BYTE>(stopBits & 0xFF);
  if (stopBitsReplaced != nullptr) *stopBitsReplaced = false;
  if (dcb.StopBits == qvplatform::ONE5STOPBITS) {
    dcb.StopBits = qvplatform::TWOSTOPBITS;
    if (stopBitsReplaced != nullptr) *stopBitsReplaced = true;
  }
  switch (flowControl) {
    case 1:  // hardware
      dcb.fOutxCtsFlow = true;
      dcb.fDtrControl = qvplatform::DTR_CONTROL_ENABLE;
      dcb.fOutX = false;
      dcb.fInX = false;
      break;
    case 2:  // XON/XOFF
      dcb.fOutxCtsFlow = false;
      dcb.fDtrControl = qvplatform::DTR_CONTROL_DISABLE;
      dcb.fOutX = true;
      dcb.fInX = true;
      break;
    default:  // none
      dcb.fOutxCtsFlow = false;
      dcb.fDtrControl = qvplatform::DTR_CONTROL_DISABLE;
      dcb.fOutX = false;
      dcb.fInX = false;
      break;
  }
  return dcb;
}

void CSerialComm::OpenComPort() {
  if (IsOpen()) return;
  int rc = ENOENT;
  if (auto node = qvplatform::ResolveDevicePath(m_devicePath)) {
    rc = m_port.Open(*node, qvplatform::DeviceFile::Share::kExclusive);
  }
  if (rc != 0) {
    Trace(2, ">>> OpenFail");
    return;
  }
  TheLog().Log(5, "OpenComPort", ">>> OpenComPort Open success");

  qvplatform::DCB dcb;
  if (m_port.GetCommState(&dcb) == 0) {
    bool replaced = false;
    dcb = ApplyLineSettings(dcb, m_baudRate, m_byteSize, m_parity, m_stopBits, m_flowControl,
                            &replaced);
    if (replaced) {
      Trace(2, "Warning: OpenComPort: 1.5 stop bits are not available; using 2 stop bits");
    }
    int set_rc = m_port.SetCommState(dcb);
    if (set_rc != 0) {
      Trace(2, "Warning: OpenComPort: line settings not applied (Code:" + CodeText(set_rc) + ").");
    }
  }
  qvplatform::Sleep(300);
  Trace(4, ">>> OpenComPort");
  Trace(5, "    | Target: " + m_devicePath);
  Trace(4, "<<< OpenComPort");
}

bool CSerialComm::IsOpen() const { return m_port.IsOpen(); }

bool CSerialComm::IsReconnecting() const { return false; }

bool CSerialComm::IsReading() const { return m_readThread && !m_readThread->HasEnded(); }

void CSerialComm::RunReadThread() {
  try {
    std::string image = NewStatusImage();
    char buffer[kReadBufferSize];
    bool running = true;
    Trace(5, "    | About to entered RunReadThread loop");
    while (running) {
      if (m_terminateThread.Wait(0)) break;
      if (!IsOpen()) {
        // The port is opened once, at creation: nothing to poll. Wait for
        // the end instead of tracing every 100 ms for the channel's life.
        Trace(5, "    | Error Handle");
        m_terminateThread.Wait(-1);
        break;
      }
      size_t got = 0;
      int rc = m_port.Read(buffer, sizeof(buffer), -1, &got);
      if (rc == ECANCELED) {
        running = false;
        Trace(5, "    | Signaled termination of RunReadThread loop");
        break;
      }
      if (rc != 0) {
        throw SerialCommError("Error while reading data (Code:" + CodeText(rc) + ")");
      }
      if (running && got > 0 && UpdateStatusImage(image, std::string_view(buffer, got))) {
        m_receiverSlot.Deliver(image);
      }
      // At most one read per second; the end of the channel cuts it short.
      if (m_terminateThread.Wait(qvplatform::ScaledMs(1000))) break;
    }
  } catch (const QVError& e) {
    Trace(1, std::string("Error: RunReadThread: ") + e.what());
  }
}

bool CSerialComm::WriteCmd(const Cmd& command) {
  Trace(4, ">>> WriteCmd");
  qvplatform::CriticalSectionLock lock(m_lock);
  if (!IsOpen()) Trace(4, ">>> WriteCmd Failt Open Fial");
  std::string_view bytes = CmdBytes(command);
  Trace(5, "    | pCmd->m_cmdLen: " + NumToString(static_cast<long long>(bytes.size())));
  bool written = WriteBytes(bytes);
  Trace(4, "<<< WriteCmd");
  return written;
}

bool CSerialComm::WriteString(const std::string& data) {
  qvplatform::CriticalSectionLock lock(m_lock);
  if (!IsOpen()) Trace(4, ">>> WriteString Failt Open Fial");
  Trace(4, ">>> WriteString");
  Trace(5, "    | Write:  " + ControlCharText(data) +
               " Length: " + NumToString(static_cast<long long>(data.size())));
  bool written = WriteBytes(data);
  Trace(4, "<<< WriteString");
  return written;
}

bool CSerialComm::WriteBytes(std::string_view bytes) {
  size_t written = 0;
  int rc = 0;
  if (IsOpen()) {
    rc = m_port.Write(bytes.data(), bytes.size(), WriteBoundMs(bytes.size(), m_baudRate), &written);
  } else {
    rc = EBADF;  // nothing can be written without a port; counts as 0 bytes
  }
  if (rc != 0 && IsOpen()) {
    throw SerialCommError("Error writing data (Code:" + CodeText(rc) + ").");
  }
  Trace(5, "    | WrittenBytes: " + NumToString(static_cast<unsigned long long>(written)));
  return rc == 0 && written == bytes.size();
}

bool IsSerialPortPresent(const std::string& portName) {
  if (qvplatform::EnumPorts().empty()) return false;
  static const std::regex kComName("(COM|com)([0-9]*)");
  for (const qvplatform::SerialPortInfo& port : qvplatform::EnumerateSerialPorts()) {
    std::smatch match;
    if (std::regex_search(port.friendlyName, match, kComName) && match.str(0) == portName) {
      return true;
    }
  }
  return false;
}
