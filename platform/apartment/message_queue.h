// The per-thread message queue of an apartment.
//
// A thread gets its queue when it first creates a window, calls
// EnsureMessageQueue, or calls CoInitialize; the queue lives until the
// thread ends, which destroys the windows the thread still owns (their
// pending sends fail). Messages reach a window only while its owner thread
// pumps: sent messages first, then posted ones in order, then WM_TIMER for
// each due timer (one per timer however late, as Win32 coalesces them).
//
// All functions here act on the calling thread's queue. A thread without a
// queue handles nothing (the pump functions return 0 at once).
#ifndef QV_PLATFORM_APARTMENT_MESSAGE_QUEUE_H_
#define QV_PLATFORM_APARTMENT_MESSAGE_QUEUE_H_

#include <cstdint>
#include <functional>

#include "platform/apartment/message.h"

namespace qvplatform {

// Creates the calling thread's queue when it has none. False when the
// kernel objects behind it cannot be created.
bool EnsureMessageQueue();
bool HasMessageQueue();

// Handles everything pending now and the timers due now, without waiting.
// Returns the number of messages handled.
int PumpMessages();

// Waits up to `timeout_ms` real milliseconds (-1 forever) until at least one
// message can be handled, then pumps. Returns the number handled (0 on
// time-out). Callers that wait for a specified period pass ScaledMs(period).
int WaitAndPump(int64_t timeout_ms);

// Pumps until `done()` is true or `timeout_ms` real milliseconds have passed;
// returns done(). `done` is checked between messages and at least every few
// milliseconds, so it may also watch state that other threads change.
bool PumpUntil(const std::function<bool()>& done, int64_t timeout_ms);

// A file descriptor that polls readable (POLLIN) while the calling thread's
// queue has a message or a due timer, for a program's own event loop: poll
// it, then call PumpMessages. Creates the queue if needed; -1 on failure.
// Owned by the queue: never close it.
int MessageQueueFd();

}  // namespace qvplatform

#endif  // QV_PLATFORM_APARTMENT_MESSAGE_QUEUE_H_
