// Small helpers for the tool registry tests: raw writes and reads under
// HKEY_LOCAL_MACHINE that bypass the code under test.
#ifndef QV_COMMON_TOOLREG_REG_TEST_UTIL_H_
#define QV_COMMON_TOOLREG_REG_TEST_UTIL_H_

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/registry/registry.h"

namespace qvtoolreg_test {

inline const std::u16string kPrinterClassKey = u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter";
inline const std::u16string kDrawerClassKey = u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer";
inline const std::u16string kInfoKey = u"SOFTWARE\\OLEforRetail\\ServiceInfo\\QV";

inline void PutRaw(const std::u16string& key, const std::u16string& name, DWORD type,
                   const void* data, size_t bytes) {
  qvplatform::RegKey handle;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_ALL_ACCESS, handle.receive(), nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(handle.get(), name.c_str(), type, static_cast<const BYTE*>(data),
                           static_cast<DWORD>(bytes)),
            ERROR_SUCCESS);
}

// A REG_SZ with its terminator, as every well-behaved writer stores it.
inline void PutString(const std::u16string& key, const std::u16string& name,
                      const std::u16string& text) {
  PutRaw(key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

inline bool KeyExists(const std::u16string& key) {
  qvplatform::RegKey handle;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, handle.receive()) ==
         ERROR_SUCCESS;
}

// Every value of a key as name -> "type:text" (REG_SZ text up to its NUL).
inline std::map<std::u16string, std::u16string> ValuesOf(const std::u16string& key) {
  std::map<std::u16string, std::u16string> values;
  qvplatform::RegKey handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, handle.receive()) !=
      ERROR_SUCCESS) {
    return values;
  }
  for (DWORD i = 0;; ++i) {
    char16_t name[260] = {};
    DWORD chars = 260;
    DWORD type = 0;
    if (RegEnumValueW(handle.get(), i, name, &chars, &type) != ERROR_SUCCESS) break;
    char16_t data[2048] = {};
    DWORD size = sizeof(data) - sizeof(char16_t);
    RegQueryValueExW(handle.get(), name, &type, reinterpret_cast<BYTE*>(data), &size);
    std::u16string text = type == REG_SZ ? std::u16string(data) : u"<non-string>";
    values[std::u16string(name, chars)] = text;
  }
  return values;
}

// Replaces the prefix's registry store with a file that is not a database
// (as a new file, and without the write-ahead log that still holds the old
// pages): every later registry call fails and names the store.
inline void CorruptStore(const std::filesystem::path& prefixRoot) {
  const std::filesystem::path store = prefixRoot / "registry.db";
  const std::filesystem::path garbage = prefixRoot / "registry.db.garbage";
  std::ofstream(garbage) << std::string(4096, 'x');
  std::filesystem::remove(store.string() + "-wal");
  std::filesystem::remove(store.string() + "-shm");
  std::filesystem::rename(garbage, store);
}

}  // namespace qvtoolreg_test

#endif  // QV_COMMON_TOOLREG_REG_TEST_UTIL_H_
