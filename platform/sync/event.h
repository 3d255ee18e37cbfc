// Win32-style event objects: manual-reset (stays signalled until Reset) and
// auto-reset (one successful wait consumes the signal).
//
// Timeouts here are real milliseconds: callers that wait for a period the
// driver specifies pass qvplatform::ScaledMs(period). -1 (or INFINITE) waits
// without limit, 0 tests once. Any thread may Set, Reset or Wait.
//
// On Windows an Event is a kernel event object (CreateEvent) and WaitForAny
// is WaitForMultipleObjects. IsSignalled tests an auto-reset event by taking
// its signal and setting it again.
#ifndef QV_PLATFORM_SYNC_EVENT_H_
#define QV_PLATFORM_SYNC_EVENT_H_

#include <cstdint>
#include <initializer_list>
#include <memory>

namespace qvplatform {

class Event {
 public:
  enum class Kind { kManualReset, kAutoReset };

  explicit Event(Kind kind, bool initially_signalled = false);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  bool IsSignalled() const;

  // True when the event was (or became) signalled within the timeout; an
  // auto-reset event is reset by the successful wait.
  bool Wait(int64_t timeout_ms);

 private:
  friend int WaitForAny(std::initializer_list<Event*> events, int64_t timeout_ms);
  struct State;
  std::shared_ptr<State> state_;
};

// WaitForMultipleObjects(bWaitAll = FALSE): waits until one of `events` is
// signalled and returns its index; when several are signalled the lowest
// index wins (and only that one is consumed if it is auto-reset). Returns -1
// on time-out.
int WaitForAny(std::initializer_list<Event*> events, int64_t timeout_ms);

}  // namespace qvplatform

#endif  // QV_PLATFORM_SYNC_EVENT_H_
