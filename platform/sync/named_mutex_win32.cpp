#include "platform/sync/named_mutex.h"

#include <windows.h>

#include <string>

#include "platform/base/win32_wait.h"

namespace qvplatform {

struct NamedMutex::Impl {
  ~Impl() {
    if (handle != nullptr) CloseHandle(handle);
  }
  HANDLE handle = nullptr;
  std::string name;
};

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name, std::string* error) {
  // The name is text in the ANSI code page, as the service objects keep it.
  int chars =
      MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), chars);
  HANDLE handle = CreateMutexW(nullptr, FALSE, wide.c_str());
  if (handle == nullptr) {
    if (error != nullptr)
      *error = "CreateMutex failed (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->handle = handle;
  impl->name = name;
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::move(impl)));
}

NamedMutex::NamedMutex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedMutex::~NamedMutex() = default;

WaitResult NamedMutex::Wait(int64_t timeout_ms) {
  switch (WaitForSingleObject(impl_->handle, Win32Timeout(timeout_ms))) {
    case WAIT_OBJECT_0: return WaitResult::kAcquired;
    case WAIT_ABANDONED: return WaitResult::kAbandoned;
    case WAIT_TIMEOUT: return WaitResult::kTimeout;
    default: return WaitResult::kFailed;
  }
}

bool NamedMutex::Release() { return ReleaseMutex(impl_->handle) != FALSE; }

const std::string& NamedMutex::name() const { return impl_->name; }

}  // namespace qvplatform
