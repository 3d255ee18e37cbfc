#include "platform/devices/serial_port.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace qvplatform {

namespace {

struct BaudEntry {
  DWORD rate;
  speed_t speed;
};

constexpr BaudEntry kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedFor(DWORD rate, speed_t* speed) {
  for (const BaudEntry& entry : kBaudRates) {
    if (entry.rate == rate) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

DWORD RateFor(speed_t speed) {
  for (const BaudEntry& entry : kBaudRates) {
    if (entry.speed == speed) return entry.rate;
  }
  return 0;
}

// Lines without modem control (pseudo-terminals) reject these ioctls; that
// is not an error of the settings.
bool IsNoModemControl(int error) { return error == ENOTTY || error == EINVAL || error == ENOTSUP; }

}  // namespace

int SerialPort::Open(const std::filesystem::path& node, Share share) {
  int rc = DeviceFile::Open(node, share);
  if (rc != 0) return rc;
  termios tio{};
  if (::tcgetattr(fd(), &tio) != 0) {
    rc = errno;
    Close();
    return rc;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(fd(), TCSANOW, &tio) != 0) {
    rc = errno;
    Close();
    return rc;
  }
  return 0;
}

int ApplyDcbToTermios(const DCB& dcb, termios* tio) {
  speed_t speed;
  if (!SpeedFor(dcb.BaudRate, &speed)) return EINVAL;
  tcflag_t size;
  switch (dcb.ByteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return EINVAL;
  }
  tcflag_t parity;
  switch (dcb.Parity) {
    case NOPARITY: parity = 0; break;
    case ODDPARITY: parity = PARENB | PARODD; break;
    case EVENPARITY: parity = PARENB; break;
    case MARKPARITY: parity = PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: parity = PARENB | CMSPAR; break;
    default: return EINVAL;
  }
  bool two_stop_bits;
  switch (dcb.StopBits) {
    case ONESTOPBIT: two_stop_bits = false; break;
    case ONE5STOPBITS:  // termios has no 1.5 stop bits: the nearest is 2
    case TWOSTOPBITS: two_stop_bits = true; break;
    default: return EINVAL;
  }
  ::cfsetispeed(tio, speed);
  ::cfsetospeed(tio, speed);
  tio->c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio->c_cflag |= size | parity;
  if (two_stop_bits) tio->c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) tio->c_cflag |= CRTSCTS;
  tio->c_iflag &= ~(IXON | IXOFF | IXANY);
  if (dcb.fOutX) tio->c_iflag |= IXON;
  if (dcb.fInX) tio->c_iflag |= IXOFF;
  tio->c_cc[VSTART] = 0x11;
  tio->c_cc[VSTOP] = 0x13;
  return 0;
}

void DcbFromTermios(const termios& tio, DCB* dcb) {
  dcb->BaudRate = RateFor(::cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5: dcb->ByteSize = 5; break;
    case CS6: dcb->ByteSize = 6; break;
    case CS7: dcb->ByteSize = 7; break;
    default: dcb->ByteSize = 8; break;
  }
  if ((tio.c_cflag & PARENB) == 0) {
    dcb->Parity = NOPARITY;
  } else if (tio.c_cflag & CMSPAR) {
    dcb->Parity = (tio.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  } else {
    dcb->Parity = (tio.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  }
  dcb->StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  dcb->fOutxCtsFlow = (tio.c_cflag & CRTSCTS) != 0;
  dcb->fOutX = (tio.c_iflag & IXON) != 0;
  dcb->fInX = (tio.c_iflag & IXOFF) != 0;
}

int SerialPort::GetCommState(DCB* dcb) const {
  termios tio{};
  if (::tcgetattr(fd(), &tio) != 0) return errno;
  DCB out;
  DcbFromTermios(tio, &out);
  out.fRtsControl = out.fOutxCtsFlow ? RTS_CONTROL_HANDSHAKE : rts_control_;
  out.fDtrControl = dtr_control_;
  *dcb = out;
  return 0;
}

int SerialPort::SetCommState(const DCB& dcb) {
  termios tio{};
  if (::tcgetattr(fd(), &tio) != 0) return errno;
  int rc = ApplyDcbToTermios(dcb, &tio);
  if (rc != 0) return rc;
  if (::tcsetattr(fd(), TCSANOW, &tio) != 0) return errno;

  dtr_control_ = dcb.fDtrControl;
  rts_control_ = dcb.fRtsControl;
  rc = EscapeCommFunction(dcb.fDtrControl == DTR_CONTROL_DISABLE ? CLRDTR : SETDTR);
  if (rc != 0 && !IsNoModemControl(rc)) return rc;
  if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE) {
    rc = EscapeCommFunction(dcb.fRtsControl == RTS_CONTROL_DISABLE ? CLRRTS : SETRTS);
    if (rc != 0 && !IsNoModemControl(rc)) return rc;
  }
  return 0;
}

int SerialPort::EscapeCommFunction(int function) {
  int bits = 0;
  unsigned long request = 0;
  switch (function) {
    case SETDTR:
      bits = TIOCM_DTR;
      request = TIOCMBIS;
      break;
    case CLRDTR:
      bits = TIOCM_DTR;
      request = TIOCMBIC;
      break;
    case SETRTS:
      bits = TIOCM_RTS;
      request = TIOCMBIS;
      break;
    case CLRRTS:
      bits = TIOCM_RTS;
      request = TIOCMBIC;
      break;
    default: return EINVAL;
  }
  if (::ioctl(fd(), request, &bits) != 0) return errno;
  return 0;
}

int SerialPort::PurgeComm(DWORD flags) {
  int queue = 0;
  bool tx = (flags & PURGE_TXCLEAR) != 0;
  bool rx = (flags & PURGE_RXCLEAR) != 0;
  if (tx && rx) {
    queue = TCIOFLUSH;
  } else if (tx) {
    queue = TCOFLUSH;
  } else if (rx) {
    queue = TCIFLUSH;
  } else {
    return 0;
  }
  if (::tcflush(fd(), queue) != 0) return errno;
  return 0;
}

}  // namespace qvplatform
