// The few Windows integer types the platform interfaces are written in, so
// that code ported from Windows reads the same. Sizes are those of Win32.
//
// On Windows they are the very types of the SDK (where long has 32 bits), so
// a Win32 backend can include <windows.h> beside the platform headers: the
// SDK declares the same types, and its macros of the same values stand in
// for the constants below. Code above platform/ never includes <windows.h>;
// its GUID and macros would clash with the COM types.
#ifndef QV_PLATFORM_BASE_WINTYPES_H_
#define QV_PLATFORM_BASE_WINTYPES_H_

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
#ifdef _WIN32
using DWORD = unsigned long;
using LONG = long;
using ULONG = unsigned long;
#else
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
#endif
using BOOL = int32_t;
using LSTATUS = LONG;

// Where <windows.h> came first, its macros of the same values stand in for
// the constants below (hence the guards).
#ifndef INFINITE
constexpr DWORD INFINITE = 0xFFFFFFFFu;
#endif

// Win32 error codes used by the platform layer.
#ifndef ERROR_SUCCESS
constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_BADDB = 1009;
constexpr LSTATUS ERROR_CANTOPEN = 1011;
constexpr LSTATUS ERROR_CANTREAD = 1012;
constexpr LSTATUS ERROR_CANTWRITE = 1013;
constexpr LSTATUS ERROR_KEY_HAS_CHILDREN = 1020;
#endif

#endif  // QV_PLATFORM_BASE_WINTYPES_H_
