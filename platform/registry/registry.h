// The registry: HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT kept in one SQLite
// database, <prefix>/registry.db, with Win32 semantics.
//
// - Key and value names are case-insensitive and case-preserving; subkey
//   paths use backslashes, and leading, trailing or doubled backslashes are
//   ignored. The empty (or null) value name is the key's default value.
// - Value data is kept exactly as written with its type (REG_SZ, REG_DWORD,
//   REG_BINARY, ...): a REG_SZ written with or without its terminating NUL
//   reads back byte for byte.
// - Keys are deleted one at a time: RegDeleteKey refuses a key that has
//   subkeys with ERROR_KEY_HAS_CHILDREN.
// - Functions return Win32 status codes (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND,
//   ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS, ERROR_INVALID_HANDLE, ...). A prefix
//   without a store reads as an empty registry (opens and queries give
//   ERROR_FILE_NOT_FOUND); the first write creates it. A store file that
//   cannot be read or is corrupt gives ERROR_BADDB (or ERROR_CANTOPEN /
//   ERROR_CANTWRITE), never a crash; RegGetLastErrorText() then names the file.
// - The "A" functions take and give bytes in the ANSI code page, the "W"
//   functions UTF-16; both see the same keys and values (names and REG_SZ
//   data are converted, other types pass unchanged). Names are stored in
//   UTF-8. Text data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is stored as
//   written, tagged with its encoding: A writes keep the caller's bytes in
//   the ANSI code page of the moment, W writes keep UTF-16LE. A read in the
//   same form returns the stored bytes unchanged; a read in the other form
//   (or A under another code page) converts, NULs included, so a value
//   written with or without its terminating NUL reads back the same way.
//   Characters the reader's code page cannot hold read as '?'.
// - Names are compared by their upper-case form using the C library's
//   Unicode case tables (C.UTF-8), as Windows does; where that locale is
//   missing only ASCII letters fold.
// - Access: a handle carries the rights it was opened with. Queries and
//   value enumeration need KEY_QUERY_VALUE, setting and deleting values
//   KEY_SET_VALUE, subkey enumeration KEY_ENUMERATE_SUB_KEYS and RegCreateKeyEx
//   with a non-empty subkey KEY_CREATE_SUB_KEY on `key`; otherwise
//   ERROR_ACCESS_DENIED. KEY_READ, KEY_WRITE, KEY_ALL_ACCESS and the generic
//   rights include what their Win32 counterparts include. The predefined
//   roots have every right.
// - A handle whose key has been deleted reads nothing; writing through it
//   gives 1018 (ERROR_KEY_DELETED), also when the key was re-created or the
//   store file replaced meanwhile. A closed or unknown handle gives
//   ERROR_INVALID_HANDLE. Reads through an opened handle use the store file
//   it was opened in; the predefined roots always use the current prefix's
//   store.
// - Several threads and processes may use the store at once (WAL mode, busy
//   time-out); every write is one transaction, so a crash never leaves a half
//   written value. An open HKEY names a key; it holds no lock and no file.
//
// On Windows the registry is the system's, through advapi32, and Windows
// semantics hold where they differ from the above: RegDeleteKey refuses a
// key with subkeys with ERROR_ACCESS_DENIED; an enumeration buffer that is
// too small gives ERROR_MORE_DATA without the name's length; the A functions
// use the system's ANSI code page; RegGetLastErrorText is always empty, as
// there is no store file to name.
//
// An HKEY returned by RegOpenKeyEx/RegCreateKeyEx must be closed with
// RegCloseKey (RegKey below does that). Handles may be used from any thread,
// but one handle is not to be used by two threads at once.
#ifndef QV_PLATFORM_REGISTRY_REGISTRY_H_
#define QV_PLATFORM_REGISTRY_REGISTRY_H_

#include <climits>
#include <cstdint>
#include <string>

#include "platform/base/wintypes.h"

#ifdef _WIN32
// The real registry: the SDK's key handle and predefined roots.
struct HKEY__;
using HKEY = HKEY__*;
#ifndef HKEY_CLASSES_ROOT  // else <windows.h> came first and has them
inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<intptr_t>(INT32_MIN));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<intptr_t>(INT32_MIN + 2));
#endif
#else
struct RegKeyHandle;
using HKEY = RegKeyHandle*;
extern const HKEY HKEY_CLASSES_ROOT;
extern const HKEY HKEY_LOCAL_MACHINE;
#endif
using REGSAM = DWORD;

// Guarded: where <windows.h> came first, its macros stand in for these.
#ifndef REG_NONE
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
#endif

#ifndef KEY_QUERY_VALUE
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
#endif

#ifndef REG_CREATED_NEW_KEY
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
#endif

#ifdef _WIN32
// advapi32's functions whose form the code above platform/ uses as is,
// declared as the SDK declares them. The others below are thin forms of
// advapi32's (registry_win32.cpp) that take char16_t text and leave out the
// reserved, class and security parameters.
extern "C" {
LSTATUS RegOpenKeyExA(HKEY key, const char* subkey, DWORD options, REGSAM sam, HKEY* result);
LSTATUS RegCloseKey(HKEY key);
LSTATUS RegDeleteValueA(HKEY key, const char* name);
LSTATUS RegDeleteKeyA(HKEY key, const char* subkey);
}
#else
// Opens an existing key. `subkey` null or empty opens `key` itself again
// (for a root this works without a store, and finds no values). `options`
// is ignored.
LSTATUS RegOpenKeyExA(HKEY key, const char* subkey, DWORD options, REGSAM sam, HKEY* result);
#endif
LSTATUS RegOpenKeyExW(HKEY key, const char16_t* subkey, DWORD options, REGSAM sam, HKEY* result);

// Opens a key, creating it and any missing parents. `disposition` may be null.
LSTATUS RegCreateKeyExA(HKEY key, const char* subkey, REGSAM sam, HKEY* result, DWORD* disposition);
LSTATUS RegCreateKeyExW(HKEY key, const char16_t* subkey, REGSAM sam, HKEY* result,
                        DWORD* disposition);

#ifndef _WIN32
LSTATUS RegCloseKey(HKEY key);
#endif

// Win32 RegQueryValueEx: `type`, `data` and `size` may each be null. With
// `data` null the size is reported; a buffer smaller than the value gives
// ERROR_MORE_DATA with `*size` set to the size needed. The W form reports
// REG_SZ sizes in bytes of UTF-16.
LSTATUS RegQueryValueExA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size);
LSTATUS RegQueryValueExW(HKEY key, const char16_t* name, DWORD* type, BYTE* data, DWORD* size);

LSTATUS RegSetValueExA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size);
LSTATUS RegSetValueExW(HKEY key, const char16_t* name, DWORD type, const BYTE* data, DWORD size);

// Subkey names in case-insensitive order. `name_chars` is the buffer size in
// characters on entry and the name's length (without NUL) on success; a too
// small buffer gives ERROR_MORE_DATA with `*name_chars` set to the name's
// length (without NUL). Past the last gives ERROR_NO_MORE_ITEMS.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* name_chars);
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, char16_t* name, DWORD* name_chars);

// Value names in case-insensitive order, with the same buffer rules. The
// default value, when set, is listed with the empty name.
LSTATUS RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* name_chars, DWORD* type);
LSTATUS RegEnumValueW(HKEY key, DWORD index, char16_t* name, DWORD* name_chars, DWORD* type);

#ifndef _WIN32
LSTATUS RegDeleteValueA(HKEY key, const char* name);
#endif
LSTATUS RegDeleteValueW(HKEY key, const char16_t* name);

// Deletes `subkey` of `key` and its values; refuses a key with subkeys.
// An empty `subkey` deletes `key` itself; the roots cannot be deleted
// (ERROR_ACCESS_DENIED).
#ifndef _WIN32
LSTATUS RegDeleteKeyA(HKEY key, const char* subkey);
#endif
LSTATUS RegDeleteKeyW(HKEY key, const char16_t* subkey);

// Text of the store failure of this thread's last registry call (names the
// store file), or empty when that call had none. Every call resets it.
std::string RegGetLastErrorText();

namespace qvplatform {

// RAII owner of an HKEY.
class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY key) : key_(key) {}
  ~RegKey() { Close(); }
  RegKey(RegKey&& other) noexcept : key_(other.Release()) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Close();
      key_ = other.Release();
    }
    return *this;
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  HKEY get() const { return key_; }
  HKEY* receive() {
    Close();
    return &key_;
  }
  HKEY Release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_REGISTRY_REGISTRY_H_
