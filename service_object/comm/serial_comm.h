// CSerialComm: the channel to a printer on a serial port.
//
// Opens the port exclusively at construction and applies the configured line
// settings (DCB coding: parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stop
// bits 0 one, 1 one and a half, which Linux lacks and becomes two with a
// warning line, 2 two; flow control 0 none, 1 CTS output flow with DTR on,
// 2 XON/XOFF, anything else as 0). A port that cannot be opened is not an
// error: the channel lives on with an invalid handle, and its writes fail.
//
// A read thread reads status answers, at most one read per second, and hands
// each new status image to the receiver on that thread. A read error ends the
// thread with a trace line; the channel keeps accepting writes. The
// communication-enabled flag is stored but never consulted.
//
// Writes run on the caller's thread under the channel lock and are bounded by
// WriteBoundMs at the configured baud rate: a write that cannot complete
// raises SerialCommError "Error writing data (Code:N).". The destructor stops
// the read thread (it wakes a pending read) and closes the port.
#ifndef QV_SERVICE_OBJECT_COMM_SERIAL_COMM_H_
#define QV_SERVICE_OBJECT_COMM_SERIAL_COMM_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/devices/serial_port.h"
#include "platform/sync/critical_section.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "service_object/comm/comm.h"

class CSerialComm : public CComm {
 public:
  // `devicePath` is "\\.\" + the port name, e.g. \\.\COM3.
  CSerialComm(const std::string& devicePath, int32_t baudRate, int32_t byteSize, int32_t parity,
              int32_t stopBits, int32_t flowControl, CCommData& receiver);
  ~CSerialComm() override;

  bool WriteString(const std::string& data) override;
  bool WriteCmd(const Cmd& command) override;
  bool IsOpen() const override;
  bool IsReconnecting() const override;

  // True while the read thread runs (for tests).
  bool IsReading() const;

  // The DCB the settings give, on top of `current` (what the driver reports).
  // `warning` is set when a setting had to be replaced.
  static qvplatform::DCB ApplyLineSettings(qvplatform::DCB current, int32_t baudRate,
                                           int32_t byteSize, int32_t parity, int32_t stopBits,
                                           int32_t flowControl, bool* stopBitsReplaced);

 private:
  void OpenComPort();
  void RunReadThread();
  // Writes within the bound; the caller holds the channel lock. Raises
  // SerialCommError when the open port fails or times out.
  bool WriteBytes(std::string_view bytes);

  std::string m_devicePath;
  int32_t m_baudRate;
  int32_t m_byteSize;
  int32_t m_parity;
  int32_t m_stopBits;
  int32_t m_flowControl;

  qvplatform::SerialPort m_port;
  qvplatform::CriticalSection m_lock;  // held for a whole write
  qvplatform::Event m_terminateThread{qvplatform::Event::Kind::kAutoReset};
  std::unique_ptr<qvplatform::Thread> m_readThread;
};

// The printer's presence check: true when `portName` (e.g. COM3, compared
// case-sensitively) names a present serial port.
bool IsSerialPortPresent(const std::string& portName);

#endif  // QV_SERVICE_OBJECT_COMM_SERIAL_COMM_H_
