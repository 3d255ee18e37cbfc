// Internals shared by the apartment's sources: the queue object behind each
// thread, the window records and the process-wide window table. Not for use
// outside platform/apartment.
#ifndef QV_PLATFORM_APARTMENT_APARTMENT_INTERNAL_H_
#define QV_PLATFORM_APARTMENT_APARTMENT_INTERNAL_H_

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/apartment/message.h"

namespace qvplatform {

class MessageWindow;
class MessageQueue;

// A message sent from another thread, waiting for its owner to handle it.
// The sender waits on `wait_mu`/`wait_cv`: its own queue's when it has one
// (so it can handle messages sent to it meanwhile), else the record's own.
struct SentMessage {
  enum class State { kPending, kDone, kFailed };
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  State state = State::kPending;  // guarded by *wait_mu
  std::mutex own_mu;
  std::condition_variable own_cv;
  std::mutex* wait_mu = &own_mu;
  std::condition_variable* wait_cv = &own_cv;
  std::shared_ptr<MessageQueue> sender_queue;  // keeps wait_mu alive
};

// One window's record. `object`, `alive` and `active` are guarded by the
// owner queue's mutex.
struct WindowCore {
  uintptr_t id = 0;
  std::shared_ptr<MessageQueue> queue;
  MessageWindow* object = nullptr;
  bool alive = true;
  int active = 0;  // owner-thread calls of the procedure in progress

  static LRESULT CallProcedure(MessageWindow* object, UINT msg, WPARAM wParam, LPARAM lParam);
};

class MessageQueue {
 public:
  using Clock = std::chrono::steady_clock;

  struct Timer {
    uintptr_t window = 0;
    UINT_PTR id = 0;
    Clock::duration period{};
    Clock::time_point due{};
  };

  MessageQueue() = default;
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // Creates the eventfd, timerfd and epoll fd. False on failure.
  bool Open();

  // Wakes the owner (its fd and any sender wait it is in). Call with `mu`
  // released or held, either is fine.
  void Signal();
  // Re-arms the timerfd for the earliest timer. Call with `mu` held.
  void RearmTimerLocked();
  // Empties the eventfd and timerfd counters.
  void DrainFds();

  // Ends the queue: destroys the owner's windows and fails pending sends.
  void Close();

  std::mutex mu;
  std::condition_variable cv;  // sender waits and window destruction waits
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::deque<MSG> posted;
  std::vector<Timer> timers;
  std::vector<uintptr_t> windows;
  bool closed = false;
  std::thread::id owner;
  int event_fd = -1;
  int timer_fd = -1;
  int epoll_fd = -1;
};

// The calling thread's queue, or null.
std::shared_ptr<MessageQueue> CurrentQueue();
// The calling thread's queue, created if needed; null on failure.
std::shared_ptr<MessageQueue> EnsureCurrentQueue();

// Window table.
std::shared_ptr<WindowCore> LookupWindow(HWND hwnd);
HWND RegisterWindow(const std::shared_ptr<MessageQueue>& queue, MessageWindow* object);

}  // namespace qvplatform

#endif  // QV_PLATFORM_APARTMENT_APARTMENT_INTERNAL_H_
