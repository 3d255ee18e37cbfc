#include "platform/sync/thread.h"

#include <windows.h>

#include <system_error>

#include "platform/base/win32_wait.h"

namespace qvplatform {

// A thread keeps the module whose code it runs loaded: it holds a reference
// from its start and leaves with FreeLibraryAndExitThread. Nobody can wait
// for a thread to end inside DllMain (ending takes the loader lock that
// DllMain holds), so a library cannot stop its threads when it is unloaded;
// holding the reference means it is never unloaded under them.
struct Thread::State {
  ~State() {
    if (handle != nullptr) CloseHandle(handle);
    if (ended != nullptr) CloseHandle(ended);
  }

  // The thread's entry point; `argument` is a new std::shared_ptr<State>.
  static DWORD WINAPI Run(void* argument) {
    HMODULE module = nullptr;
    {
      // The thread's own reference keeps the state alive until the body has
      // returned, also when the Thread is destroyed by the body itself.
      auto* start = static_cast<std::shared_ptr<State>*>(argument);
      std::shared_ptr<State> own = std::move(*start);
      delete start;
      module = own->module;
      own->body();  // an exception escaping the body terminates, as with std::thread
      SetEvent(own->ended);
    }
    FreeLibraryAndExitThread(module, 0);
  }

  std::function<void()> body;
  HANDLE handle = nullptr;  // signalled when the thread has ended
  HANDLE ended = nullptr;   // manual-reset event, set when the body has returned
  HMODULE module = nullptr;
  DWORD id = 0;  // set before the body runs
};

Thread::Thread(std::string name, std::function<void()> body) : state_(std::make_shared<State>()) {
  (void)name;  // Windows 7 has no thread names
  state_->body = std::move(body);
  state_->ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (state_->ended == nullptr ||
      !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&State::Run), &state_->module)) {
    throw std::system_error(ENOMEM, std::generic_category(), "Thread");
  }
  // Created suspended, so that the id is known before the body runs and
  // IsCurrent() is right from its first instruction.
  auto* argument = new std::shared_ptr<State>(state_);
  DWORD id = 0;
  HANDLE handle = CreateThread(nullptr, 0, &State::Run, argument, CREATE_SUSPENDED, &id);
  if (handle == nullptr) {
    delete argument;
    FreeLibrary(state_->module);
    throw std::system_error(EAGAIN, std::generic_category(), "CreateThread");
  }
  state_->handle = handle;
  state_->id = id;
  ResumeThread(handle);
}

Thread::~Thread() {
  if (IsCurrent()) return;  // destroyed by its own body: it cannot wait for itself
  Join(-1);
}

bool Thread::Join(int64_t timeout_ms) {
  if (IsCurrent()) return false;
  // The body's return, or the thread's end when the process is ending and
  // the system has already ended it.
  HANDLE waits[2] = {state_->ended, state_->handle};
  DWORD woke = WaitForMultipleObjects(2, waits, FALSE, Win32Timeout(timeout_ms));
  return woke == WAIT_OBJECT_0 || woke == WAIT_OBJECT_0 + 1;
}

bool Thread::HasEnded() const {
  HANDLE waits[2] = {state_->ended, state_->handle};
  DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 0);
  return woke == WAIT_OBJECT_0 || woke == WAIT_OBJECT_0 + 1;
}

bool Thread::IsCurrent() const { return GetCurrentThreadId() == state_->id; }

}  // namespace qvplatform
