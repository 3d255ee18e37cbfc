// A TCP client socket over IPv4 (the Windows Sockets calls the network
// channel needs): name resolution, connect with a time-out, send and receive
// bounded in time, and a shutdown that any thread may call to wake a thread
// blocked in Connect, Send or Recv.
//
// Errors are errno values (0 is success): ETIMEDOUT when a time-out expired,
// ECANCELED after Shutdown, ECONNREFUSED, ECONNRESET, EPIPE and the like from
// the kernel. Time-outs are real milliseconds; -1 waits without limit.
//
// On Windows the calls are Winsock 2's (ws2_32, started on first use), with
// overlapped sends and receives so that a time-out or Shutdown cancels them;
// Winsock errors are reported as the errno values of the same meaning.
//
// Threads: one owner thread connects, receives and closes; Send may come from
// another thread as long as the owner does not Close meanwhile (callers
// serialise Send and Close with a lock of their own); Shutdown may be called
// from any thread at any time, also concurrently with Close. Shutdown is
// final for the object: a shut-down socket is not reconnected, the owner
// makes a new TcpSocket for the next connection.
#ifndef QV_PLATFORM_NET_TCP_SOCKET_H_
#define QV_PLATFORM_NET_TCP_SOCKET_H_

#ifdef _WIN32
// Winsock's struct sockaddr_in, without the rest of <winsock2.h> (which
// brings <windows.h>).
#include <psdk_inc/_ip_types.h>
#else
#include <netinet/in.h>
#endif

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qvplatform {

// getaddrinfo restricted to IPv4 TCP (AF_INET, SOCK_STREAM, IPPROTO_TCP).
// Returns 0 with the addresses in resolver order, or the resolver's EAI_*
// code with `out` left empty.
int ResolveTcp4(const std::string& host, const std::string& service, std::vector<sockaddr_in>* out);

// "127.0.0.1" form of an address (the port is not included).
std::string DottedAddress(const sockaddr_in& address);

class TcpSocket {
 public:
  TcpSocket();
  ~TcpSocket();  // closes the socket
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Creates the socket and connects it within `timeout_ms`. On failure the
  // socket is closed again (IsValid() is false).
  int Connect(const sockaddr_in& address, int64_t timeout_ms);

  // Sends all `size` bytes, waiting at most `timeout_ms` in total.
  // `*sent` (optional) receives the number of bytes handed to the kernel,
  // which is below `size` on any error.
  int Send(const void* data, size_t size, int64_t timeout_ms, size_t* sent);

  // Receives up to `capacity` bytes, waiting at most `timeout_ms` for the
  // first. Returns 0 with `*received` > 0 for data and 0 with `*received` ==
  // 0 when the peer closed the connection in order.
  int Recv(void* buffer, size_t capacity, int64_t timeout_ms, size_t* received);

  // Any thread: shuts the connection down in both directions and wakes every
  // call in progress; they and all later calls return ECANCELED.
  void Shutdown();
  bool IsShutDown() const { return shut_down_.load(); }

  // Owner thread: closes the descriptor. Returns 0 or the errno of close().
  int Close();

  bool IsValid() const;
  // The descriptor number (for trace lines), -1 when not valid.
  int handle() const;

 private:
#ifdef _WIN32
  // Runs one overlapped WSASend or WSARecv and waits for it, for Shutdown
  // or for the time-out (which cancels it). 0, ETIMEDOUT, ECANCELED or the
  // transfer's error; `*done` receives the bytes moved.
  int Transfer(bool send, void* buffer, size_t size, int64_t deadline_ms, size_t* done);

  std::atomic<uintptr_t> socket_;  // SOCKET, INVALID_SOCKET when not valid
  void* wake_event_ = nullptr;     // manual-reset event, set by Shutdown
#else
  // Waits for `events` on the socket or for Shutdown. 0 when ready,
  // ETIMEDOUT, ECANCELED or the poll error.
  int WaitFor(short events, int64_t deadline_ms);

  std::atomic<int> fd_{-1};
  int wake_fd_ = -1;  // eventfd, readable after Shutdown
#endif
  std::atomic<bool> shut_down_{false};
  std::mutex close_mutex_;  // orders shutdown() against close() of fd_
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_NET_TCP_SOCKET_H_
