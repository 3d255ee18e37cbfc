// The few Windows integer types the platform interfaces are written in, so
// that code ported from Windows reads the same. Sizes are those of Win32.
#ifndef QV_PLATFORM_BASE_WINTYPES_H_
#define QV_PLATFORM_BASE_WINTYPES_H_

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using BOOL = int32_t;
using LSTATUS = int32_t;

constexpr DWORD INFINITE = 0xFFFFFFFFu;

// Win32 error codes used by the platform layer.
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

#endif  // QV_PLATFORM_BASE_WINTYPES_H_
