#include "platform/sync/event.h"

#include <windows.h>

#include <vector>

#include "platform/base/win32_wait.h"

namespace qvplatform {

struct Event::State {
  State(Kind k, HANDLE h) : kind(k), handle(h) {}
  ~State() {
    if (handle != nullptr) CloseHandle(handle);
  }
  const Kind kind;
  const HANDLE handle;  // null when the system refused the event
};

Event::Event(Kind kind, bool initially_signalled)
    : state_(std::make_shared<State>(
          kind, CreateEventW(nullptr, kind == Kind::kManualReset ? TRUE : FALSE,
                             initially_signalled ? TRUE : FALSE, nullptr))) {}

Event::~Event() = default;

void Event::Set() {
  if (state_->handle != nullptr) SetEvent(state_->handle);
}

void Event::Reset() {
  if (state_->handle != nullptr) ResetEvent(state_->handle);
}

bool Event::IsSignalled() const {
  if (state_->handle == nullptr) return false;
  if (WaitForSingleObject(state_->handle, 0) != WAIT_OBJECT_0) return false;
  // Testing an auto-reset event consumed its signal: give it back.
  if (state_->kind == Kind::kAutoReset) SetEvent(state_->handle);
  return true;
}

bool Event::Wait(int64_t timeout_ms) { return WaitForAny({this}, timeout_ms) == 0; }

int WaitForAny(std::initializer_list<Event*> events, int64_t timeout_ms) {
  // The states (and so the handles) stay alive for the wait even if an Event
  // is destroyed meanwhile.
  std::vector<std::shared_ptr<Event::State>> states;
  std::vector<HANDLE> handles;
  for (Event* event : events) {
    states.push_back(event->state_);
    if (event->state_->handle == nullptr) return -1;
    handles.push_back(event->state_->handle);
  }
  if (handles.empty() || handles.size() > MAXIMUM_WAIT_OBJECTS) return -1;
  DWORD rc = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                    Win32Timeout(timeout_ms));
  if (rc >= WAIT_OBJECT_0 && rc < WAIT_OBJECT_0 + handles.size()) {
    return static_cast<int>(rc - WAIT_OBJECT_0);
  }
  return -1;
}

}  // namespace qvplatform
