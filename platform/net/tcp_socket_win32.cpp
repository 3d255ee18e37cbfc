// TCP sockets on Windows: Winsock 2. Connecting waits on a network event;
// sends and receives are overlapped, each waited for together with the
// wake event that Shutdown sets, and cancelled when the time-out or
// Shutdown comes first.
#include "platform/net/tcp_socket.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cerrno>

#include "platform/base/win32_errno.h"
#include "platform/base/win32_overlapped.h"
#include "platform/base/win32_wait.h"

namespace qvplatform {

namespace {

// Winsock is started once per process and left running.
bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

int LastSocketErrno() { return ErrnoFromWin32(static_cast<DWORD>(WSAGetLastError())); }

}  // namespace

int ResolveTcp4(const std::string& host, const std::string& service,
                std::vector<sockaddr_in>* out) {
  out->clear();
  if (!StartWinsock()) return EAI_FAIL;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* result = nullptr;
  int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
  if (rc != 0) return rc;
  for (addrinfo* ai = result; ai != nullptr; ai = ai->ai_next) {
    if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
    out->push_back(*reinterpret_cast<const sockaddr_in*>(ai->ai_addr));
  }
  freeaddrinfo(result);
  return out->empty() ? EAI_NONAME : 0;
}

std::string DottedAddress(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr copy = address.sin_addr;
  if (inet_ntop(AF_INET, &copy, text, sizeof(text)) == nullptr) return "Unknown";
  return text;
}

TcpSocket::TcpSocket() : socket_(INVALID_SOCKET) {
  wake_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

TcpSocket::~TcpSocket() {
  Close();
  if (wake_event_ != nullptr) CloseHandle(wake_event_);
}

bool TcpSocket::IsValid() const { return socket_.load() != INVALID_SOCKET; }

int TcpSocket::handle() const {
  SOCKET s = socket_.load();
  return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}

int TcpSocket::Connect(const sockaddr_in& address, int64_t timeout_ms) {
  if (shut_down_.load()) return ECANCELED;
  Close();
  if (!StartWinsock() || wake_event_ == nullptr) return ENETDOWN;
  SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                        WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return LastSocketErrno();
  {
    std::lock_guard<std::mutex> lock(close_mutex_);
    socket_.store(s);
  }
  // Connect without blocking, waiting for the connect event, Shutdown or the
  // time-out; then back to a blocking socket for the overlapped transfers.
  WSAEVENT connected = WSACreateEvent();
  int rc = connected == WSA_INVALID_EVENT ? ENOMEM : 0;
  if (rc == 0 && WSAEventSelect(s, connected, FD_CONNECT) != 0) rc = LastSocketErrno();
  if (rc == 0 && connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    rc = WSAGetLastError() == WSAEWOULDBLOCK ? 0 : LastSocketErrno();
    if (rc == 0) {
      HANDLE waits[2] = {connected, wake_event_};
      DWORD woke = WaitForMultipleObjects(2, waits, FALSE, Win32TimeLeft(DeadlineFrom(timeout_ms)));
      WSANETWORKEVENTS events{};
      if (woke == WAIT_OBJECT_0 + 1 || shut_down_.load()) {
        rc = ECANCELED;
      } else if (woke != WAIT_OBJECT_0) {
        rc = ETIMEDOUT;
      } else if (WSAEnumNetworkEvents(s, connected, &events) != 0) {
        rc = LastSocketErrno();
      } else if ((events.lNetworkEvents & FD_CONNECT) != 0) {
        rc = ErrnoFromWin32(static_cast<DWORD>(events.iErrorCode[FD_CONNECT_BIT]));
      } else {
        rc = EIO;
      }
    }
  }
  if (rc == 0) {
    u_long blocking = 0;
    if (WSAEventSelect(s, nullptr, 0) != 0 || ioctlsocket(s, FIONBIO, &blocking) != 0) {
      rc = LastSocketErrno();
    }
  }
  if (connected != WSA_INVALID_EVENT) WSACloseEvent(connected);
  if (rc != 0) Close();
  return rc;
}

int TcpSocket::Transfer(bool send, void* buffer, size_t size, int64_t deadline_ms, size_t* done) {
  *done = 0;
  if (shut_down_.load()) return ECANCELED;
  SOCKET s = socket_.load();
  if (s == INVALID_SOCKET) return ENOTCONN;
  WSAOVERLAPPED ov{};
  ov.hEvent = WSACreateEvent();
  if (ov.hEvent == WSA_INVALID_EVENT) return ENOMEM;
  WSABUF wsabuf;
  wsabuf.len = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
  wsabuf.buf = static_cast<char*>(buffer);
  DWORD flags = 0;
  int started = send ? WSASend(s, &wsabuf, 1, nullptr, 0, &ov, nullptr)
                     : WSARecv(s, &wsabuf, 1, nullptr, &flags, &ov, nullptr);
  int rc = 0;
  if (started != 0) {
    int error = WSAGetLastError();
    if (error != WSA_IO_PENDING) {
      WSACloseEvent(ov.hEvent);
      return ErrnoFromWin32(static_cast<DWORD>(error));
    }
    rc = AwaitOverlapped(reinterpret_cast<HANDLE>(s), &ov, wake_event_, deadline_ms);
  }
  DWORD moved = 0;
  if (!WSAGetOverlappedResult(s, &ov, &moved, TRUE, &flags)) {
    if (rc == 0) rc = LastSocketErrno();
  } else if (rc != 0 && !send && moved > 0) {
    rc = 0;  // the receive completed while it was being cancelled: keep its bytes
  }
  WSACloseEvent(ov.hEvent);
  *done = moved;
  return rc;
}

int TcpSocket::Send(const void* data, size_t size, int64_t timeout_ms, size_t* sent) {
  const int64_t deadline = DeadlineFrom(timeout_ms);
  return WriteAll([&](char* bytes, size_t left,
                      size_t* moved) { return Transfer(true, bytes, left, deadline, moved); },
                  data, size, sent);
}

int TcpSocket::Recv(void* buffer, size_t capacity, int64_t timeout_ms, size_t* received) {
  int rc = Transfer(false, buffer, capacity, DeadlineFrom(timeout_ms), received);
  // After Shutdown the connection reports an orderly end; the caller asked
  // for the shutdown, so it learns ECANCELED instead.
  if (rc == 0 && *received == 0 && shut_down_.load()) return ECANCELED;
  return rc;
}

void TcpSocket::Shutdown() {
  shut_down_.store(true);
  {
    std::lock_guard<std::mutex> lock(close_mutex_);
    SOCKET s = socket_.load();
    if (s != INVALID_SOCKET) shutdown(s, SD_BOTH);
  }
  if (wake_event_ != nullptr) SetEvent(wake_event_);
}

int TcpSocket::Close() {
  std::lock_guard<std::mutex> lock(close_mutex_);
  SOCKET s = socket_.exchange(INVALID_SOCKET);
  if (s == INVALID_SOCKET) return 0;
  return closesocket(s) == 0 ? 0 : LastSocketErrno();
}

}  // namespace qvplatform
