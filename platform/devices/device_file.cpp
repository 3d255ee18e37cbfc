#include "platform/devices/device_file.h"

#include "platform/base/deadline.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

namespace qvplatform {

DeviceFile::DeviceFile() { cancel_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

bool DeviceFile::IsOpen() const { return fd_.load() >= 0; }

DeviceFile::~DeviceFile() {
  Close();
  if (cancel_fd_ >= 0) ::close(cancel_fd_);
}

int DeviceFile::Open(const std::filesystem::path& node, Share share) {
  Close();
  int fd = ::open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  if (share == Share::kExclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int rc = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return rc;
  }
  node_ = node;
  fd_.store(fd);
  return 0;
}

int DeviceFile::WaitFor(short events, int64_t deadline_ms) {
  for (;;) {
    if (cancelled_.load()) return ECANCELED;
    pollfd fds[2] = {{fd_.load(), events, 0}, {cancel_fd_, POLLIN, 0}};
    int n = ::poll(fds, cancel_fd_ >= 0 ? 2 : 1, PollTimeout(deadline_ms));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (cancelled_.load()) return ECANCELED;
    if (n == 0) return ETIMEDOUT;
    short revents = fds[0].revents;
    if (revents & POLLNVAL) return EBADF;
    if (revents & events) return 0;
    if (revents & (POLLHUP | POLLERR)) return EIO;
  }
}

int DeviceFile::Backoff(int64_t deadline_ms) {
  // Some drivers (the parallel-port printer driver) have no poll of their
  // own and report ready at once; wait a little before trying again so the
  // loop does not spin, still waking for a cancel.
  constexpr int64_t kBackoffMs = 10;
  int64_t left =
      deadline_ms < 0 ? kBackoffMs : deadline_ms - static_cast<int64_t>(GetTickCount64());
  if (left <= 0) return ETIMEDOUT;
  int wait = static_cast<int>(left < kBackoffMs ? left : kBackoffMs);
  pollfd cancel = {cancel_fd_, POLLIN, 0};
  ::poll(&cancel, cancel_fd_ >= 0 ? 1 : 0, wait);
  return cancelled_.load() ? ECANCELED : 0;
}

int DeviceFile::Read(void* buffer, size_t capacity, int64_t timeout_ms, size_t* got) {
  *got = 0;
  int64_t deadline = DeadlineFrom(timeout_ms);
  bool waited = false;
  for (;;) {
    if (cancelled_.load()) return ECANCELED;
    int fd = fd_.load();
    if (fd < 0) return EBADF;
    ssize_t n = ::read(fd, buffer, capacity);
    if (n > 0) {
      *got = static_cast<size_t>(n);
      return 0;
    }
    if (n == 0) {
      // A terminal or device reporting end of file after poll said it was
      // readable has gone away (hang-up).
      return EIO;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return errno;
    int rc = waited ? Backoff(deadline) : 0;
    if (rc == 0) rc = WaitFor(POLLIN, deadline);
    if (rc != 0) return rc;
    waited = true;
  }
}

int DeviceFile::Write(const void* data, size_t size, int64_t timeout_ms, size_t* written) {
  size_t done = 0;
  int rc = 0;
  int64_t deadline = DeadlineFrom(timeout_ms);
  const char* bytes = static_cast<const char*>(data);
  bool waited = false;
  while (done < size) {
    if (cancelled_.load()) {
      rc = ECANCELED;
      break;
    }
    int fd = fd_.load();
    if (fd < 0) {
      rc = EBADF;
      break;
    }
    ssize_t n = ::write(fd, bytes + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      waited = false;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      rc = errno;
      break;
    }
    rc = waited ? Backoff(deadline) : 0;
    if (rc == 0) rc = WaitFor(POLLOUT, deadline);
    if (rc != 0) break;
    waited = true;
  }
  if (written != nullptr) *written = done;
  return rc;
}

void DeviceFile::CancelIo() {
  cancelled_.store(true);
  if (cancel_fd_ >= 0) {
    uint64_t one = 1;
    ssize_t ignored = ::write(cancel_fd_, &one, sizeof(one));
    (void)ignored;
  }
}

void DeviceFile::ResetCancel() {
  cancelled_.store(false);
  if (cancel_fd_ >= 0) {
    uint64_t value = 0;
    ssize_t ignored = ::read(cancel_fd_, &value, sizeof(value));
    (void)ignored;
  }
}

int DeviceFile::Close() {
  int fd = fd_.exchange(-1);
  if (fd < 0) return 0;
  return ::close(fd) == 0 ? 0 : errno;
}

}  // namespace qvplatform
