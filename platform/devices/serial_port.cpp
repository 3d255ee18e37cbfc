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

int SerialPort::GetCommState(DCB* dcb) const {
  termios tio{};
  if (::tcgetattr(fd(), &tio) != 0) return errno;
  DCB out;
  out.BaudRate = RateFor(::cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5: out.ByteSize = 5; break;
    case CS6: out.ByteSize = 6; break;
    case CS7: out.ByteSize = 7; break;
    default: out.ByteSize = 8; break;
  }
  if ((tio.c_cflag & PARENB) == 0) {
    out.Parity = NOPARITY;
  } else if (tio.c_cflag & CMSPAR) {
    out.Parity = (tio.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  } else {
    out.Parity = (tio.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  }
  out.StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  bool crtscts = (tio.c_cflag & CRTSCTS) != 0;
  out.fOutxCtsFlow = crtscts;
  out.fRtsControl = crtscts ? RTS_CONTROL_HANDSHAKE : rts_control_;
  out.fDtrControl = dtr_control_;
  out.fOutX = (tio.c_iflag & IXON) != 0;
  out.fInX = (tio.c_iflag & IXOFF) != 0;
  *dcb = out;
  return 0;
}

int SerialPort::SetCommState(const DCB& dcb) {
  termios tio{};
  if (::tcgetattr(fd(), &tio) != 0) return errno;

  speed_t speed;
  if (!SpeedFor(dcb.BaudRate, &speed)) return EINVAL;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);

  tio.c_cflag &= ~CSIZE;
  switch (dcb.ByteSize) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: return EINVAL;
  }

  tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (dcb.Parity) {
    case NOPARITY: break;
    case ODDPARITY: tio.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: tio.c_cflag |= PARENB; break;
    case MARKPARITY: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: tio.c_cflag |= PARENB | CMSPAR; break;
    default: return EINVAL;
  }

  switch (dcb.StopBits) {
    case ONESTOPBIT: tio.c_cflag &= ~CSTOPB; break;
    case ONE5STOPBITS:  // termios has no 1.5 stop bits: the nearest is 2
    case TWOSTOPBITS: tio.c_cflag |= CSTOPB; break;
    default: return EINVAL;
  }

  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
    tio.c_cflag |= CRTSCTS;
  } else {
    tio.c_cflag &= ~CRTSCTS;
  }
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (dcb.fOutX) tio.c_iflag |= IXON;
  if (dcb.fInX) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = 0x11;
  tio.c_cc[VSTOP] = 0x13;

  if (::tcsetattr(fd(), TCSANOW, &tio) != 0) return errno;

  dtr_control_ = dcb.fDtrControl;
  rts_control_ = dcb.fRtsControl;
  int rc = EscapeCommFunction(dcb.fDtrControl == DTR_CONTROL_DISABLE ? CLRDTR : SETDTR);
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
    case SETDTR: bits = TIOCM_DTR; request = TIOCMBIS; break;
    case CLRDTR: bits = TIOCM_DTR; request = TIOCMBIC; break;
    case SETRTS: bits = TIOCM_RTS; request = TIOCMBIS; break;
    case CLRRTS: bits = TIOCM_RTS; request = TIOCMBIC; break;
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
