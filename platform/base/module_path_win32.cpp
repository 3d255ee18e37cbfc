#include "platform/base/module_path.h"

#include <windows.h>

#include <vector>

namespace qvplatform {

std::filesystem::path ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return {};
  }
  // Long paths may exceed MAX_PATH: grow the buffer until the name fits.
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) return std::filesystem::path(std::wstring(name.data(), length));
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
}

}  // namespace qvplatform
