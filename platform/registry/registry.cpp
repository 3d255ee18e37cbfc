#include "platform/registry/registry.h"

#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/registry/key_name.h"
#include "platform/registry/store.h"
#include "platform/text/codepage.h"

// An open key: the store file it lives in, its id there and its folded full
// path. The predefined root handles are never dereferenced; they stand for
// their root in whatever store the current prefix has.
struct RegKeyHandle {
  std::string store_path;
  int64_t id = 0;
  std::string path;
  REGSAM sam = 0;
};

namespace {

using qvplatform::registry::FoldName;
using qvplatform::registry::SplitKeyPath;
using qvplatform::registry::Store;
using qvplatform::registry::StoredValue;
namespace reg = qvplatform::registry;

RegKeyHandle g_classes_root;
RegKeyHandle g_local_machine;

// Handles currently open, so that a closed or foreign handle is refused with
// ERROR_INVALID_HANDLE instead of being dereferenced.
std::mutex& HandleLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}
std::unordered_set<const RegKeyHandle*>& OpenHandles() {
  static auto* handles = new std::unordered_set<const RegKeyHandle*>;
  return *handles;
}

// What a key handle refers to, resolved for one call.
struct KeyRef {
  std::string store_path;
  int64_t id = 0;
  std::string path;
  REGSAM sam = 0;
};

// Access rights: the specific bits, with the generic rights mapped onto them.
constexpr REGSAM kGenericRead = 0x80000000u;
constexpr REGSAM kGenericWrite = 0x40000000u;
constexpr REGSAM kGenericAll = 0x10000000u;
constexpr REGSAM kMaximumAllowed = 0x02000000u;

REGSAM EffectiveRights(REGSAM sam) {
  if (sam & (kGenericAll | kMaximumAllowed)) return KEY_ALL_ACCESS;
  if (sam & kGenericRead) sam |= KEY_READ;
  if (sam & kGenericWrite) sam |= KEY_WRITE;
  return sam;
}

LSTATUS Resolve(HKEY key, KeyRef* ref) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) {
    ref->store_path = reg::CurrentStorePath();
    ref->id = key == HKEY_LOCAL_MACHINE ? reg::kLocalMachineId : reg::kClassesRootId;
    ref->path = reg::RootPath(ref->id);
    ref->sam = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  std::lock_guard<std::mutex> lock(HandleLock());
  if (key == nullptr || OpenHandles().count(key) == 0) return ERROR_INVALID_HANDLE;
  ref->store_path = key->store_path;
  ref->id = key->id;
  ref->path = key->path;
  ref->sam = key->sam;
  return ERROR_SUCCESS;
}

HKEY NewHandle(const KeyRef& ref, REGSAM sam) {
  auto* handle = new RegKeyHandle{ref.store_path, ref.id, ref.path, EffectiveRights(sam)};
  std::lock_guard<std::mutex> lock(HandleLock());
  OpenHandles().insert(handle);
  return handle;
}

// Reads through a handle the caller opened use the store it was opened in;
// the roots always look at the current prefix's store.
Store::Mode ReadMode(HKEY key) {
  return key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT ? Store::Mode::kRead
                                                               : Store::Mode::kReadThroughHandle;
}

bool Allowed(const KeyRef& ref, REGSAM needed) { return (ref.sam & needed) == needed; }

std::string JoinFolded(const std::string& base, const std::vector<std::string_view>& names) {
  std::string path = base;
  for (std::string_view name : names) {
    path += '\\';
    path += FoldName(name);
  }
  return path;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Names between the A functions (ANSI code page) and the store (UTF-8).
std::string AnsiToStore(const char* text) {
  if (text == nullptr) return std::string();
  std::string_view view(text);
  if (IsAscii(view)) return std::string(view);
  return qvplatform::WideToUtf8(qvplatform::AnsiToWide(view));
}
std::string StoreToAnsi(const std::string& text) {
  if (IsAscii(text)) return text;
  return qvplatform::WideToAnsi(qvplatform::Utf8ToWide(text));
}
std::string WideToStore(const char16_t* text) {
  return text == nullptr ? std::string() : qvplatform::WideToUtf8(text);
}

std::u16string UnitsOf(const std::string& utf16le) {
  std::u16string units(utf16le.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(utf16le[2 * i]) |
                                     (static_cast<unsigned char>(utf16le[2 * i + 1]) << 8));
  }
  return units;
}
std::string BytesOf(std::u16string_view units) {
  std::string bytes(units.size() * 2, '\0');
  for (size_t i = 0; i < units.size(); ++i) {
    bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return bytes;
}

// A stored text value in the form the caller reads: ANSI bytes in the
// current code page (encoding = that code page) or UTF-16LE.
std::string DataFor(const StoredValue& value, int wanted_encoding) {
  if (!IsStringType(value.type) || value.encoding == wanted_encoding ||
      value.encoding == reg::kEncodingBinary) {
    return value.data;
  }
  std::u16string wide = value.encoding == reg::kEncodingUtf16
                            ? UnitsOf(value.data)
                            : qvplatform::CodePageToWide(value.data, value.encoding);
  if (wanted_encoding == reg::kEncodingUtf16) return BytesOf(wide);
  return qvplatform::WideToCodePage(wide, wanted_encoding);
}

// The Win32 buffer rules of RegQueryValueEx for data already converted.
LSTATUS CopyOut(const std::string& data, DWORD type, DWORD* type_out, BYTE* buffer, DWORD* size) {
  if (type_out) *type_out = type;
  if (buffer != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
  if (size == nullptr) return ERROR_SUCCESS;
  DWORD needed = static_cast<DWORD>(data.size());
  if (buffer == nullptr) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed > 0) std::memcpy(buffer, data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

// Copies a name into a caller's buffer of `*chars` characters (NUL
// included); too small gives ERROR_MORE_DATA with the length needed.
template <typename Char>
LSTATUS CopyName(const std::basic_string<Char>& name, Char* buffer, DWORD* chars) {
  if (buffer == nullptr || chars == nullptr) return ERROR_INVALID_PARAMETER;
  if (name.size() + 1 > *chars) {
    *chars = static_cast<DWORD>(name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.data(), name.size() * sizeof(Char));
  buffer[name.size()] = Char(0);
  *chars = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// ---- The operations, on UTF-8 names. ----

LSTATUS OpenKey(HKEY key, const std::string& subkey, REGSAM sam, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::string_view> names = SplitKeyPath(subkey);
  if (!names.empty()) {
    std::string path = JoinFolded(ref.path, names);
    Store store(ref.store_path, ReadMode(key));
    if (store.status() != ERROR_SUCCESS) return store.status();
    int64_t id = 0;
    status = store.FindKey(path, &id);
    if (status != ERROR_SUCCESS) return status;
    ref.id = id;
    ref.path = path;
  }
  *result = NewHandle(ref, sam);
  return ERROR_SUCCESS;
}

LSTATUS CreateKey(HKEY key, const std::string& subkey, REGSAM sam, HKEY* result,
                  DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::string_view> names = SplitKeyPath(subkey);
  bool created = false;
  if (!names.empty()) {
    if (!Allowed(ref, KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    Store store(ref.store_path, Store::Mode::kWrite);
    if (store.status() != ERROR_SUCCESS) return store.status();
    int64_t id = 0;
    std::string path;
    status = store.CreateKeys(ref.id, ref.path, names, &id, &path, &created);
    if (status != ERROR_SUCCESS) return status;
    ref.id = id;
    ref.path = path;
  }
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(ref, sam);
  return ERROR_SUCCESS;
}

LSTATUS QueryValue(HKEY key, const std::string& name, StoredValue* value) {
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  if (!Allowed(ref, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Store store(ref.store_path, ReadMode(key));
  if (store.status() != ERROR_SUCCESS) return store.status();
  return store.QueryValue(ref.id, ref.path, FoldName(name), value);
}

LSTATUS SetValue(HKEY key, StoredValue value) {
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  if (!Allowed(ref, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  Store store(ref.store_path, Store::Mode::kWrite);
  if (store.status() != ERROR_SUCCESS) return store.status();
  return store.SetValue(ref.id, ref.path, value);
}

LSTATUS DeleteValue(HKEY key, const std::string& name) {
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  if (!Allowed(ref, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  Store store(ref.store_path, Store::Mode::kRead);  // nothing to delete in a missing store
  if (store.status() != ERROR_SUCCESS) return store.status();
  return store.DeleteValue(ref.id, ref.path, FoldName(name));
}

LSTATUS DeleteKey(HKEY key, const std::string& subkey) {
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::string_view> names = SplitKeyPath(subkey);
  if (names.empty() && (ref.id == reg::kLocalMachineId || ref.id == reg::kClassesRootId)) {
    return ERROR_ACCESS_DENIED;  // the roots cannot be deleted
  }
  Store store(ref.store_path, Store::Mode::kRead);  // a write, so the file is checked
  if (store.status() != ERROR_SUCCESS) return store.status();
  return store.DeleteKey(JoinFolded(ref.path, names));
}

LSTATUS EnumKey(HKEY key, DWORD index, std::string* name) {
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  if (!Allowed(ref, KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  Store store(ref.store_path, ReadMode(key));
  if (store.status() == ERROR_FILE_NOT_FOUND) return ERROR_NO_MORE_ITEMS;
  if (store.status() != ERROR_SUCCESS) return store.status();
  return store.EnumKey(ref.id, ref.path, index, name);
}

LSTATUS EnumValue(HKEY key, DWORD index, StoredValue* value) {
  KeyRef ref;
  LSTATUS status = Resolve(key, &ref);
  if (status != ERROR_SUCCESS) return status;
  if (!Allowed(ref, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Store store(ref.store_path, ReadMode(key));
  if (store.status() == ERROR_FILE_NOT_FOUND) return ERROR_NO_MORE_ITEMS;
  if (store.status() != ERROR_SUCCESS) return store.status();
  return store.EnumValue(ref.id, ref.path, index, value);
}

}  // namespace

const HKEY HKEY_CLASSES_ROOT = &g_classes_root;
const HKEY HKEY_LOCAL_MACHINE = &g_local_machine;

LSTATUS RegOpenKeyExA(HKEY key, const char* subkey, DWORD, REGSAM sam, HKEY* result) {
  reg::ClearLastErrorText();
  return OpenKey(key, AnsiToStore(subkey), sam, result);
}

LSTATUS RegOpenKeyExW(HKEY key, const char16_t* subkey, DWORD, REGSAM sam, HKEY* result) {
  reg::ClearLastErrorText();
  return OpenKey(key, WideToStore(subkey), sam, result);
}

LSTATUS RegCreateKeyExA(HKEY key, const char* subkey, REGSAM sam, HKEY* result,
                        DWORD* disposition) {
  reg::ClearLastErrorText();
  return CreateKey(key, AnsiToStore(subkey), sam, result, disposition);
}

LSTATUS RegCreateKeyExW(HKEY key, const char16_t* subkey, REGSAM sam, HKEY* result,
                        DWORD* disposition) {
  reg::ClearLastErrorText();
  return CreateKey(key, WideToStore(subkey), sam, result, disposition);
}

LSTATUS RegCloseKey(HKEY key) {
  reg::ClearLastErrorText();
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
  {
    std::lock_guard<std::mutex> lock(HandleLock());
    if (key == nullptr || OpenHandles().erase(key) == 0) return ERROR_INVALID_HANDLE;
  }
  delete key;
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  reg::ClearLastErrorText();
  StoredValue value;
  LSTATUS status = QueryValue(key, AnsiToStore(name), &value);
  if (status != ERROR_SUCCESS) return status;
  return CopyOut(DataFor(value, qvplatform::AnsiCodePage()), value.type, type, data, size);
}

LSTATUS RegQueryValueExW(HKEY key, const char16_t* name, DWORD* type, BYTE* data, DWORD* size) {
  reg::ClearLastErrorText();
  StoredValue value;
  LSTATUS status = QueryValue(key, WideToStore(name), &value);
  if (status != ERROR_SUCCESS) return status;
  return CopyOut(DataFor(value, reg::kEncodingUtf16), value.type, type, data, size);
}

LSTATUS RegSetValueExA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  reg::ClearLastErrorText();
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  StoredValue value;
  value.name = AnsiToStore(name);
  value.type = type;
  value.encoding = IsStringType(type) ? qvplatform::AnsiCodePage() : reg::kEncodingBinary;
  if (size > 0) value.data.assign(reinterpret_cast<const char*>(data), size);
  return SetValue(key, std::move(value));
}

LSTATUS RegSetValueExW(HKEY key, const char16_t* name, DWORD type, const BYTE* data, DWORD size) {
  reg::ClearLastErrorText();
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  StoredValue value;
  value.name = WideToStore(name);
  value.type = type;
  value.encoding = IsStringType(type) ? reg::kEncodingUtf16 : reg::kEncodingBinary;
  if (size > 0) value.data.assign(reinterpret_cast<const char*>(data), size);
  return SetValue(key, std::move(value));
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* name_chars) {
  reg::ClearLastErrorText();
  if (name == nullptr || name_chars == nullptr) return ERROR_INVALID_PARAMETER;
  std::string stored;
  LSTATUS status = EnumKey(key, index, &stored);
  if (status != ERROR_SUCCESS) return status;
  return CopyName(StoreToAnsi(stored), name, name_chars);
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, char16_t* name, DWORD* name_chars) {
  reg::ClearLastErrorText();
  if (name == nullptr || name_chars == nullptr) return ERROR_INVALID_PARAMETER;
  std::string stored;
  LSTATUS status = EnumKey(key, index, &stored);
  if (status != ERROR_SUCCESS) return status;
  return CopyName(qvplatform::Utf8ToWide(stored), name, name_chars);
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* name_chars, DWORD* type) {
  reg::ClearLastErrorText();
  if (name == nullptr || name_chars == nullptr) return ERROR_INVALID_PARAMETER;
  StoredValue value;
  LSTATUS status = EnumValue(key, index, &value);
  if (status != ERROR_SUCCESS) return status;
  status = CopyName(StoreToAnsi(value.name), name, name_chars);
  if (type && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *type = value.type;
  return status;
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, char16_t* name, DWORD* name_chars, DWORD* type) {
  reg::ClearLastErrorText();
  if (name == nullptr || name_chars == nullptr) return ERROR_INVALID_PARAMETER;
  StoredValue value;
  LSTATUS status = EnumValue(key, index, &value);
  if (status != ERROR_SUCCESS) return status;
  status = CopyName(qvplatform::Utf8ToWide(value.name), name, name_chars);
  if (type && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *type = value.type;
  return status;
}

LSTATUS RegDeleteValueA(HKEY key, const char* name) {
  reg::ClearLastErrorText();
  return DeleteValue(key, AnsiToStore(name));
}

LSTATUS RegDeleteValueW(HKEY key, const char16_t* name) {
  reg::ClearLastErrorText();
  return DeleteValue(key, WideToStore(name));
}

LSTATUS RegDeleteKeyA(HKEY key, const char* subkey) {
  reg::ClearLastErrorText();
  return DeleteKey(key, AnsiToStore(subkey));
}

LSTATUS RegDeleteKeyW(HKEY key, const char16_t* subkey) {
  reg::ClearLastErrorText();
  return DeleteKey(key, WideToStore(subkey));
}

std::string RegGetLastErrorText() { return reg::LastErrorText(); }
