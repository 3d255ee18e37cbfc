#include "platform/sync/event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/base/wintypes.h"

namespace qvplatform {

namespace {

// One lock guards the state of every event, so that WaitForAny can test
// several events and consume the lowest signalled one atomically. Critical
// sections under it are a few instructions long. Never destroyed, so events
// that outlive static destruction stay usable.
std::mutex& EventLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

using Clock = std::chrono::steady_clock;

// Negative, INFINITE, and anything beyond a century (which would overflow
// the clock's arithmetic) wait without limit.
bool IsForever(int64_t timeout_ms) {
  constexpr int64_t kCenturyMs = int64_t{100} * 365 * 24 * 3600 * 1000;
  return timeout_ms < 0 || timeout_ms == static_cast<int64_t>(INFINITE) || timeout_ms > kCenturyMs;
}

}  // namespace

struct Event::State {
  explicit State(Kind k, bool signalled) : kind(k), signalled(signalled) {}

  // Both under EventLock().
  const Kind kind;
  bool signalled;
  std::vector<std::condition_variable*> waiters;

  // Takes the signal if there is one; an auto-reset event is consumed.
  bool TryConsume() {
    if (!signalled) return false;
    if (kind == Kind::kAutoReset) signalled = false;
    return true;
  }
};

Event::Event(Kind kind, bool initially_signalled)
    : state_(std::make_shared<State>(kind, initially_signalled)) {}

Event::~Event() = default;

void Event::Set() {
  std::lock_guard<std::mutex> lock(EventLock());
  state_->signalled = true;
  for (std::condition_variable* waiter : state_->waiters) waiter->notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(EventLock());
  state_->signalled = false;
}

bool Event::IsSignalled() const {
  std::lock_guard<std::mutex> lock(EventLock());
  return state_->signalled;
}

bool Event::Wait(int64_t timeout_ms) { return WaitForAny({this}, timeout_ms) == 0; }

int WaitForAny(std::initializer_list<Event*> events, int64_t timeout_ms) {
  // Shared ownership keeps each state alive for the wait even if its Event
  // is destroyed meanwhile.
  std::vector<std::shared_ptr<Event::State>> states;
  states.reserve(events.size());
  for (Event* event : events) states.push_back(event->state_);

  auto first_signalled = [&states]() -> int {
    for (size_t i = 0; i < states.size(); ++i) {
      if (states[i]->TryConsume()) return static_cast<int>(i);
    }
    return -1;
  };

  std::unique_lock<std::mutex> lock(EventLock());
  int index = first_signalled();
  if (index >= 0 || timeout_ms == 0 || states.empty()) return index;

  std::condition_variable woken;
  for (const auto& state : states) state->waiters.push_back(&woken);
  const bool forever = IsForever(timeout_ms);
  const Clock::time_point deadline =
      forever ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    index = first_signalled();
    if (index >= 0) break;
    if (forever) {
      woken.wait(lock);
    } else if (woken.wait_until(lock, deadline) == std::cv_status::timeout) {
      index = first_signalled();
      break;
    }
  }
  for (const auto& state : states) std::erase(state->waiters, &woken);
  return index;
}

}  // namespace qvplatform
