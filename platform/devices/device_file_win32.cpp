// Device files on Windows: CreateFile on the device path with overlapped
// input and output, each transfer waited for together with the cancel event
// and cancelled with CancelIoEx when the time-out or a cancel comes first.
#include "platform/devices/device_file.h"

#include <windows.h>

#include <cerrno>

#include "platform/base/win32_errno.h"
#include "platform/base/win32_overlapped.h"

namespace qvplatform {

DeviceFile::DeviceFile() { cancel_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr); }

DeviceFile::~DeviceFile() {
  Close();
  if (cancel_event_ != nullptr) CloseHandle(cancel_event_);
}

bool DeviceFile::IsOpen() const { return handle_.load() != nullptr; }

int DeviceFile::Open(const std::filesystem::path& node, Share share) {
  Close();
  const DWORD sharing = share == Share::kExclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE file = CreateFileW(node.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ErrnoFromWin32(GetLastError());
  node_ = node;
  handle_.store(file);
  return 0;
}

int DeviceFile::Transfer(bool write, void* buffer, size_t size, int64_t deadline_ms, size_t* done) {
  *done = 0;
  if (cancelled_.load()) return ECANCELED;
  HANDLE file = handle_.load();
  if (file == nullptr) return EBADF;
  if (cancel_event_ == nullptr) return ENOMEM;
  OVERLAPPED ov{};
  ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ov.hEvent == nullptr) return ENOMEM;
  const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  BOOL ok = write ? WriteFile(file, buffer, chunk, nullptr, &ov)
                  : ReadFile(file, buffer, chunk, nullptr, &ov);
  int rc = 0;
  if (!ok) {
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
      CloseHandle(ov.hEvent);
      return ErrnoFromWin32(error);
    }
    rc = AwaitOverlapped(file, &ov, cancel_event_, deadline_ms);
  }
  DWORD moved = 0;
  if (!GetOverlappedResult(file, &ov, &moved, TRUE)) {
    DWORD error = GetLastError();
    if (rc == 0) rc = ErrnoFromWin32(error);
  } else if (rc != 0 && !write && moved > 0) {
    rc = 0;  // the read completed while it was being cancelled: keep its bytes
  }
  CloseHandle(ov.hEvent);
  *done = moved;
  return rc;
}

int DeviceFile::Read(void* buffer, size_t capacity, int64_t timeout_ms, size_t* got) {
  int rc = Transfer(false, buffer, capacity, DeadlineFrom(timeout_ms), got);
  // A read that completes with nothing met the end of the device: it has
  // gone away (hang-up).
  if (rc == 0 && *got == 0 && capacity > 0) return EIO;
  return rc;
}

int DeviceFile::Write(const void* data, size_t size, int64_t timeout_ms, size_t* written) {
  const int64_t deadline = DeadlineFrom(timeout_ms);
  return WriteAll([&](char* bytes, size_t left,
                      size_t* moved) { return Transfer(true, bytes, left, deadline, moved); },
                  data, size, written);
}

void DeviceFile::CancelIo() {
  cancelled_.store(true);
  if (cancel_event_ != nullptr) SetEvent(cancel_event_);
}

void DeviceFile::ResetCancel() {
  cancelled_.store(false);
  if (cancel_event_ != nullptr) ResetEvent(cancel_event_);
}

int DeviceFile::Close() {
  HANDLE file = handle_.exchange(nullptr);
  if (file == nullptr) return 0;
  return CloseHandle(file) ? 0 : ErrnoFromWin32(GetLastError());
}

}  // namespace qvplatform
