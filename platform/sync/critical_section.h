// Win32-style critical section: a recursive lock owned by a thread, and its
// RAII guard. Never hold one while calling out (callbacks, SendMessage).
#ifndef QV_PLATFORM_SYNC_CRITICAL_SECTION_H_
#define QV_PLATFORM_SYNC_CRITICAL_SECTION_H_

#include <mutex>

namespace qvplatform {

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter() { mutex_.lock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Leave() { mutex_.unlock(); }

  // BasicLockable, so std::unique_lock and std::condition_variable_any work.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
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
