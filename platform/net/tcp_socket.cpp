#include "platform/net/tcp_socket.h"

#include "platform/base/deadline.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace qvplatform {

int ResolveTcp4(const std::string& host, const std::string& service,
                std::vector<sockaddr_in>* out) {
  out->clear();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* result = nullptr;
  int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
  if (rc != 0) return rc;
  for (addrinfo* ai = result; ai != nullptr; ai = ai->ai_next) {
    if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
    sockaddr_in address;
    std::memcpy(&address, ai->ai_addr, sizeof(address));
    out->push_back(address);
  }
  ::freeaddrinfo(result);
  return out->empty() ? EAI_NONAME : 0;
}

std::string DottedAddress(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  if (::inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text)) == nullptr) return "Unknown";
  return text;
}

TcpSocket::TcpSocket() { wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

bool TcpSocket::IsValid() const { return fd_.load() >= 0; }

int TcpSocket::handle() const { return fd_.load(); }

TcpSocket::~TcpSocket() {
  Close();
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

int TcpSocket::WaitFor(short events, int64_t deadline_ms) {
  for (;;) {
    if (shut_down_.load()) return ECANCELED;
    pollfd fds[2] = {{fd_.load(), events, 0}, {wake_fd_, POLLIN, 0}};
    int n = ::poll(fds, wake_fd_ >= 0 ? 2 : 1, PollTimeout(deadline_ms));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (shut_down_.load()) return ECANCELED;
    if (n == 0) return ETIMEDOUT;
    if (fds[0].revents != 0) return 0;
  }
}

int TcpSocket::Connect(const sockaddr_in& address, int64_t timeout_ms) {
  if (shut_down_.load()) return ECANCELED;
  Close();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  if (fd < 0) return errno;
  {
    std::lock_guard<std::mutex> lock(close_mutex_);
    fd_.store(fd);
  }
  int64_t deadline = DeadlineFrom(timeout_ms);
  int rc = 0;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    rc = errno;
    if (rc == EINPROGRESS || rc == EINTR) {
      rc = WaitFor(POLLOUT, deadline);
      if (rc == 0) {
        int so_error = 0;
        socklen_t len = sizeof(so_error);
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len) != 0) so_error = errno;
        rc = so_error;
      }
    }
  }
  if (rc != 0) Close();
  return rc;
}

int TcpSocket::Send(const void* data, size_t size, int64_t timeout_ms, size_t* sent) {
  size_t done = 0;
  int rc = 0;
  int64_t deadline = DeadlineFrom(timeout_ms);
  const char* bytes = static_cast<const char*>(data);
  while (done < size) {
    if (shut_down_.load()) {
      rc = ECANCELED;
      break;
    }
    int fd = fd_.load();
    if (fd < 0) {
      rc = ENOTCONN;
      break;
    }
    ssize_t n = ::send(fd, bytes + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      rc = errno;
      break;
    }
    rc = WaitFor(POLLOUT, deadline);
    if (rc != 0) break;
  }
  if (sent != nullptr) *sent = done;
  return rc;
}

int TcpSocket::Recv(void* buffer, size_t capacity, int64_t timeout_ms, size_t* received) {
  *received = 0;
  int64_t deadline = DeadlineFrom(timeout_ms);
  for (;;) {
    if (shut_down_.load()) return ECANCELED;
    int fd = fd_.load();
    if (fd < 0) return ENOTCONN;
    ssize_t n = ::recv(fd, buffer, capacity, MSG_DONTWAIT);
    if (n >= 0) {
      // After Shutdown the kernel reports an orderly end; the caller asked
      // for the shutdown, so it learns ECANCELED instead.
      if (n == 0 && shut_down_.load()) return ECANCELED;
      *received = static_cast<size_t>(n);
      return 0;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return errno;
    int rc = WaitFor(POLLIN, deadline);
    if (rc != 0) return rc;
  }
}

void TcpSocket::Shutdown() {
  shut_down_.store(true);
  {
    std::lock_guard<std::mutex> lock(close_mutex_);
    int fd = fd_.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
  }
  if (wake_fd_ >= 0) {
    uint64_t one = 1;
    ssize_t ignored = ::write(wake_fd_, &one, sizeof(one));
    (void)ignored;
  }
}

int TcpSocket::Close() {
  std::lock_guard<std::mutex> lock(close_mutex_);
  int fd = fd_.exchange(-1);
  if (fd < 0) return 0;
  return ::close(fd) == 0 ? 0 : errno;
}

}  // namespace qvplatform
