#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "platform/apartment/message_queue.h"
#include "platform/apartment/message_window.h"
#include "platform/apartment/window.h"

namespace qvplatform {
namespace {

constexpr int64_t kLongWaitMs = 5000;

// Records every message; WM_USER + 1 answers wParam * 2, WM_USER + 2 blocks
// until released, WM_USER + 3 sends wParam's window a WM_USER + 1.
class RecordingWindow : public MessageWindow {
 public:
  ~RecordingWindow() override { Destroy(); }

  DWORD CreateHidden() { return Create(u"CRecordingWindow", WS_POPUP, 0, {0, 0, 100, 100}); }

  struct Seen {
    UINT msg;
    WPARAM wParam;
    std::thread::id thread;
  };

  std::vector<Seen> seen() {
    std::lock_guard<std::mutex> lock(mu_);
    return seen_;
  }
  size_t count(UINT msg) {
    std::lock_guard<std::mutex> lock(mu_);
    size_t n = 0;
    for (const Seen& s : seen_) n += s.msg == msg ? 1 : 0;
    return n;
  }

  std::promise<void> entered;
  std::shared_future<void> release;
  std::atomic<bool> leaving_after_destroy{false};
  std::atomic<bool>* destroyed_flag = nullptr;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    {
      std::lock_guard<std::mutex> lock(mu_);
      seen_.push_back({msg, wParam, std::this_thread::get_id()});
    }
    if (msg == WM_USER + 1) return static_cast<LRESULT>(wParam * 2);
    if (msg == WM_USER + 2) {
      entered.set_value();
      release.wait();
      if (destroyed_flag != nullptr) leaving_after_destroy = destroyed_flag->load();
      return 7;
    }
    if (msg == WM_USER + 3) {
      return SendMessage(reinterpret_cast<HWND>(wParam), WM_USER + 1, 21, 0);
    }
    return MessageWindow::WindowProc(msg, wParam, lParam);
  }

 private:
  std::mutex mu_;
  std::vector<Seen> seen_;
};

bool FdReadable(int fd) {
  pollfd pfd{fd, POLLIN, 0};
  return ::poll(&pfd, 1, 0) == 1 && (pfd.revents & POLLIN) != 0;
}

// Runs an apartment thread that creates a RecordingWindow and pumps until
// told to stop.
class PumpingThread {
 public:
  PumpingThread() {
    thread_ = std::thread([this] {
      RecordingWindow window;
      EXPECT_EQ(window.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
      window_.set_value(&window);
      PumpUntil([this] { return stop_.load(); }, 60000);
    });
    window = window_.get_future().get();
  }
  ~PumpingThread() {
    stop_ = true;
    thread_.join();
  }
  RecordingWindow* window;

 private:
  std::promise<RecordingWindow*> window_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(MessageWindowTest, KeepsCreationValuesAndSharesOneClass) {
  RecordingWindow a;
  RecordingWindow b;
  ASSERT_EQ(a.Create(u"CPrinterWindow", WS_POPUP, 0, {0, 0, 100, 100}),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(b.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(a.title(), u"CPrinterWindow");
  EXPECT_EQ(a.style(), WS_POPUP);
  EXPECT_EQ(a.exStyle(), 0u);
  EXPECT_EQ(a.placement().width, 100);
  EXPECT_EQ(a.placement().height, 100);
  EXPECT_NE(a.hwnd(), b.hwnd());
  EXPECT_FALSE(MessageWindow::ClassName().empty());
  EXPECT_EQ(&MessageWindow::ClassName(), &MessageWindow::ClassName());
  EXPECT_TRUE(IsWindow(a.hwnd()));
  EXPECT_TRUE(IsWindowOwnedByCurrentThread(a.hwnd()));
  EXPECT_EQ(a.Create(u"again", 0, 0, {}), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MessageWindowTest, SendOnOwnerThreadCallsDirectly) {
  RecordingWindow w;
  ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(SendMessage(w.hwnd(), WM_USER + 1, 21, 0), 42);
  ASSERT_EQ(w.seen().size(), 1u);
  EXPECT_EQ(w.seen()[0].thread, std::this_thread::get_id());
  // Unhandled messages get the default procedure's 0.
  EXPECT_EQ(SendMessage(w.hwnd(), WM_USER + 50, 0, 0), 0);
}

TEST(MessageWindowTest, DestroyedWindowRefusesEverything) {
  RecordingWindow w;
  ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  HWND hwnd = w.hwnd();
  w.Destroy();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 21, 0), 0);
  DWORD_PTR result = 99;
  EXPECT_EQ(SendMessageTimeout(hwnd, WM_USER + 1, 21, 0, SMTO_BLOCK, 1000, &result), 0);
  EXPECT_FALSE(PostMessage(hwnd, WM_USER + 1, 0, 0));
  EXPECT_EQ(SetTimer(hwnd, 1, 10), 0u);
  EXPECT_FALSE(DestroyWindow(hwnd));
  EXPECT_TRUE(w.seen().empty());
  // A fresh window never reuses the old handle.
  RecordingWindow fresh;
  ASSERT_EQ(fresh.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_NE(fresh.hwnd(), hwnd);
}

TEST(MessageWindowTest, PostedMessagesArriveInOrderOnlyWhenPumped) {
  RecordingWindow w;
  ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  int fd = MessageQueueFd();
  ASSERT_GE(fd, 0);
  PumpMessages();
  EXPECT_FALSE(FdReadable(fd));
  for (WPARAM i = 0; i < 5; ++i) ASSERT_TRUE(PostMessage(w.hwnd(), WM_USER + 10, i, 0));
  EXPECT_TRUE(w.seen().empty());
  EXPECT_TRUE(FdReadable(fd));
  EXPECT_EQ(PumpMessages(), 5);
  auto seen = w.seen();
  ASSERT_EQ(seen.size(), 5u);
  for (WPARAM i = 0; i < 5; ++i) EXPECT_EQ(seen[i].wParam, i);
  EXPECT_FALSE(FdReadable(fd));
  EXPECT_EQ(PumpMessages(), 0);
}

TEST(MessageWindowTest, TimersFireOnlyWhilePumpedAndCoalesce) {
  RecordingWindow w;
  ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(SetTimer(w.hwnd(), 7, 5), 7u);
  // Several periods pass without pumping: nothing is delivered, and the
  // queue's descriptor reports the due timer.
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_EQ(w.count(WM_TIMER), 0u);
  EXPECT_TRUE(FdReadable(MessageQueueFd()));
  EXPECT_EQ(PumpMessages(), 1);
  ASSERT_EQ(w.count(WM_TIMER), 1u);
  EXPECT_EQ(w.seen()[0].wParam, 7u);
  EXPECT_TRUE(PumpUntil([&] { return w.count(WM_TIMER) >= 4; }, kLongWaitMs));
  EXPECT_TRUE(KillTimer(w.hwnd(), 7));
  EXPECT_FALSE(KillTimer(w.hwnd(), 7));
  size_t after_kill = w.count(WM_TIMER);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  PumpMessages();
  EXPECT_EQ(w.count(WM_TIMER), after_kill);
  EXPECT_FALSE(FdReadable(MessageQueueFd()));
}

TEST(MessageWindowTest, DestroyingTheWindowStopsItsTimers) {
  RecordingWindow w;
  ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(SetTimer(w.hwnd(), 1, 1), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  w.Destroy();
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(w.count(WM_TIMER), 0u);
}

TEST(MessageWindowTest, WaitAndPumpTimesOutWithoutMessages) {
  ASSERT_TRUE(EnsureMessageQueue());
  PumpMessages();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitAndPump(30), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(29));
}

TEST(CrossThreadSendTest, WaitsUntilTheOwnerHandledIt) {
  PumpingThread owner;
  std::thread::id owner_id;
  std::vector<std::thread> senders;
  std::atomic<int> correct{0};
  for (int t = 0; t < 4; ++t) {
    senders.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        WPARAM value = static_cast<WPARAM>(t * 1000 + i);
        if (SendMessage(owner.window->hwnd(), WM_USER + 1, value, 0) ==
            static_cast<LRESULT>(value * 2)) {
          ++correct;
        }
      }
    });
  }
  for (auto& s : senders) s.join();
  EXPECT_EQ(correct.load(), 200);
  auto seen = owner.window->seen();
  ASSERT_EQ(seen.size(), 200u);
  for (const auto& s : seen) EXPECT_NE(s.thread, std::this_thread::get_id());
  owner_id = seen[0].thread;
  for (const auto& s : seen) EXPECT_EQ(s.thread, owner_id);
}

TEST(CrossThreadSendTest, FailsWhenTheOwnerDestroysTheWindowMeanwhile) {
  RecordingWindow w;
  ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  HWND hwnd = w.hwnd();
  PumpMessages();
  std::promise<LRESULT> outcome;
  std::thread sender([&] {
    DWORD_PTR result = 0;
    outcome.set_value(SendMessageTimeout(hwnd, WM_USER + 1, 5, 0, SMTO_BLOCK, INFINITE, &result));
  });
  // The message is queued once the owner's descriptor turns readable.
  int fd = MessageQueueFd();
  pollfd pfd{fd, POLLIN, 0};
  ASSERT_EQ(::poll(&pfd, 1, static_cast<int>(kLongWaitMs)), 1);
  w.Destroy();
  auto future = outcome.get_future();
  ASSERT_EQ(future.wait_for(std::chrono::milliseconds(kLongWaitMs)), std::future_status::ready);
  EXPECT_EQ(future.get(), 0);
  sender.join();
  EXPECT_TRUE(w.seen().empty());
  EXPECT_EQ(PumpMessages(), 0);
}

TEST(CrossThreadSendTest, ForeignDestroyWaitsForTheRunningProcedure) {
  std::promise<void> release;
  std::atomic<bool> destroyed{false};
  std::promise<RecordingWindow*> created;
  std::promise<void> done_pumping;
  std::atomic<bool> stop{false};
  std::thread owner([&] {
    RecordingWindow w;
    w.release = release.get_future().share();
    w.destroyed_flag = &destroyed;
    ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
    created.set_value(&w);
    PumpUntil([&] { return stop.load(); }, 60000);
    EXPECT_FALSE(w.leaving_after_destroy.load());
  });
  RecordingWindow* w = created.get_future().get();
  HWND hwnd = w->hwnd();
  ASSERT_TRUE(PostMessage(hwnd, WM_USER + 2, 0, 0));
  w->entered.get_future().wait();
  std::thread destroyer([&] {
    DestroyWindow(hwnd);
    destroyed = true;
  });
  release.set_value();
  destroyer.join();
  EXPECT_TRUE(destroyed.load());
  EXPECT_FALSE(IsWindow(hwnd));
  stop = true;
  owner.join();
}

TEST(CrossThreadSendTest, TwoApartmentsSendingToEachOtherDoNotDeadlock) {
  PumpingThread other;
  RecordingWindow mine;
  ASSERT_EQ(mine.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  // The other apartment's handler sends back to this thread's window while
  // this thread waits in SendMessage.
  LRESULT result =
      SendMessage(other.window->hwnd(), WM_USER + 3, reinterpret_cast<WPARAM>(mine.hwnd()), 0);
  EXPECT_EQ(result, 42);
  ASSERT_EQ(mine.count(WM_USER + 1), 1u);
  EXPECT_EQ(mine.seen()[0].thread, std::this_thread::get_id());
}

TEST(CrossThreadSendTest, TimeoutGivesUpOnAnOwnerThatDoesNotPump) {
  RecordingWindow w;
  ASSERT_EQ(w.CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
  HWND hwnd = w.hwnd();
  LRESULT sent = 1;
  std::thread sender([&] {
    DWORD_PTR result = 0;
    sent = SendMessageTimeout(hwnd, WM_USER + 1, 1, 0, SMTO_BLOCK, 20, &result);
  });
  sender.join();
  EXPECT_EQ(sent, 0);
  // The abandoned message is withdrawn, not delivered later.
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_TRUE(w.seen().empty());
}

TEST(CrossThreadSendTest, ThreadExitDestroysItsWindows) {
  std::unique_ptr<RecordingWindow> kept = std::make_unique<RecordingWindow>();
  HWND hwnd = nullptr;
  std::thread owner([&] {
    ASSERT_EQ(kept->CreateHidden(), static_cast<DWORD>(ERROR_SUCCESS));
    hwnd = kept->hwnd();
    // The object outlives the thread: the thread's end must destroy the window.
  });
  owner.join();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 1, 0), 0);
  EXPECT_FALSE(PostMessage(hwnd, WM_USER + 1, 1, 0));
  kept.reset();  // destroying the object afterwards is harmless
}

}  // namespace
}  // namespace qvplatform
