// The per-thread message queues, the process-wide window table and the
// Win32-style message functions.
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_map>

#include "platform/apartment/apartment_internal.h"
#include "platform/apartment/message_queue.h"
#include "platform/apartment/window.h"
#include "platform/base/clock.h"

namespace qvplatform {
namespace {

struct WindowTable {
  std::mutex mu;
  std::unordered_map<uintptr_t, std::shared_ptr<WindowCore>> windows;
  uintptr_t next_id = 0x10010;
};

// Never destroyed: threads may end (and close their queues) after static
// destructors have started.
WindowTable& Table() {
  static WindowTable* table = new WindowTable;
  return *table;
}

struct QueueHolder {
  std::shared_ptr<MessageQueue> queue;
  ~QueueHolder() {
    if (queue) queue->Close();
  }
};
thread_local QueueHolder t_holder;

HWND HandleOf(uintptr_t id) { return reinterpret_cast<HWND>(id); }
uintptr_t IdOf(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

void Complete(const std::shared_ptr<SentMessage>& sent, bool ok, LRESULT result) {
  std::lock_guard<std::mutex> lock(*sent->wait_mu);
  sent->result = result;
  sent->state = ok ? SentMessage::State::kDone : SentMessage::State::kFailed;
  sent->wait_cv->notify_all();
}

// Calls the window's procedure on its owner thread; false when the window
// is gone.
bool Dispatch(const std::shared_ptr<WindowCore>& core, UINT msg, WPARAM wParam, LPARAM lParam,
              LRESULT* result) {
  MessageQueue& queue = *core->queue;
  MessageWindow* object;
  {
    std::lock_guard<std::mutex> lock(queue.mu);
    if (!core->alive || core->object == nullptr) return false;
    ++core->active;
    object = core->object;
  }
  struct LeaveGuard {
    const std::shared_ptr<WindowCore>& core;
    ~LeaveGuard() {
      {
        std::lock_guard<std::mutex> lock(core->queue->mu);
        --core->active;
      }
      core->queue->cv.notify_all();
    }
  } leave{core};
  *result = WindowCore::CallProcedure(object, msg, wParam, lParam);
  return true;
}

void ProcessSent(MessageQueue* queue, const std::shared_ptr<SentMessage>& sent) {
  std::shared_ptr<WindowCore> core = LookupWindow(sent->hwnd);
  LRESULT result = 0;
  bool ok = core && core->queue.get() == queue &&
            Dispatch(core, sent->message, sent->wParam, sent->lParam, &result);
  Complete(sent, ok, result);
}

void DispatchPosted(const MSG& msg) {
  std::shared_ptr<WindowCore> core = LookupWindow(msg.hwnd);
  if (!core) return;
  LRESULT ignored;
  Dispatch(core, msg.message, msg.wParam, msg.lParam, &ignored);
}

DWORD TickNow() { return static_cast<DWORD>(GetTickCount64()); }

// Sends across threads. `timeout_ms` < 0 waits without limit.
bool SendAcross(const std::shared_ptr<WindowCore>& core, HWND hwnd, UINT msg, WPARAM wParam,
                LPARAM lParam, int64_t timeout_ms, LRESULT* result) {
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = hwnd;
  sent->message = msg;
  sent->wParam = wParam;
  sent->lParam = lParam;
  std::shared_ptr<MessageQueue> own = CurrentQueue();
  if (own) {
    sent->wait_mu = &own->mu;
    sent->wait_cv = &own->cv;
    sent->sender_queue = own;
  }
  MessageQueue& target = *core->queue;
  {
    std::lock_guard<std::mutex> lock(target.mu);
    if (target.closed || !core->alive) return false;
    target.sent.push_back(sent);
  }
  target.Signal();

  auto deadline = MessageQueue::Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock<std::mutex> lock(*sent->wait_mu);
  while (sent->state == SentMessage::State::kPending) {
    if (own && !own->sent.empty()) {
      // Messages sent to this thread's windows meanwhile are handled now.
      std::shared_ptr<SentMessage> incoming = own->sent.front();
      own->sent.pop_front();
      lock.unlock();
      ProcessSent(own.get(), incoming);
      lock.lock();
      continue;
    }
    if (timeout_ms < 0) {
      sent->wait_cv->wait(lock);
    } else if (sent->wait_cv->wait_until(lock, deadline) == std::cv_status::timeout &&
               sent->state == SentMessage::State::kPending) {
      lock.unlock();
      std::lock_guard<std::mutex> target_lock(target.mu);
      auto it = std::find(target.sent.begin(), target.sent.end(), sent);
      if (it != target.sent.end()) target.sent.erase(it);
      return false;
    }
  }
  *result = sent->result;
  return sent->state == SentMessage::State::kDone;
}

bool SendImpl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, int64_t timeout_ms,
              LRESULT* result) {
  std::shared_ptr<WindowCore> core = LookupWindow(hwnd);
  if (!core) return false;
  if (core->queue->owner == std::this_thread::get_id()) {
    return Dispatch(core, msg, wParam, lParam, result);
  }
  return SendAcross(core, hwnd, msg, wParam, lParam, timeout_ms, result);
}

}  // namespace

// ---- MessageQueue ----

MessageQueue::~MessageQueue() {
  if (epoll_fd >= 0) ::close(epoll_fd);
  if (timer_fd >= 0) ::close(timer_fd);
  if (event_fd >= 0) ::close(event_fd);
}

bool MessageQueue::Open() {
  owner = std::this_thread::get_id();
  event_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  timer_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  epoll_fd = ::epoll_create1(EPOLL_CLOEXEC);
  if (event_fd < 0 || timer_fd < 0 || epoll_fd < 0) return false;
  for (int fd : {event_fd, timer_fd}) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    if (::epoll_ctl(epoll_fd, EPOLL_CTL_ADD, fd, &ev) != 0) return false;
  }
  return true;
}

void MessageQueue::Signal() {
  uint64_t one = 1;
  ssize_t n = ::write(event_fd, &one, sizeof(one));
  (void)n;  // a full counter is still readable, which is all that matters
  cv.notify_all();
}

void MessageQueue::RearmTimerLocked() {
  itimerspec spec{};
  if (!timers.empty()) {
    Clock::time_point earliest = timers.front().due;
    for (const Timer& t : timers) earliest = std::min(earliest, t.due);
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(earliest.time_since_epoch());
    int64_t count = std::max<int64_t>(ns.count(), 1);
    spec.it_value.tv_sec = count / 1000000000;
    spec.it_value.tv_nsec = count % 1000000000;
  }
  ::timerfd_settime(timer_fd, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void MessageQueue::DrainFds() {
  uint64_t value;
  while (::read(event_fd, &value, sizeof(value)) > 0) {
  }
  while (::read(timer_fd, &value, sizeof(value)) > 0) {
  }
}

void MessageQueue::Close() {
  std::vector<uintptr_t> owned;
  {
    std::lock_guard<std::mutex> lock(mu);
    closed = true;
    owned = windows;
  }
  for (uintptr_t id : owned) DestroyWindow(HandleOf(id));
  std::deque<std::shared_ptr<SentMessage>> failed;
  {
    std::lock_guard<std::mutex> lock(mu);
    failed.swap(sent);
    posted.clear();
    timers.clear();
  }
  for (const auto& s : failed) Complete(s, false, 0);
}

std::shared_ptr<MessageQueue> CurrentQueue() { return t_holder.queue; }

std::shared_ptr<MessageQueue> EnsureCurrentQueue() {
  if (!t_holder.queue) {
    auto queue = std::make_shared<MessageQueue>();
    if (!queue->Open()) return nullptr;
    t_holder.queue = std::move(queue);
  }
  return t_holder.queue;
}

// ---- window table ----

std::shared_ptr<WindowCore> LookupWindow(HWND hwnd) {
  WindowTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mu);
  auto it = table.windows.find(IdOf(hwnd));
  if (it == table.windows.end()) return nullptr;
  return it->second;
}

HWND RegisterWindow(const std::shared_ptr<MessageQueue>& queue, MessageWindow* object) {
  auto core = std::make_shared<WindowCore>();
  core->queue = queue;
  core->object = object;
  WindowTable& table = Table();
  {
    std::lock_guard<std::mutex> lock(table.mu);
    core->id = table.next_id;
    table.next_id += 4;
    table.windows.emplace(core->id, core);
  }
  std::lock_guard<std::mutex> lock(queue->mu);
  queue->windows.push_back(core->id);
  return HandleOf(core->id);
}

// ---- pumping ----

bool EnsureMessageQueue() { return EnsureCurrentQueue() != nullptr; }

bool HasMessageQueue() { return CurrentQueue() != nullptr; }

int PumpMessages() {
  std::shared_ptr<MessageQueue> queue = CurrentQueue();
  if (!queue) return 0;
  queue->DrainFds();
  int handled = 0;
  // Each timer fires at most once per call, so a short period cannot keep
  // the pump from returning.
  std::vector<std::pair<uintptr_t, UINT_PTR>> fired;
  for (;;) {
    std::unique_lock<std::mutex> lock(queue->mu);
    if (!queue->sent.empty()) {
      std::shared_ptr<SentMessage> sent = queue->sent.front();
      queue->sent.pop_front();
      lock.unlock();
      ProcessSent(queue.get(), sent);
      ++handled;
      continue;
    }
    if (!queue->posted.empty()) {
      MSG msg = queue->posted.front();
      queue->posted.pop_front();
      lock.unlock();
      DispatchPosted(msg);
      ++handled;
      continue;
    }
    auto now = MessageQueue::Clock::now();
    MessageQueue::Timer* due = nullptr;
    for (MessageQueue::Timer& t : queue->timers) {
      if (t.due > now) continue;
      if (std::find(fired.begin(), fired.end(), std::make_pair(t.window, t.id)) != fired.end()) {
        continue;
      }
      if (due == nullptr || t.due < due->due) due = &t;
    }
    if (due != nullptr) {
      due->due = now + due->period;
      fired.emplace_back(due->window, due->id);
      MSG msg{HandleOf(due->window), WM_TIMER, due->id, 0, TickNow(), {0, 0}};
      queue->RearmTimerLocked();
      lock.unlock();
      DispatchPosted(msg);
      ++handled;
      continue;
    }
    queue->RearmTimerLocked();
    return handled;
  }
}

int WaitAndPump(int64_t timeout_ms) {
  std::shared_ptr<MessageQueue> queue = CurrentQueue();
  if (!queue) return 0;
  auto deadline = MessageQueue::Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int handled = PumpMessages();
    if (handled > 0) return handled;
    int wait_ms = -1;
    if (timeout_ms >= 0) {
      auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - MessageQueue::Clock::now());
      if (left.count() <= 0) return 0;
      wait_ms = static_cast<int>(std::min<int64_t>(left.count(), 1 << 30));
    }
    pollfd pfd{queue->epoll_fd, POLLIN, 0};
    int rc = ::poll(&pfd, 1, wait_ms);
    if (rc < 0 && errno != EINTR) return 0;
  }
}

bool PumpUntil(const std::function<bool()>& done, int64_t timeout_ms) {
  auto deadline = MessageQueue::Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - MessageQueue::Clock::now());
    if (left.count() <= 0) return done();
    int64_t slice = std::min<int64_t>(left.count(), 5);
    if (HasMessageQueue()) {
      WaitAndPump(slice);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
}

int MessageQueueFd() {
  std::shared_ptr<MessageQueue> queue = EnsureCurrentQueue();
  return queue ? queue->epoll_fd : -1;
}

}  // namespace qvplatform

using qvplatform::LookupWindow;
using qvplatform::MessageQueue;
using qvplatform::SentMessage;
using qvplatform::WindowCore;

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!qvplatform::SendImpl(hwnd, msg, wParam, lParam, -1, &result)) return 0;
  return result;
}

LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT, UINT timeout_ms,
                           DWORD_PTR* result) {
  int64_t timeout = timeout_ms == INFINITE ? -1 : static_cast<int64_t>(timeout_ms);
  LRESULT value = 0;
  if (!qvplatform::SendImpl(hwnd, msg, wParam, lParam, timeout, &value)) return 0;
  if (result != nullptr) *result = static_cast<DWORD_PTR>(value);
  return 1;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<WindowCore> core = LookupWindow(hwnd);
  if (!core) return 0;
  MessageQueue& queue = *core->queue;
  {
    std::lock_guard<std::mutex> lock(queue.mu);
    if (queue.closed || !core->alive) return 0;
    queue.posted.push_back(MSG{hwnd, msg, wParam, lParam, qvplatform::TickNow(), {0, 0}});
  }
  queue.Signal();
  return 1;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms) {
  std::shared_ptr<WindowCore> core = LookupWindow(hwnd);
  if (!core) return 0;
  MessageQueue& queue = *core->queue;
  auto period = std::chrono::milliseconds(std::max<UINT>(elapse_ms, 1));
  {
    std::lock_guard<std::mutex> lock(queue.mu);
    if (queue.closed || !core->alive) return 0;
    auto due = MessageQueue::Clock::now() + period;
    auto it = std::find_if(
        queue.timers.begin(), queue.timers.end(),
        [&](const MessageQueue::Timer& t) { return t.window == core->id && t.id == id; });
    if (it != queue.timers.end()) {
      it->period = period;
      it->due = due;
    } else {
      queue.timers.push_back(MessageQueue::Timer{core->id, id, period, due});
    }
    queue.RearmTimerLocked();
  }
  return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  std::shared_ptr<WindowCore> core = LookupWindow(hwnd);
  if (!core) return 0;
  MessageQueue& queue = *core->queue;
  std::lock_guard<std::mutex> lock(queue.mu);
  auto it = std::find_if(
      queue.timers.begin(), queue.timers.end(),
      [&](const MessageQueue::Timer& t) { return t.window == core->id && t.id == id; });
  if (it == queue.timers.end()) return 0;
  queue.timers.erase(it);
  queue.RearmTimerLocked();
  return 1;
}

BOOL IsWindow(HWND hwnd) { return LookupWindow(hwnd) ? 1 : 0; }

bool IsWindowOwnedByCurrentThread(HWND hwnd) {
  std::shared_ptr<WindowCore> core = LookupWindow(hwnd);
  return core && core->queue->owner == std::this_thread::get_id();
}

BOOL DestroyWindow(HWND hwnd) {
  std::shared_ptr<WindowCore> core;
  {
    qvplatform::WindowTable& table = qvplatform::Table();
    std::lock_guard<std::mutex> lock(table.mu);
    auto it = table.windows.find(qvplatform::IdOf(hwnd));
    if (it == table.windows.end()) return 0;
    core = it->second;
    table.windows.erase(it);
  }
  MessageQueue& queue = *core->queue;
  std::vector<std::shared_ptr<SentMessage>> failed;
  {
    std::unique_lock<std::mutex> lock(queue.mu);
    core->alive = false;
    core->object = nullptr;
    auto& timers = queue.timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const MessageQueue::Timer& t) { return t.window == core->id; }),
                 timers.end());
    queue.RearmTimerLocked();
    for (auto it = queue.sent.begin(); it != queue.sent.end();) {
      if ((*it)->hwnd == hwnd) {
        failed.push_back(*it);
        it = queue.sent.erase(it);
      } else {
        ++it;
      }
    }
    auto& posted = queue.posted;
    posted.erase(
        std::remove_if(posted.begin(), posted.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
        posted.end());
    auto& windows = queue.windows;
    windows.erase(std::remove(windows.begin(), windows.end(), core->id), windows.end());
    if (queue.owner != std::this_thread::get_id()) {
      queue.cv.wait(lock, [&] { return core->active == 0; });
    }
  }
  for (const auto& s : failed) qvplatform::Complete(s, false, 0);
  return 1;
}
