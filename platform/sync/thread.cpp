#include "platform/sync/thread.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/base/wintypes.h"

namespace qvplatform {

struct Thread::State {
  std::mutex mutex;
  std::condition_variable ended_cv;
  bool ended = false;   // the body has returned (or thrown)
  bool joined = false;  // std::thread::join has been called
  std::thread::id id;   // set before the body runs
  std::thread thread;
};

Thread::Thread(std::string name, std::function<void()> body) : state_(std::make_shared<State>()) {
  std::shared_ptr<State> state = state_;
  // The id is published under the lock before the body can run, so that
  // IsCurrent() is correct from the first instruction of the body.
  std::unique_lock<std::mutex> lock(state->mutex);
  state->thread = std::thread([state, body = std::move(body)]() {
    { std::lock_guard<std::mutex> wait_for_id(state->mutex); }
    body();  // an exception escaping the body terminates, as with std::thread
    std::lock_guard<std::mutex> done(state->mutex);
    state->ended = true;
    state->ended_cv.notify_all();
  });
  state->id = state->thread.get_id();
  std::string short_name = name.substr(0, 15);
  ::pthread_setname_np(state->thread.native_handle(), short_name.c_str());
}

Thread::~Thread() {
  if (IsCurrent()) {
    // Destroyed by its own body: it cannot wait for itself.
    if (state_->thread.joinable()) state_->thread.detach();
    return;
  }
  Join(-1);
}

bool Thread::Join(int64_t timeout_ms) {
  if (IsCurrent()) return false;
  std::unique_lock<std::mutex> lock(state_->mutex);
  constexpr int64_t kCenturyMs = int64_t{100} * 365 * 24 * 3600 * 1000;  // beyond: forever
  if (timeout_ms < 0 || timeout_ms == static_cast<int64_t>(INFINITE) || timeout_ms > kCenturyMs) {
    state_->ended_cv.wait(lock, [this] { return state_->ended; });
  } else if (!state_->ended_cv.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                        [this] { return state_->ended; })) {
    return false;
  }
  if (!state_->joined) {
    state_->joined = true;
    // The body has finished; joining only reaps the thread, and is done under
    // the lock so that two joiners never both call join().
    state_->thread.join();
  }
  return true;
}

bool Thread::HasEnded() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->ended;
}

bool Thread::IsCurrent() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->id == std::this_thread::get_id();
}

}  // namespace qvplatform
