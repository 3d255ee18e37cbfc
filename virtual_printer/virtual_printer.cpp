#include "virtual_printer/virtual_printer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>

namespace qvvp {

// One byte stream: a TCP connection or the pseudo-terminal's master side.
struct VirtualPrinter::Connection {
  int fd = -1;
  std::unique_ptr<EscPosParser> parser;
  std::string output;  // answers not yet written
  bool broken = false;
};

namespace {

constexpr size_t kReadChunk = 64 * 1024;

void SetNonBlocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

VirtualPrinter::VirtualPrinter() { wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

VirtualPrinter::~VirtualPrinter() {
  Stop();
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

int VirtualPrinter::ListenLocked() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return errno;
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&listen_address_), sizeof(listen_address_)) !=
          0 ||
      ::listen(fd, 16) != 0) {
    int rc = errno;
    ::close(fd);
    return rc;
  }
  sockaddr_in bound{};
  socklen_t len = sizeof(bound);
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len) == 0) {
    listen_address_.sin_port = bound.sin_port;  // the port chosen for port 0
  }
  listen_fd_ = fd;
  return 0;
}

int VirtualPrinter::StartTcp(const std::string& address, uint16_t port) {
  sockaddr_in wanted{};
  wanted.sin_family = AF_INET;
  wanted.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &wanted.sin_addr) != 1) return EINVAL;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (tcp_wanted_) return EALREADY;
    listen_address_ = wanted;
    int rc = ListenLocked();
    if (rc != 0) return rc;
    tcp_wanted_ = true;
    refuse_ = false;
  }
  EnsureThread();
  return 0;
}

uint16_t VirtualPrinter::tcp_port() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ntohs(listen_address_.sin_port);
}

std::string VirtualPrinter::tcp_address() const {
  std::lock_guard<std::mutex> lock(mutex_);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &listen_address_.sin_addr, text, sizeof(text));
  return text;
}

int VirtualPrinter::OpenPtyLocked() {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return errno;
  char name[128];
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
      ::ptsname_r(master, name, sizeof(name)) != 0) {
    int rc = errno;
    ::close(master);
    return rc;
  }
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    int rc = errno;
    ::close(master);
    return rc;
  }
  // Raw line: no echo of answers back into the stream, no translation.
  termios tio{};
  if (::tcgetattr(slave, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
  }
  SetNonBlocking(master);
  if (!pty_link_.empty()) {
    std::error_code ec;
    if (std::filesystem::is_symlink(pty_link_, ec)) std::filesystem::remove(pty_link_, ec);
    if (std::filesystem::exists(pty_link_, ec)) {
      ::close(slave);
      ::close(master);
      return EEXIST;
    }
    std::filesystem::create_symlink(name, pty_link_, ec);
    if (ec) {
      ::close(slave);
      ::close(master);
      return ec.value();
    }
  }
  pty_ = std::make_unique<Connection>();
  pty_->fd = master;
  pty_->parser = engine_.NewParser();
  pty_slave_fd_ = slave;
  pty_path_ = name;
  return 0;
}

void VirtualPrinter::ClosePtyLocked() {
  if (pty_) {
    ::close(pty_->fd);
    pty_.reset();
  }
  if (pty_slave_fd_ >= 0) {
    ::close(pty_slave_fd_);
    pty_slave_fd_ = -1;
  }
}

int VirtualPrinter::StartPty(const std::filesystem::path& link) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pty_wanted_) return EALREADY;
    pty_link_ = link;
    int rc = OpenPtyLocked();
    if (rc != 0) {
      pty_link_.clear();
      return rc;
    }
    pty_wanted_ = true;
  }
  EnsureThread();
  return 0;
}

std::filesystem::path VirtualPrinter::pty_path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pty_path_;
}

void VirtualPrinter::EnsureThread() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (running_) {
    uint64_t one = 1;
    ssize_t ignored = ::write(wake_fd_, &one, sizeof(one));
    (void)ignored;
    return;
  }
  running_ = true;
  quit_ = false;
  thread_ = std::thread([this] { IoLoop(); });
}

void VirtualPrinter::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_) {
      quit_ = true;
      uint64_t one = 1;
      ssize_t ignored = ::write(wake_fd_, &one, sizeof(one));
      (void)ignored;
    }
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = false;
  // Tasks posted while the thread was ending run here.
  while (!tasks_.empty()) {
    tasks_.front()();
    tasks_.pop_front();
    ++tasks_done_;
  }
  done_.notify_all();
  while (!connections_.empty()) CloseConnection(connections_.size() - 1);
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    listen_fd_ = -1;
  }
  tcp_wanted_ = false;
  ClosePtyLocked();
  if (!pty_link_.empty()) {
    std::error_code ec;
    if (std::filesystem::is_symlink(pty_link_, ec)) std::filesystem::remove(pty_link_, ec);
    pty_link_.clear();
  }
  pty_wanted_ = false;
  pty_path_.clear();
  engine_.NotifyChanged();
}

void VirtualPrinter::RunOnIoThread(const std::function<void()>& task) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!running_ || std::this_thread::get_id() == thread_.get_id()) {
    task();
    return;
  }
  tasks_.push_back(task);
  uint64_t ticket = ++tasks_posted_;
  uint64_t one = 1;
  ssize_t ignored = ::write(wake_fd_, &one, sizeof(one));
  (void)ignored;
  done_.wait(lock, [&] { return tasks_done_ >= ticket; });
}

void VirtualPrinter::SetStopReading(bool on) {
  RunOnIoThread([this, on] { stop_reading_ = on; });
}

void VirtualPrinter::SetRefuseConnections(bool on) {
  RunOnIoThread([this, on] {
    refuse_ = on;
    if (on && listen_fd_ >= 0) {
      ::close(listen_fd_);
      listen_fd_ = -1;
    } else if (!on && tcp_wanted_ && listen_fd_ < 0) {
      ListenLocked();  // on failure the next turn of the loop tries again
    }
  });
  engine_.NotifyChanged();
}

void VirtualPrinter::DropConnections() {
  RunOnIoThread([this] {
    while (!connections_.empty()) CloseConnection(connections_.size() - 1);
    if (pty_wanted_) {
      ClosePtyLocked();
      OpenPtyLocked();  // on failure the next turn of the loop tries again
    }
  });
  engine_.NotifyChanged();
}

size_t VirtualPrinter::open_connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_.size();
}

uint64_t VirtualPrinter::accepted_connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

void VirtualPrinter::CloseConnection(size_t index) {
  ::close(connections_[index]->fd);
  connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(index));
}

void VirtualPrinter::FlushOutput(Connection& connection) {
  while (!connection.output.empty()) {
    ssize_t n = ::write(connection.fd, connection.output.data(), connection.output.size());
    if (n > 0) {
      connection.output.erase(0, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    connection.broken = true;
    return;
  }
}

void VirtualPrinter::ServeInput(Connection& connection) {
  static thread_local std::vector<uint8_t> buffer(kReadChunk);
  for (int turns = 0; turns < 16; ++turns) {
    ssize_t n = ::read(connection.fd, buffer.data(), buffer.size());
    if (n > 0) {
      std::string answers =
          engine_.Consume(*connection.parser, buffer.data(), static_cast<size_t>(n));
      if (!answers.empty()) {
        connection.output += answers;
        FlushOutput(connection);
      }
      if (static_cast<size_t>(n) < buffer.size()) return;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    connection.broken = true;  // end of stream or error
    return;
  }
}

void VirtualPrinter::IoLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!quit_) {
    // Carry out the requests of other threads.
    while (!tasks_.empty()) {
      tasks_.front()();
      tasks_.pop_front();
      ++tasks_done_;
      done_.notify_all();
    }
    if (tcp_wanted_ && !refuse_ && listen_fd_ < 0) ListenLocked();
    if (pty_wanted_ && !pty_) OpenPtyLocked();

    std::vector<pollfd> fds;
    fds.push_back({wake_fd_, POLLIN, 0});
    size_t listen_index = SIZE_MAX;
    if (listen_fd_ >= 0) {
      listen_index = fds.size();
      fds.push_back({listen_fd_, POLLIN, 0});
    }
    size_t pty_index = SIZE_MAX;
    if (pty_) {
      pty_index = fds.size();
      short events =
          static_cast<short>((stop_reading_ ? 0 : POLLIN) | (pty_->output.empty() ? 0 : POLLOUT));
      fds.push_back({pty_->fd, events, 0});
    }
    size_t first_connection = fds.size();
    for (const auto& connection : connections_) {
      short events = static_cast<short>((stop_reading_ ? 0 : POLLIN) |
                                        (connection->output.empty() ? 0 : POLLOUT));
      fds.push_back({connection->fd, events, 0});
    }
    int64_t drawer_ms = engine_.TickDrawer();
    int timeout = drawer_ms < 0 ? -1 : static_cast<int>(drawer_ms > INT_MAX ? INT_MAX : drawer_ms);
    if (tcp_wanted_ && !refuse_ && listen_fd_ < 0) timeout = 100;  // retry the listen
    if (pty_wanted_ && !pty_) timeout = 100;

    lock.unlock();
    int ready = ::poll(fds.data(), fds.size(), timeout);
    lock.lock();
    if (ready <= 0) continue;

    if (fds[0].revents & POLLIN) {
      uint64_t value;
      ssize_t ignored = ::read(wake_fd_, &value, sizeof(value));
      (void)ignored;
    }
    // Tasks may have changed the descriptors: the rest of this turn applies
    // only to what is still the same.
    bool changed = !tasks_.empty();
    if (changed) continue;

    if (listen_index != SIZE_MAX && listen_fd_ == fds[listen_index].fd &&
        (fds[listen_index].revents & POLLIN)) {
      for (;;) {
        int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) break;
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->parser = engine_.NewParser();
        connections_.push_back(std::move(connection));
        ++accepted_;
        engine_.NotifyChanged();
      }
    }
    if (pty_index != SIZE_MAX && pty_ && pty_->fd == fds[pty_index].fd) {
      short revents = fds[pty_index].revents;
      if (revents & POLLOUT) FlushOutput(*pty_);
      if (!stop_reading_ && (revents & POLLIN)) ServeInput(*pty_);
      // The printer holds a slave descriptor, so a broken master is a real
      // fault: make a new terminal.
      if (pty_->broken) {
        ClosePtyLocked();
        OpenPtyLocked();
      }
    }
    for (size_t i = first_connection; i < fds.size(); ++i) {
      short revents = fds[i].revents;
      if (revents == 0) continue;
      for (auto& connection : connections_) {
        if (connection->fd != fds[i].fd) continue;
        if (revents & POLLOUT) FlushOutput(*connection);
        if (!stop_reading_ && (revents & POLLIN)) ServeInput(*connection);
        if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
          if (!(revents & POLLIN) || stop_reading_) connection->broken = true;
        }
        break;
      }
    }
    bool closed = false;
    for (size_t i = connections_.size(); i-- > 0;) {
      if (connections_[i]->broken) {
        CloseConnection(i);
        closed = true;
      }
    }
    if (closed) engine_.NotifyChanged();
  }
}

}  // namespace qvvp
