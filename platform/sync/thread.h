// A thread handle in the Win32 manner: the thread starts on construction and
// the handle can be waited on with a time-out.
//
// Join(timeout) waits for the body to return; true when it has ended (the
// thread is then joined). The destructor joins without limit: an owner that
// must not block stops the body first (usually through an Event) and bounds
// its wait with Join(timeout).
//
// On Windows the thread is a Win32 thread, which keeps the module whose code
// it runs loaded until it ends (see thread_win32.cpp); elsewhere a
// std::thread.
#ifndef QV_PLATFORM_SYNC_THREAD_H_
#define QV_PLATFORM_SYNC_THREAD_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qvplatform {

class Thread {
 public:
  // `name` (at most 15 characters are kept) shows in debuggers.
  Thread(std::string name, std::function<void()> body);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  bool Join(int64_t timeout_ms);
  bool HasEnded() const;
  bool IsCurrent() const;  // true on the thread itself

 private:
  struct State;  // the OS thread and its ending, shared with the thread itself
  std::shared_ptr<State> state_;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_SYNC_THREAD_H_
