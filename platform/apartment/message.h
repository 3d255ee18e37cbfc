// Window-message types and the message numbers the system uses, as in Win32.
// An HWND names a window; our handles are never reused within a process, so
// a stale handle is simply invalid. On Windows the types are the SDK's own
// (see wintypes.h) and the handles user32's.
#ifndef QV_PLATFORM_APARTMENT_MESSAGE_H_
#define QV_PLATFORM_APARTMENT_MESSAGE_H_

#include <cstdint>

#include "platform/base/wintypes.h"

struct HWND__;
using HWND = HWND__*;
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;

#ifndef _WIN32
// The queue's records. On Windows the queue is user32's, and so are these.
struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // GetTickCount of posting, truncated to 32 bits
  POINT pt;
};
#endif

// Guarded: where <windows.h> came first, its macros stand in for these.
#ifndef WM_NULL
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
#endif

// Window styles kept by a window (nothing draws them).
#ifndef WS_POPUP
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
#endif

// SendMessageTimeout flags (accepted; every send behaves like SMTO_BLOCK).
#ifndef SMTO_NORMAL
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
#endif

// Win32 error codes window functions report.
#ifndef ERROR_INVALID_WINDOW_HANDLE
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_WINDOW_OF_OTHER_THREAD = 1408;
constexpr DWORD ERROR_TIMEOUT = 1460;
#endif

#endif  // QV_PLATFORM_APARTMENT_MESSAGE_H_
