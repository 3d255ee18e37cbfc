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

// True when the calling thread owns `hwnd`.
bool IsWindowOwnedByCurrentThread(HWND hwnd);

#endif  // QV_PLATFORM_APARTMENT_WINDOW_H_
