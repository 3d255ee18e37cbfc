#include "service_object/comm/lpt_comm.h"

#include <cerrno>
#include <system_error>

#include "platform/base/clock.h"
#include "platform/devices/device_map.h"
#include "service_object/comm/status_image.h"
#include "service_object/comm/system_error_code.h"
#include "service_object/comm/write_bound.h"
#include "service_object/core/errors.h"
#include "service_object/core/log.h"

namespace {

const char kSource[] = "CLPTComm";
constexpr size_t kReadBufferSize = 32;

void Trace(int level, const std::string& text) { TheLog().Log(level, kSource, text); }

std::string CodeText(int errno_value) { return NumToString(SystemErrorCode(errno_value)); }

// The port name as the read trace shows it: without "\" and ".".
std::string BareName(const std::string& name) {
  std::string bare;
  for (char c : name) {
    if (c != '\\' && c != '.') bare += c;
  }
  return bare;
}

}  // namespace

CLPTComm::CLPTComm(const std::string& portName, CCommData& receiver) : CComm(&receiver) {
  Trace(4, ">>> CLPTComm()");
  OpenComPort(portName);
  try {
    m_readThread = std::make_unique<qvplatform::Thread>("CLPTComm", [this] { RunReadThread(); });
  } catch (const std::system_error& e) {
    throw SerialCommError("Unable to start read thread (Code:" + CodeText(e.code().value()) + ").");
  }
  Trace(4, "<<< CLPTComm()");
}

CLPTComm::~CLPTComm() {
  Trace(4, ">>> ~CLPTComm()");
  m_terminateThread.Set();
  m_port.CancelIo();  // a read in progress ends at once
  m_readThread.reset();
  m_port.Close();
  Trace(4, "<<< ~CLPTComm()");
}

void CLPTComm::OpenComPort(const std::string& name) {
  int rc = ENOENT;
  if (auto node = qvplatform::ResolveDevicePath(name)) {
    rc = m_port.Open(*node, qvplatform::DeviceFile::Share::kExclusive);
  }
  if (rc != 0) throw UsbCommError("Unable to open USB device (Code:" + CodeText(rc) + ").");
  Trace(5, "    | Opened LPT Port");
  qvplatform::Sleep(25);
  Trace(4, ">>> OpenComPort");
  Trace(5, "    | Target: " + name);
  Trace(4, "<<< OpenComPort");
  m_portName = name;
}

bool CLPTComm::IsOpen() const { return m_port.IsOpen(); }

bool CLPTComm::IsReading() const { return m_readThread && !m_readThread->HasEnded(); }

void CLPTComm::RunReadThread() {
  try {
    std::string image = NewStatusImage();
    char buffer[kReadBufferSize];
    Trace(5, "    | About to entered RunReadThread loop");
    for (;;) {
      if (m_terminateThread.Wait(0)) break;
      if (!IsOpen()) {
        TheLog().Log(5, "CSerialComm", "    | Error Handle");
        if (m_terminateThread.Wait(qvplatform::ScaledMs(100))) break;
        continue;
      }
      if (m_commEnabled.load() == 0) {
        if (m_terminateThread.Wait(qvplatform::ScaledMs(500))) break;
        continue;
      }
      size_t got = 0;
      int rc = m_port.Read(buffer, sizeof(buffer), -1, &got);
      if (rc == ECANCELED) {
        Trace(5, "    | Signaled termination of RunReadThread loop");
        break;
      }
      if (rc != 0) {
        // Read failures are not reported: the thread waits for the end.
        m_terminateThread.Wait(-1);
        break;
      }
      if (got > 0) {
        std::string_view read(buffer, got);
        if (UpdateStatusImage(image, read)) m_receiverSlot.Deliver(image);
        Trace(5, "    - Port[" + BareName(m_portName) + "]Read: " + ControlCharText(read));
      }
      if (m_terminateThread.Wait(qvplatform::ScaledMs(1000))) break;
    }
  } catch (const QVError& e) {
    Trace(1, std::string("Error: RunReadThread: ") + e.what());
  }
}

bool CLPTComm::WriteCmd(const Cmd& command) {
  Trace(4, ">>> WriteCmd");
  if (m_commEnabled.load() == 0) return false;
  bool written = WriteBytes(CmdBytes(command));
  Trace(4, "<<< WriteCmd");
  return written;
}

bool CLPTComm::WriteString(const std::string& data) {
  Trace(4, ">>> WriteString");
  Trace(5, "    | Write:  " + ControlCharText(data) +
               " Length: " + NumToString(static_cast<unsigned long long>(data.size())));
  if (m_commEnabled.load() == 0) return false;
  bool written = WriteBytes(data);
  Trace(4, "<<< WriteString");
  return written;
}

bool CLPTComm::WriteBytes(std::string_view bytes) {
  size_t written = 0;
  int rc = m_port.Write(bytes.data(), bytes.size(), WriteBoundMs(bytes.size(), 0), &written);
  if (rc != 0) throw SerialCommError("Error writing data (Code:" + CodeText(rc) + ").");
  Trace(5, "    | WrittenBytes: " + NumToString(static_cast<unsigned long long>(written)));
  return written == bytes.size();
}
