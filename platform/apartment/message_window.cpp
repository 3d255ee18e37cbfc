#include "platform/apartment/message_window.h"

#include <unistd.h>

#include <atomic>
#include <string>

#include "platform/apartment/apartment_internal.h"
#include "platform/apartment/window.h"

namespace qvplatform {

LRESULT WindowCore::CallProcedure(MessageWindow* object, UINT msg, WPARAM wParam, LPARAM lParam) {
  return object->WindowProc(msg, wParam, lParam);
}

MessageWindow::MessageWindow() = default;

MessageWindow::~MessageWindow() { Destroy(); }

const std::u16string& MessageWindow::ClassName() {
  // Registered once per process: the name is made unique to the process and
  // to this library's instance in it.
  static const std::u16string name = [] {
    static std::atomic<int> anchor{0};
    std::string narrow = "QvMessageWindow:" + std::to_string(::getpid()) + ":" +
                         std::to_string(reinterpret_cast<uintptr_t>(&anchor));
    return std::u16string(narrow.begin(), narrow.end());
  }();
  return name;
}

LRESULT MessageWindow::DefWindowProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

LRESULT MessageWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd_, msg, wParam, lParam);
}

DWORD MessageWindow::Create(std::u16string_view title, DWORD style, DWORD exStyle,
                            const WindowPlacement& placement) {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<MessageQueue> queue = EnsureCurrentQueue();
  if (!queue) return ERROR_NOT_ENOUGH_MEMORY;
  ClassName();
  title_.assign(title.begin(), title.end());
  style_ = style;
  exStyle_ = exStyle;
  placement_ = placement;
  hwnd_ = RegisterWindow(queue, this);
  return ERROR_SUCCESS;
}

void MessageWindow::Destroy() {
  if (hwnd_ == nullptr) return;
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

}  // namespace qvplatform
