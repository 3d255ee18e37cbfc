// A device node opened like a Windows file on a device path: the handle the
// USB, parallel and serial channels read and write. Reads and writes are
// bounded in time and can be cancelled from another thread (CancelIo), so
// no reader or writer can hang for ever.
//
// Errors are errno values (0 is success): ETIMEDOUT when a time-out expired,
// ECANCELED after CancelIo, EIO when the other end hung up (a pseudo-terminal
// whose master was closed, an unplugged device), EBUSY when an exclusive open
// finds the node already held, and whatever the kernel reports otherwise.
// Time-outs are real milliseconds; -1 waits without limit.
//
// On Windows the node is a device path (\\.\COM3, \\.\LPT1, a USB
// interface path) opened with CreateFile for overlapped input and output;
// Win32 errors are reported as the errno values above (sharing violation
// EBUSY, operation aborted ECANCELED, device not connected EIO, ...).
//
// Threads: one thread reads while another writes, on the same handle; a
// third may call CancelIo at any time. Open and Close belong to the owner,
// and no Read or Write may be in progress during Close.
#ifndef QV_PLATFORM_DEVICES_DEVICE_FILE_H_
#define QV_PLATFORM_DEVICES_DEVICE_FILE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace qvplatform {

class DeviceFile {
 public:
  enum class Share {
    kExclusive,  // no sharing: a second exclusive open of the node fails EBUSY
    kReadWrite,  // FILE_SHARE_READ | FILE_SHARE_WRITE
  };

  DeviceFile();
  virtual ~DeviceFile();  // closes
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;

  // CreateFile(OPEN_EXISTING, GENERIC_READ | GENERIC_WRITE): opens an
  // existing node for reading and writing. Returns 0 or errno (ENOENT when
  // the node does not exist).
  virtual int Open(const std::filesystem::path& node, Share share);
  bool IsOpen() const;
  const std::filesystem::path& node() const { return node_; }

  // Reads what is available, up to `capacity` bytes, waiting at most
  // `timeout_ms` for the first byte. 0 with `*got` > 0 on data; ETIMEDOUT
  // with `*got` == 0 when nothing came.
  int Read(void* buffer, size_t capacity, int64_t timeout_ms, size_t* got);

  // Writes all `size` bytes within `timeout_ms` in total. `*written`
  // (optional) receives how many went out, fewer than `size` on any error.
  int Write(const void* data, size_t size, int64_t timeout_ms, size_t* written);

  // Any thread: wakes a Read or Write in progress and makes every later one
  // fail with ECANCELED until ResetCancel (Windows CancelIoEx, made sticky so
  // that a cancel that comes just before the call is not lost).
  void CancelIo();
  void ResetCancel();

  // Owner: closes the node. Returns 0 or the errno of close().
  int Close();

#ifdef _WIN32
  // The file HANDLE, for the settings calls of derived classes; null if
  // closed.
  void* handle() const { return handle_.load(); }

 private:
  // Runs one overlapped ReadFile or WriteFile and waits for it, for the
  // cancel event, or for the time-out (which cancels it). 0, ETIMEDOUT,
  // ECANCELED or the error of the transfer; `*done` receives the bytes moved.
  int Transfer(bool write, void* buffer, size_t size, int64_t deadline_ms, size_t* done);

  std::atomic<void*> handle_{nullptr};
  void* cancel_event_ = nullptr;  // manual-reset event, set while a cancel is pending
#else
  // The descriptor, for the settings calls of derived classes; -1 if closed.
  int fd() const { return fd_.load(); }

 private:
  // Waits for `events` or a cancel. 0 when ready, ETIMEDOUT, ECANCELED, EIO
  // on hang-up (for POLLIN), or the poll error.
  int WaitFor(short events, int64_t deadline_ms);
  // A short pause after a wait that said ready but was not (drivers without
  // poll). 0, ETIMEDOUT or ECANCELED.
  int Backoff(int64_t deadline_ms);

  std::atomic<int> fd_{-1};
  int cancel_fd_ = -1;  // eventfd, readable while a cancel is pending
#endif
  std::atomic<bool> cancelled_{false};
  std::filesystem::path node_;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_DEVICE_FILE_H_
