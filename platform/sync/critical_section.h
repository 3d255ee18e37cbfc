// Win32-style critical section: a recursive lock owned by a thread, and its
// RAII guard. Never hold one while calling out (callbacks, SendMessage).
//
// On Windows it is a CRITICAL_SECTION (critical_section_win32.cpp), elsewhere
// a std::recursive_mutex (critical_section.cpp).
#ifndef QV_PLATFORM_SYNC_CRITICAL_SECTION_H_
#define QV_PLATFORM_SYNC_CRITICAL_SECTION_H_

#ifndef _WIN32
#include <mutex>
#endif

namespace qvplatform {

class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter();
  bool TryEnter();
  void Leave();

  // BasicLockable, so std::unique_lock and std::condition_variable_any work.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
#ifdef _WIN32
  // The CRITICAL_SECTION itself, kept in place (the backend checks its size).
  alignas(8) unsigned char section_[40];
#else
  std::recursive_mutex mutex_;
#endif
};

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionLock() { cs_.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_SYNC_CRITICAL_SECTION_H_
