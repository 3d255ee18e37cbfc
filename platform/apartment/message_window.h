// A hidden message-only window owned by the thread that creates it, the base
// of the service objects' windows (as CWindowImpl is on Windows).
//
// The window class is registered once per process under a generated name
// (ClassName()); each window keeps the title, position, size and style
// values it was created with, though nothing ever draws it. A derived class
// overrides WindowProc; messages it does not handle go to DefWindowProc,
// which returns 0. WindowProc runs only on the owner thread, while it pumps
// or sends to its own window.
//
// The window is destroyed by Destroy() or by the destructor (on any thread;
// from another thread the destructor waits until the owner has left
// WindowProc). A derived class must call Destroy() in its own destructor,
// so that no message reaches a half-destroyed object.
//
// On Windows the window is a user32 message-only window (parent
// HWND_MESSAGE) of a class registered by this library's module; a window of
// another thread is destroyed by its owner, which is asked to with a posted
// message after the object has been detached.
#ifndef QV_PLATFORM_APARTMENT_MESSAGE_WINDOW_H_
#define QV_PLATFORM_APARTMENT_MESSAGE_WINDOW_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/apartment/message.h"

namespace qvplatform {

struct WindowCore;

struct WindowPlacement {
  LONG x = 0;
  LONG y = 0;
  LONG width = 0;
  LONG height = 0;
};

class MessageWindow {
 public:
  MessageWindow();
  virtual ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Creates the window on the calling thread (creating its message queue if
  // needed). Returns ERROR_SUCCESS, or a Win32 error code: ERROR_INVALID_PARAMETER
  // when this object already has a window, ERROR_NOT_ENOUGH_MEMORY (or
  // another code) when the queue cannot be created.
  DWORD Create(std::u16string_view title, DWORD style, DWORD exStyle,
               const WindowPlacement& placement);
  void Destroy();

  HWND hwnd() const { return hwnd_; }
  const std::u16string& title() const { return title_; }
  DWORD style() const { return style_; }
  DWORD exStyle() const { return exStyle_; }
  const WindowPlacement& placement() const { return placement_; }

  // The process's generated window-class name.
  static const std::u16string& ClassName();

  // The procedure behind WindowProc's default: returns 0.
  static LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend struct WindowCore;
  HWND hwnd_ = nullptr;
#ifdef _WIN32
  std::shared_ptr<WindowCore> core_;  // shared with the window's procedure
#endif
  std::u16string title_;
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  WindowPlacement placement_;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_APARTMENT_MESSAGE_WINDOW_H_
