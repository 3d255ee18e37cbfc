// Serial ports on Windows: the system's device control block (SetCommState)
// and comm time-outs on a DeviceFile handle.
#include "platform/devices/serial_port.h"

#include <windows.h>

#include <cerrno>

#include "platform/base/win32_errno.h"

namespace qvplatform {

namespace {

// The pause after the last byte that ends a read.
constexpr DWORD kReadQuietMs = 5;

int LastErrno() { return ErrnoFromWin32(GetLastError()); }

}  // namespace

int SerialPort::Open(const std::filesystem::path& node, Share share) {
  int rc = DeviceFile::Open(node, share);
  if (rc != 0) return rc;
  HANDLE port = handle();
  ::DCB current{};
  current.DCBlength = sizeof(current);
  if (!::GetCommState(port, &current)) {
    Close();
    return ENOTTY;
  }
  // A read waits for the first byte (DeviceFile bounds that wait itself) and
  // returns once the line has been quiet for a few milliseconds after it.
  // (The "return at once" setting of MAXDWORD intervals is not kept by every
  // serial driver, Wine's among them.) Writes have no comm time-out either.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = kReadQuietMs;
  if (!SetCommTimeouts(port, &timeouts)) {
    rc = LastErrno();
    Close();
    return rc;
  }
  dtr_control_ = static_cast<BYTE>(current.fDtrControl);
  rts_control_ = static_cast<BYTE>(current.fRtsControl);
  return 0;
}

int SerialPort::GetCommState(DCB* dcb) const {
  ::DCB current{};
  current.DCBlength = sizeof(current);
  if (!::GetCommState(handle(), &current)) return LastErrno();
  dcb->BaudRate = current.BaudRate;
  dcb->ByteSize = current.ByteSize;
  dcb->Parity = current.Parity;
  dcb->StopBits = current.StopBits;
  dcb->fOutxCtsFlow = current.fOutxCtsFlow != 0;
  dcb->fDtrControl = static_cast<BYTE>(current.fDtrControl);
  dcb->fRtsControl = static_cast<BYTE>(current.fRtsControl);
  dcb->fOutX = current.fOutX != 0;
  dcb->fInX = current.fInX != 0;
  return 0;
}

int SerialPort::SetCommState(const DCB& dcb) {
  ::DCB next{};
  next.DCBlength = sizeof(next);
  if (!::GetCommState(handle(), &next)) return LastErrno();
  next.BaudRate = dcb.BaudRate;
  next.ByteSize = dcb.ByteSize;
  next.Parity = dcb.Parity;
  next.fParity = dcb.Parity != NOPARITY;
  next.StopBits = dcb.StopBits;
  next.fBinary = TRUE;
  next.fOutxCtsFlow = dcb.fOutxCtsFlow;
  next.fOutxDsrFlow = FALSE;
  next.fDsrSensitivity = FALSE;
  next.fDtrControl = dcb.fDtrControl;
  next.fRtsControl = dcb.fRtsControl;
  next.fOutX = dcb.fOutX;
  next.fInX = dcb.fInX;
  next.XonChar = 0x11;
  next.XoffChar = 0x13;
  next.fNull = FALSE;
  next.fAbortOnError = FALSE;
  if (!::SetCommState(handle(), &next)) return LastErrno();
  dtr_control_ = dcb.fDtrControl;
  rts_control_ = dcb.fRtsControl;
  return 0;
}

int SerialPort::EscapeCommFunction(int function) {
  if (function != SETDTR && function != CLRDTR && function != SETRTS && function != CLRRTS) {
    return EINVAL;
  }
  return ::EscapeCommFunction(handle(), static_cast<DWORD>(function)) ? 0 : LastErrno();
}

int SerialPort::PurgeComm(DWORD flags) { return ::PurgeComm(handle(), flags) ? 0 : LastErrno(); }

}  // namespace qvplatform
