// Window-message functions in the Win32 manner, for windows created through
// MessageWindow (message_window.h).
//
// - SendMessage from the window's owner thread calls its procedure directly.
//   From another thread it queues the message and blocks until the owner has
//   handled it; while blocked, a sender that owns a queue itself handles
//   messages sent to its own windows, so two apartments sending to each
//   other do not deadlock. A window destroyed before or while the message
//   waits makes the send fail (0) at once; it never hangs on a dead window.
// - PostMessage queues and returns; FALSE for an invalid window.
// - SetTimer/KillTimer: periods are real milliseconds (a caller that wants
//   a specified period scaled passes ScaledMs(period)); periods below 1 ms
//   count as 1 ms. The owner receives WM_TIMER (wParam = timer id) only
//   while it pumps. Any thread may set or kill a timer.
// - DestroyWindow may be called from any thread; called from another thread
//   it waits until the owner has left the window's procedure. Destroying a
//   window stops its timers and fails its pending sends.
#ifndef QV_PLATFORM_APARTMENT_WINDOW_H_
#define QV_PLATFORM_APARTMENT_WINDOW_H_

#include "platform/apartment/message.h"

#ifdef _WIN32

// On Windows these are user32's own functions, declared as the SDK declares
// them so that code above platform/ need not include <windows.h>; the
// UTF-16 ("W") forms stand behind the generic names. user32 differs from the
// description below in two ways: a timer is set and killed by the window's
// owner thread only, and periods below USER_TIMER_MINIMUM (10 ms) count as
// that minimum.
using TIMERPROC = void (*)(HWND hwnd, UINT msg, UINT_PTR id, DWORD time);
extern "C" {
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageTimeoutW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeout_ms, DWORD_PTR* result);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
BOOL IsWindow(HWND hwnd);
BOOL DestroyWindow(HWND hwnd);
}

inline LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(hwnd, msg, wParam, lParam);
}
inline LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                                  UINT timeout_ms, DWORD_PTR* result) {
  return SendMessageTimeoutW(hwnd, msg, wParam, lParam, flags, timeout_ms, result);
}
inline BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostMessageW(hwnd, msg, wParam, lParam);
}
inline UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms) {
  return SetTimer(hwnd, id, elapse_ms, nullptr);
}

#else  // !_WIN32

// The procedure's result, or 0 when the window is invalid or was destroyed.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Like SendMessage, but returns 0 when the message could not be delivered
// (invalid or destroyed window) or the owner did not handle it within
// `timeout_ms` real milliseconds (INFINITE waits without limit), and
// nonzero with the procedure's result in *result on success.
LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeout_ms, DWORD_PTR* result);

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Returns `id` (1 for id 0) on success, 0 for an invalid window.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

BOOL IsWindow(HWND hwnd);
BOOL DestroyWindow(HWND hwnd);

#endif  // _WIN32

// True when the calling thread owns `hwnd`.
bool IsWindowOwnedByCurrentThread(HWND hwnd);

#endif  // QV_PLATFORM_APARTMENT_WINDOW_H_
