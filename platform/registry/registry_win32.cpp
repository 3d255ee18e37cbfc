// The registry on Windows: the thin forms of registry.h over advapi32.
// char16_t and wchar_t are both UTF-16 here; they meet only in Wide().
#include "platform/registry/registry.h"

#include <windows.h>

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

}  // namespace

LSTATUS RegOpenKeyExW(HKEY key, const char16_t* subkey, DWORD options, REGSAM sam, HKEY* result) {
  return ::RegOpenKeyExW(key, Wide(subkey), options, sam, result);
}

LSTATUS RegCreateKeyExA(HKEY key, const char* subkey, REGSAM sam, HKEY* result,
                        DWORD* disposition) {
  return ::RegCreateKeyExA(key, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, result,
                           disposition);
}

LSTATUS RegCreateKeyExW(HKEY key, const char16_t* subkey, REGSAM sam, HKEY* result,
                        DWORD* disposition) {
  return ::RegCreateKeyExW(key, Wide(subkey), 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr,
                           result, disposition);
}

LSTATUS RegQueryValueExA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return ::RegQueryValueExA(key, name, nullptr, type, data, size);
}

LSTATUS RegQueryValueExW(HKEY key, const char16_t* name, DWORD* type, BYTE* data, DWORD* size) {
  return ::RegQueryValueExW(key, Wide(name), nullptr, type, data, size);
}

LSTATUS RegSetValueExA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  return ::RegSetValueExA(key, name, 0, type, data, size);
}

LSTATUS RegSetValueExW(HKEY key, const char16_t* name, DWORD type, const BYTE* data, DWORD size) {
  return ::RegSetValueExW(key, Wide(name), 0, type, data, size);
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* name_chars) {
  return ::RegEnumKeyExA(key, index, name, name_chars, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, char16_t* name, DWORD* name_chars) {
  return ::RegEnumKeyExW(key, index, Wide(name), name_chars, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* name_chars, DWORD* type) {
  return ::RegEnumValueA(key, index, name, name_chars, nullptr, type, nullptr, nullptr);
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, char16_t* name, DWORD* name_chars, DWORD* type) {
  return ::RegEnumValueW(key, index, Wide(name), name_chars, nullptr, type, nullptr, nullptr);
}

LSTATUS RegDeleteValueW(HKEY key, const char16_t* name) {
  return ::RegDeleteValueW(key, Wide(name));
}

LSTATUS RegDeleteKeyW(HKEY key, const char16_t* subkey) {
  return ::RegDeleteKeyW(key, Wide(subkey));
}

std::string RegGetLastErrorText() { return {}; }
