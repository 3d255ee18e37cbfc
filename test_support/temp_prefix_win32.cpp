// The temporary prefix on Windows, where the machine is the prefix: for the
// life of the object a fresh registry key under HKEY_CURRENT_USER stands in
// for HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT of this process
// (RegOverridePredefKey), so a test reads and writes the registry as the
// service objects see it without touching the machine's own keys; root() is
// a fresh temporary folder. The destructor restores both roots and removes
// the key and the folder.
#include "test_support/temp_prefix.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

const wchar_t kTestKeys[] = L"Software\\QvOposTempPrefix";

std::wstring KeyPath(const std::filesystem::path& root) {
  return std::wstring(kTestKeys) + L"\\" + root.filename().wstring();
}

void Override(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS ||
      RegOverridePredefKey(root, key) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot stand in for a registry root");
  }
  RegCloseKey(key);  // the override keeps its own handle
}

}  // namespace

TempPrefix::TempPrefix() {
  static std::atomic<int> counter{0};
  root_ =
      std::filesystem::temp_directory_path() /
      ("qvopos-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(root_);
  Override(HKEY_LOCAL_MACHINE, KeyPath(root_) + L"\\HKLM");
  Override(HKEY_CLASSES_ROOT, KeyPath(root_) + L"\\HKCR");
}

TempPrefix::~TempPrefix() {
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath(root_).c_str());
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}
