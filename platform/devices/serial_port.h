// A serial port handle: a DeviceFile whose line is configured through a
// device control block (DCB), as on Windows, realised with termios. Works on
// real ports (ttyS, ttyUSB, ttyACM) and on pseudo-terminals alike.
//
// Open puts the line in raw mode (no echo, no character translation, no
// signals) and keeps its speed and framing; GetCommState and SetCommState
// then read and change them. Mapping onto termios:
//   BaudRate      the standard rates 50 .. 4000000; another rate is EINVAL
//   ByteSize      5 .. 8 (CS5 .. CS8); another value is EINVAL
//   Parity        NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY and SPACEPARITY
//                 (the last two through CMSPAR); another value is EINVAL
//   StopBits      ONESTOPBIT; TWOSTOPBITS; ONE5STOPBITS, which termios lacks,
//                 is set as two stop bits (GetCommState then reports
//                 TWOSTOPBITS); another value is EINVAL
//   fOutxCtsFlow  or fRtsControl == RTS_CONTROL_HANDSHAKE: CRTSCTS
//   fOutX, fInX   IXON, IXOFF (XON 0x11, XOFF 0x13)
//   fDtrControl   DTR_CONTROL_ENABLE (and HANDSHAKE, which Linux cannot do)
//                 raises DTR, DTR_CONTROL_DISABLE drops it, through the
//                 modem-control ioctls; lines without modem control (a
//                 pseudo-terminal) ignore it, and the value set is reported
//                 back by GetCommState either way.
// GetCommState reports what the line holds: a pseudo-terminal keeps the
// speed, stop bits and flow control but always reads 8 data bits without
// parity (the kernel forces them).
// All calls return 0 or an errno value.
//
// On Windows the port is the system's (CreateFile on \\.\COMn): the DCB
// fields are copied into the system's device control block and set with
// SetCommState, which takes every value above as it is (1.5 stop bits
// included); DTR and RTS follow fDtrControl and fRtsControl; Open sets
// SetCommTimeouts so that a read returns once bytes have arrived and the
// line has been quiet for 5 ms. An object that is not a serial port is
// ENOTTY there too.
//
// Threads: as DeviceFile. The settings calls belong to the owner.
#ifndef QV_PLATFORM_DEVICES_SERIAL_PORT_H_
#define QV_PLATFORM_DEVICES_SERIAL_PORT_H_

#ifndef _WIN32
#include <termios.h>
#endif

#include <cstdint>
#include <filesystem>

#include "platform/base/wintypes.h"
#include "platform/devices/device_file.h"

namespace qvplatform {

// DCB coding of Windows.
constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;

constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;

constexpr BYTE DTR_CONTROL_DISABLE = 0;
constexpr BYTE DTR_CONTROL_ENABLE = 1;
constexpr BYTE DTR_CONTROL_HANDSHAKE = 2;

constexpr BYTE RTS_CONTROL_DISABLE = 0;
constexpr BYTE RTS_CONTROL_ENABLE = 1;
constexpr BYTE RTS_CONTROL_HANDSHAKE = 2;

// EscapeCommFunction codes.
constexpr int SETRTS = 3;
constexpr int CLRRTS = 4;
constexpr int SETDTR = 5;
constexpr int CLRDTR = 6;

// PurgeComm flags.
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

// The fields of the Windows DCB that a line has on Linux.
struct DCB {
  DWORD BaudRate = 9600;
  BYTE ByteSize = 8;
  BYTE Parity = NOPARITY;
  BYTE StopBits = ONESTOPBIT;
  bool fOutxCtsFlow = false;
  BYTE fDtrControl = DTR_CONTROL_ENABLE;
  BYTE fRtsControl = RTS_CONTROL_ENABLE;
  bool fOutX = false;
  bool fInX = false;
};

#ifndef _WIN32
// The termios side of the mapping above. ApplyDcbToTermios changes only the
// fields the DCB governs (0, or EINVAL with `tio` untouched);
// DcbFromTermios fills every field but fDtrControl and fRtsControl.
int ApplyDcbToTermios(const DCB& dcb, termios* tio);
void DcbFromTermios(const termios& tio, DCB* dcb);
#endif

class SerialPort : public DeviceFile {
 public:
  SerialPort() = default;

  // Opens the node (a terminal device; anything else is ENOTTY) and puts the
  // line in raw mode.
  int Open(const std::filesystem::path& node, Share share) override;

  int GetCommState(DCB* dcb) const;
  int SetCommState(const DCB& dcb);

  // SETDTR, CLRDTR, SETRTS, CLRRTS through the modem-control ioctls.
  int EscapeCommFunction(int function);

  // Discards unsent output (PURGE_TXCLEAR) and/or unread input
  // (PURGE_RXCLEAR).
  int PurgeComm(DWORD flags);

 private:
  BYTE dtr_control_ = DTR_CONTROL_ENABLE;
  BYTE rts_control_ = RTS_CONTROL_ENABLE;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_SERIAL_PORT_H_
