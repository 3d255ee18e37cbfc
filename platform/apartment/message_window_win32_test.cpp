// Message windows on Windows (user32 message-only windows, run under Wine):
// messages and timers reach the object on its owner thread, and a window
// destroyed from another thread calls the object no more.
#include "platform/apartment/message_window.h"

#include "platform/apartment/window.h"

#include <windows.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace qvplatform {
namespace {

constexpr UINT kPing = WM_USER + 101;
constexpr UINT_PTR kTimerId = 10;

class CountingWindow : public MessageWindow {
 public:
  ~CountingWindow() override { Destroy(); }

  std::atomic<int> pings{0};
  std::atomic<int> ticks{0};
  std::atomic<DWORD> ping_thread{0};

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kPing) {
      ping_thread = GetCurrentThreadId();
      return ++pings + static_cast<LRESULT>(wParam);
    }
    if (msg == WM_TIMER && wParam == kTimerId) {
      ++ticks;
      return 0;
    }
    return MessageWindow::WindowProc(msg, wParam, lParam);
  }
};

// Handles the calling thread's messages until `done()` or two seconds.
template <typename Done>
bool PumpFor(Done done) {
  const ULONGLONG deadline = GetTickCount64() + 2000;
  while (!done() && GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

TEST(MessageWindowWin32Test, SentMessagesAndTimersRunOnTheOwnerThread) {
  CountingWindow window;
  ASSERT_EQ(window.Create(u"CPrinterWindow", WS_POPUP, 0, {0, 0, 100, 100}), ERROR_SUCCESS);
  EXPECT_TRUE(IsWindow(window.hwnd()));
  EXPECT_TRUE(IsWindowOwnedByCurrentThread(window.hwnd()));
  EXPECT_EQ(window.title(), u"CPrinterWindow");
  EXPECT_EQ(window.Create(u"again", WS_POPUP, 0, {}), DWORD{ERROR_INVALID_PARAMETER});

  // From the owner the procedure runs at once; from another thread once the
  // owner pumps, and on the owner's thread.
  EXPECT_EQ(SendMessage(window.hwnd(), kPing, 10, 0), 11);
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] {
    EXPECT_FALSE(IsWindowOwnedByCurrentThread(window.hwnd()));
    answer = SendMessage(window.hwnd(), kPing, 20, 0);
  });
  EXPECT_TRUE(PumpFor([&] { return answer.load() != 0; }));
  sender.join();
  EXPECT_EQ(answer.load(), 22);
  EXPECT_EQ(window.ping_thread.load(), GetCurrentThreadId());

  ASSERT_NE(SetTimer(window.hwnd(), kTimerId, 10), 0u);
  EXPECT_TRUE(PumpFor([&] { return window.ticks.load() >= 2; }));
  EXPECT_TRUE(KillTimer(window.hwnd(), kTimerId));
}

TEST(MessageWindowWin32Test, DestroyedFromAnotherThreadTheObjectIsCalledNoMore) {
  CountingWindow window;
  ASSERT_EQ(window.Create(u"CCashDrawerWindow", WS_POPUP, 0, {0, 0, 100, 100}), ERROR_SUCCESS);
  const HWND hwnd = window.hwnd();
  std::thread([&] { window.Destroy(); }).join();
  EXPECT_EQ(window.hwnd(), nullptr);
  // The owner destroys the window when it next pumps; until then a message
  // reaches no object (the default procedure answers 0).
  EXPECT_EQ(SendMessage(hwnd, kPing, 1, 0), 0);
  EXPECT_TRUE(PumpFor([&] { return !IsWindow(hwnd); }));
  EXPECT_EQ(window.pings.load(), 0);
}

}  // namespace
}  // namespace qvplatform
