#include "service_object/comm/usb_comm.h"

#include <cerrno>
#include <system_error>

#include "platform/base/clock.h"
#include "platform/devices/device_map.h"
#include "platform/devices/usb_printers.h"
#include "service_object/comm/status_image.h"
#include "service_object/comm/system_error_code.h"
#include "service_object/comm/write_bound.h"
#include "service_object/core/errors.h"
#include "service_object/core/log.h"

namespace {

const char kSource[] = "CUsbComm";
constexpr size_t kReadBufferSize = 512;

void Trace(int level, const std::string& text) { TheLog().Log(level, kSource, text); }

std::string CodeText(int errno_value) { return NumToString(SystemErrorCode(errno_value)); }

}  // namespace

CUsbComm::CUsbComm(int32_t /*interfaceIndex*/, const std::string& devicePath, CCommData& receiver)
    : CComm(&receiver) {
  Trace(4, ">>> CUsbComm(3)");
  OpenPort(devicePath);
  try {
    m_ReadThread = std::make_unique<qvplatform::Thread>("CUsbComm", [this] { CreateReadThread(); });
  } catch (const std::system_error& e) {
    throw SerialCommError("Unable to start read thread (Code:" + CodeText(e.code().value()) + ").");
  }
  Trace(4, "<<< CUsbComm(3)");
}

CUsbComm::~CUsbComm() {
  Trace(4, ">>> ~CUsbComm");
  Trace(5, "    | About to ::SetEvent(m_TerminateThread)");
  m_TerminateThread.Set();
  m_UsbDevice.CancelIo();
  Trace(5, "    | About to call ::WaitForSingleObject(m_ReadThread, INFINITE);");
  m_ReadThread->Join(-1);
  Trace(5,
        "    | About to call ::CloseHandle for m_ReadThread, for m_UsbDevice, and for "
        "m_TerminateThread");
  m_ReadThread.reset();
  m_UsbDevice.Close();
  Trace(4, "<<< ~CUsbComm");
}

void CUsbComm::OpenPort(const std::string& path) {
  Trace(4, ">>> OpenPort");
  int rc = ENOENT;
  if (auto node = qvplatform::ResolveDevicePath(path)) {
    rc = m_UsbDevice.Open(*node, qvplatform::DeviceFile::Share::kReadWrite);
  }
  if (rc != 0) {
    m_portName = "???";
    throw UsbCommError("Unable to open USB device (Code:" + CodeText(rc) + ").");
  }
  Trace(5, "    | Opened USB Port");
  m_portName = path;
  qvplatform::Sleep(100);
}

bool CUsbComm::IsOpen() const { return m_UsbDevice.IsOpen(); }

bool CUsbComm::IsReading() const { return m_ReadThread && !m_ReadThread->HasEnded(); }

void CUsbComm::CreateReadThread() {
  Trace(4, ">>> CreateReadThread");
  RunReadThread();
  Trace(4, "<<< CreateReadThread");
}

void CUsbComm::RunReadThread() {
  try {
    std::string image = NewStatusImage();
    char buffer[kReadBufferSize];
    bool running = true;
    Trace(5, "    | About to entered RunReadThread loop");
    while (running) {
      if (m_TerminateThread.Wait(0)) break;
      if (!IsOpen()) {
        TheLog().Log(5, "CSerialComm", "    | Error Handle");
        if (m_TerminateThread.Wait(qvplatform::ScaledMs(100))) break;
        continue;
      }
      if (m_commEnabled.load() == 0) {
        if (m_TerminateThread.Wait(qvplatform::ScaledMs(500))) break;
        continue;
      }
      size_t got = 0;
      int rc = m_UsbDevice.Read(buffer, sizeof(buffer), -1, &got);
      if (rc == ECANCELED) {
        Trace(5, "    | Signaled termination of RunReadThread loop");
        running = false;
        continue;
      }
      if (rc != 0) {
        throw UsbCommError("Error while reading data (Code:" + CodeText(rc) + ").");
      }
      if (got > 0 && UpdateStatusImage(image, std::string_view(buffer, got))) {
        m_receiverSlot.Deliver(image);
      }
    }
    Trace(5, "    - About to exit RunReadThread");
  } catch (const QVError& e) {
    Trace(1, std::string("Error: RunReadThread: ") + e.what());
  }
}

bool CUsbComm::WriteCmd(const Cmd& command) {
  qvplatform::CriticalSectionLock lock(m_lock);
  Trace(4, ">>> WriteCmd");
  Trace(5, "    | Data: ");
  return WriteBytes(CmdBytes(command), ">>> WriteCmd Open Fail");
}

bool CUsbComm::WriteString(const std::string& data) {
  qvplatform::CriticalSectionLock lock(m_lock);
  Trace(4, ">>> WriteString");
  Trace(5, "    | Data: " + HexText(data));
  Trace(5, "    | Data: " + ControlCharText(data));
  return WriteBytes(data, ">>> WriteString Open Fail");
}

bool CUsbComm::WriteBytes(std::string_view bytes, const char* notOpenLine) {
  if (!IsOpen()) {
    Trace(4, notOpenLine);
    return false;
  }
  if (m_commEnabled.load() == 0) return false;
  size_t written = 0;
  int rc = m_UsbDevice.Write(bytes.data(), bytes.size(), WriteBoundMs(bytes.size(), 0), &written);
  if (rc != 0) throw SerialCommError("Error writing data (Code:" + CodeText(rc) + ").");
  Trace(4, "<<< WriteString");
  return written == bytes.size();
}

bool IsUsbPortPresent(const std::string& usbPort) {
  if (usbPort.size() < 25) return false;
  const std::string vendor = usbPort.substr(8, 8);
  const std::string product = usbPort.substr(17, 8);
  for (const qvplatform::UsbPrinterInfo& printer : qvplatform::EnumerateUsbPrinters()) {
    if (printer.devicePath.find(vendor) != std::string::npos &&
        printer.devicePath.find(product) != std::string::npos) {
      return true;
    }
  }
  return false;
}
