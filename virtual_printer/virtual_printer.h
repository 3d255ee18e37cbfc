// The virtual receipt printer: a PrinterEngine behind real transports.
//   TCP    a server on any IPv4 address (127.x.y.z loopback addresses let
//          parallel tests use the standard port 9100 side by side); each
//          connection has its own parser, answers go back on it.
//   PTY    a pseudo-terminal in raw mode; a client opens the slave path
//          (pty_path(), or the symbolic link given to StartPty) as it would a
//          serial port, or through the device map as COMn, LPTn or a USB
//          printer. The printer keeps a slave descriptor of its own open, so
//          clients may open and close the slave freely.
// Fault modes: answer nothing (PrinterEngine::SetAnswerNothing), stop
// reading (the client's writes then stall once the kernel buffers are full),
// refuse connections (the listening socket is closed: connects fail with
// ECONNREFUSED until it is turned off), drop the connections (every TCP
// connection is closed; the pseudo-terminal is hung up, so a client's
// pending read fails with EIO, and a new one is made in its place, the
// symbolic link following it).
//
// One I/O thread serves every transport. All members are thread-safe; the
// fault and Drop calls return once the I/O thread has carried them out.
// Errors are errno values (0 is success).
#ifndef QV_VIRTUAL_PRINTER_VIRTUAL_PRINTER_H_
#define QV_VIRTUAL_PRINTER_VIRTUAL_PRINTER_H_

#include <netinet/in.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "virtual_printer/printer_engine.h"

namespace qvvp {

class VirtualPrinter {
 public:
  static constexpr uint16_t kDefaultPort = 9100;

  VirtualPrinter();
  ~VirtualPrinter();  // Stop()
  VirtualPrinter(const VirtualPrinter&) = delete;
  VirtualPrinter& operator=(const VirtualPrinter&) = delete;

  PrinterEngine& engine() { return engine_; }
  const PrinterEngine& engine() const { return engine_; }

  // Listens on `address`:`port` (port 0 picks a free one; see tcp_port()).
  int StartTcp(const std::string& address = "127.0.0.1", uint16_t port = kDefaultPort);
  uint16_t tcp_port() const;
  std::string tcp_address() const;

  // Opens the pseudo-terminal; with `link`, also a symbolic link to its slave
  // (an existing symbolic link there is replaced; anything else is EEXIST).
  int StartPty(const std::filesystem::path& link = {});
  std::filesystem::path pty_path() const;

  // Closes every transport and ends the I/O thread; removes the link.
  void Stop();

  void SetStopReading(bool on);
  void SetRefuseConnections(bool on);
  void DropConnections();

  size_t open_connections() const;        // TCP connections now open
  uint64_t accepted_connections() const;  // TCP connections accepted so far

 private:
  struct Connection;

  void EnsureThread();
  void RunOnIoThread(const std::function<void()>& task);
  void IoLoop();
  void CloseConnection(size_t index);
  void FlushOutput(Connection& connection);
  void ServeInput(Connection& connection);
  int OpenPtyLocked();
  void ClosePtyLocked();
  int ListenLocked();

  PrinterEngine engine_;

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable done_;
  std::thread thread_;
  bool running_ = false;
  bool quit_ = false;
  int wake_fd_ = -1;
  std::deque<std::function<void()>> tasks_;
  uint64_t tasks_done_ = 0;
  uint64_t tasks_posted_ = 0;

  sockaddr_in listen_address_{};
  bool tcp_wanted_ = false;
  int listen_fd_ = -1;
  bool refuse_ = false;
  bool stop_reading_ = false;
  std::vector<std::unique_ptr<Connection>> connections_;
  uint64_t accepted_ = 0;

  bool pty_wanted_ = false;
  std::unique_ptr<Connection> pty_;  // the master side
  int pty_slave_fd_ = -1;
  std::filesystem::path pty_path_;
  std::filesystem::path pty_link_;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_VIRTUAL_PRINTER_H_
