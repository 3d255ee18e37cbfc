// A machine-wide named mutex (Win32 CreateMutex/WaitForSingleObject/
// ReleaseMutex): a process-shared, robust, recursive POSIX mutex in shared
// memory, named from the mutex name and the prefix root, so that two
// prefixes never share a mutex.
//
// Owned by the thread that acquired it; the owner may acquire it again and
// must release it as often. A holder that dies (its thread or its process)
// leaves it "abandoned": the next waiter acquires it and is told so, once.
// Timeouts are real milliseconds (-1 or INFINITE forever, 0 test once),
// measured on the monotonic clock.
//
// The shared memory object is /dev/shm/qvopos-<name>-<hash of prefix root
// and name>; it is removed when the last handle in the last process that
// has it open is closed. A process that dies without closing keeps it (so
// a later holder may find it abandoned); such leftovers are removed by the
// next Create in any prefix once their own prefix directory is gone. Handles of one name in one
// process share one mapping. Create and the destructor may be called from any thread; Wait and
// Release act for the calling thread.
//
// On Windows it is a kernel mutex (CreateMutex in the session's namespace,
// named as given, in the ANSI code page), waited on with
// WaitForSingleObject: a holder thread that ends without releasing, as well
// as a holder process that dies, leaves it abandoned (WAIT_ABANDONED).
#ifndef QV_PLATFORM_SYNC_NAMED_MUTEX_H_
#define QV_PLATFORM_SYNC_NAMED_MUTEX_H_

#include <cstdint>
#include <memory>
#include <string>

namespace qvplatform {

enum class WaitResult { kAcquired, kAbandoned, kTimeout, kFailed };

class NamedMutex {
 public:
  // Creates the mutex or opens the existing one, with no initial owner.
  // Returns null and sets `error` when the shared memory cannot be had.
  static std::unique_ptr<NamedMutex> Create(const std::string& name, std::string* error);

  ~NamedMutex();  // closes the handle; does not release a held lock
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // kAbandoned means the caller now owns it, after a holder died.
  WaitResult Wait(int64_t timeout_ms);
  // False when the calling thread does not own it.
  bool Release();

  const std::string& name() const;

 private:
  struct Impl;
  explicit NamedMutex(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_SYNC_NAMED_MUTEX_H_
