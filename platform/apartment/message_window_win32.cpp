// Message windows on Windows: user32 message-only windows whose procedure
// forwards to the MessageWindow object. char16_t and wchar_t are both UTF-16
// here; they meet only in this file.
#include "platform/apartment/message_window.h"

#include "platform/apartment/window.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>

// <windows.h> renames DefWindowProc to DefWindowProcW; the member keeps its
// own name.
#undef DefWindowProc

namespace qvplatform {

namespace {

// Asks the owner thread to destroy a window another thread let go of.
constexpr UINT kDestroyRequest = WM_APP + 0x3F00;

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

// What the window's procedure shares with the object: the object while it is
// attached, and the calls into it in progress.
struct WindowCore {
  std::mutex mu;
  std::condition_variable idle;
  MessageWindow* object = nullptr;
  int active = 0;

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // Lets go of the object. From another thread than the owner it waits until
  // the owner has left the object's WindowProc.
  void Detach(bool on_owner_thread) {
    std::unique_lock<std::mutex> lock(mu);
    object = nullptr;
    if (!on_owner_thread) idle.wait(lock, [this] { return active == 0; });
  }
};

LRESULT CALLBACK WindowCore::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The window holds one reference to the core in its user data, from
  // WM_NCCREATE to WM_NCDESTROY.
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* created = static_cast<std::shared_ptr<WindowCore>*>(create->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    // The object knows its window from the first message on.
    (*created)->object->hwnd_ = hwnd;
  }
  auto* holder =
      reinterpret_cast<std::shared_ptr<WindowCore>*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (holder == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete holder;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  // Our own reference: the object may destroy itself and its window inside
  // its procedure.
  std::shared_ptr<WindowCore> core = *holder;
  // The request names the core, so that it never reaches a window that got
  // the handle of one destroyed meanwhile.
  if (msg == kDestroyRequest && lParam == reinterpret_cast<LPARAM>(core.get())) {
    DestroyWindow(hwnd);
    return 0;
  }
  MessageWindow* object = nullptr;
  {
    std::lock_guard<std::mutex> lock(core->mu);
    object = core->object;
    if (object != nullptr) ++core->active;
  }
  if (object == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  LRESULT result = object->WindowProc(msg, wParam, lParam);
  {
    std::lock_guard<std::mutex> lock(core->mu);
    if (--core->active == 0) core->idle.notify_all();
  }
  return result;
}

MessageWindow::MessageWindow() = default;

MessageWindow::~MessageWindow() { Destroy(); }

const std::u16string& MessageWindow::ClassName() {
  // Registered once per process, unique to the process and to this module's
  // instance in it.
  static const std::u16string name = [] {
    static std::atomic<int> anchor{0};
    std::string narrow = "QvMessageWindow:" + std::to_string(GetCurrentProcessId()) + ":" +
                         std::to_string(reinterpret_cast<uintptr_t>(&anchor));
    return std::u16string(narrow.begin(), narrow.end());
  }();
  return name;
}

LRESULT MessageWindow::DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT MessageWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd_, msg, wParam, lParam);
}

DWORD MessageWindow::Create(std::u16string_view title, DWORD style, DWORD exStyle,
                            const WindowPlacement& placement) {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) return ERROR_INVALID_PARAMETER;
  const auto* class_name = reinterpret_cast<const wchar_t*>(ClassName().c_str());
  static const DWORD registered = [class_name] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &WindowCore::Procedure;
    wc.hInstance = ThisModule();
    wc.lpszClassName = class_name;
    return RegisterClassExW(&wc) != 0 ? DWORD{ERROR_SUCCESS} : GetLastError();
  }();
  if (registered != ERROR_SUCCESS) return registered;

  title_.assign(title.begin(), title.end());
  style_ = style;
  exStyle_ = exStyle;
  placement_ = placement;
  auto core = std::make_shared<WindowCore>();
  core->object = this;
  auto* holder = new std::shared_ptr<WindowCore>(core);
  HWND hwnd = CreateWindowExW(exStyle, class_name, reinterpret_cast<const wchar_t*>(title_.c_str()),
                              style, placement.x, placement.y, placement.width, placement.height,
                              HWND_MESSAGE, nullptr, ThisModule(), holder);
  if (hwnd == nullptr) {
    DWORD error = GetLastError();
    // The window took the holder only if it got as far as WM_NCCREATE and
    // did not reach WM_NCDESTROY.
    if (core.use_count() > 1) delete holder;
    hwnd_ = nullptr;
    return error != ERROR_SUCCESS ? error : DWORD{ERROR_NOT_ENOUGH_MEMORY};
  }
  hwnd_ = hwnd;
  core_ = std::move(core);
  return ERROR_SUCCESS;
}

void MessageWindow::Destroy() {
  if (hwnd_ == nullptr) return;
  HWND hwnd = std::exchange(hwnd_, nullptr);
  std::shared_ptr<WindowCore> core = std::move(core_);
  const bool owner = IsWindowOwnedByCurrentThread(hwnd);
  if (core) core->Detach(owner);
  if (owner) {
    DestroyWindow(hwnd);
  } else {
    PostMessageW(hwnd, kDestroyRequest, 0, reinterpret_cast<LPARAM>(core.get()));
  }
}

}  // namespace qvplatform

bool IsWindowOwnedByCurrentThread(HWND hwnd) {
  return hwnd != nullptr && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
}
