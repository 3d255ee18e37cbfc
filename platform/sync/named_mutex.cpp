#include "platform/sync/named_mutex.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/base/prefix.h"
#include "platform/base/wintypes.h"

namespace qvplatform {

namespace {

// The shared memory object: the mutex and the number of processes that have
// it mapped. `mappings` is changed only under flock() on the object, which
// also serialises the creator's initialisation against openers.
//
// `owner` and `depth` mirror the mutex's ownership so that Release can refuse
// a thread that does not own it without asking pthread to unlock a mutex the
// caller does not hold. Only the owner writes them, while it holds `mutex`.
//
// `root` is the prefix root the object belongs to (empty when too long to
// record), written with `initialised`; it lets a later Create remove objects
// left behind by processes that died with the object open, once their
// prefix is gone.
struct SharedBlock {
  uint32_t initialised;  // 1 once `mutex` is ready
  uint32_t mappings;     // processes with the object mapped
  pthread_mutex_t mutex;
  std::atomic<pid_t> owner;  // thread id of the owner, 0 when free
  uint32_t depth;            // acquisitions by the owner not yet released
  char root[1024];
};

constexpr char kObjectPrefix[] = "qvopos-";
constexpr char kShmDir[] = "/dev/shm";
static_assert(std::atomic<pid_t>::is_always_lock_free, "shared between processes");

uint64_t Fnv1a(std::string_view text, uint64_t hash = 14695981039346656037ull) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

// "/qvopos-<readable part of name>-<hash of prefix root and name>". The hash
// keeps prefixes apart and distinguishes names that differ only in the
// characters replaced in the readable part.
std::filesystem::path CanonicalRoot() {
  std::error_code ec;
  std::filesystem::path root = std::filesystem::weakly_canonical(PrefixRoot(), ec);
  return ec ? PrefixRoot().lexically_normal() : root;
}

std::string SharedMemoryName(const std::string& name, const std::filesystem::path& root) {
  std::string readable;
  for (char c : name.substr(0, 96)) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '-';
    readable += plain ? c : '_';
  }
  uint64_t hash = Fnv1a(name, Fnv1a(std::string_view("\0", 1), Fnv1a(root.string())));
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return "/" + std::string(kObjectPrefix) + readable + "-" + hex;
}

std::string ErrnoText(const std::string& what, int err) {
  return what + ": " + ::strerror(err) + " (errno " + std::to_string(err) + ")";
}

// Holds flock(LOCK_EX) on a descriptor for its lifetime.
class FileLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() { ::flock(fd_, LOCK_UN); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

// One mapping of a shared object per process, shared by every handle of that
// name in the process. A mapping whose mutex is held by a thread of this
// process is never unmapped: glibc links held robust mutexes into the
// owning thread's list, and unmapping one would leave that list pointing
// into freed memory.
//
// A child made by fork() inherits the parent's mappings but is not counted in
// `mappings`; it maps the object afresh and leaves the inherited ones alone.
struct Mapping {
  pid_t pid = 0;  // the process that made the mapping
  std::string shm_name;
  int fd = -1;
  SharedBlock* block = nullptr;
  int handles = 0;  // NamedMutex objects of this process; under RegistryLock()
  // Acquisitions not yet released by this process. A thread of this process
  // that ends holding the mutex leaves it above zero, which keeps the page
  // mapped for the life of the process: a page, not a fault.
  std::atomic<int> held{0};
};

std::mutex& RegistryLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

std::map<std::string, Mapping*>& Mappings() {
  static auto* mappings = new std::map<std::string, Mapping*>;
  return *mappings;
}

bool InitialiseMutex(pthread_mutex_t* mutex, std::string* error) {
  pthread_mutexattr_t attr;
  int rc = ::pthread_mutexattr_init(&attr);
  if (rc == 0) rc = ::pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  if (rc == 0) rc = ::pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
  if (rc == 0) rc = ::pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  if (rc == 0) rc = ::pthread_mutex_init(mutex, &attr);
  ::pthread_mutexattr_destroy(&attr);
  if (rc != 0 && error) *error = ErrnoText("pthread_mutex_init", rc);
  return rc == 0;
}

// Opens (creating when missing) the shared object and maps it, counting this
// process in `mappings`. Retries when it raced with the last closer, which
// unlinks the object: an unlinked object has no links left.
Mapping* MapShared(const std::string& shm_name, const std::string& root, std::string* error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    int fd = ::shm_open(shm_name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (error) *error = ErrnoText("shm_open " + shm_name, errno);
      return nullptr;
    }
    {
      FileLock lock(fd);
      struct stat st;
      if (::fstat(fd, &st) != 0) {
        if (error) *error = ErrnoText("fstat " + shm_name, errno);
        ::close(fd);
        return nullptr;
      }
      if (st.st_nlink == 0) {
        ::close(fd);  // lock released with the descriptor
        continue;
      }
      if (static_cast<size_t>(st.st_size) < sizeof(SharedBlock) &&
          ::ftruncate(fd, sizeof(SharedBlock)) != 0) {
        if (error) *error = ErrnoText("ftruncate " + shm_name, errno);
        ::close(fd);
        return nullptr;
      }
      void* address =
          ::mmap(nullptr, sizeof(SharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (address == MAP_FAILED) {
        if (error) *error = ErrnoText("mmap " + shm_name, errno);
        ::close(fd);
        return nullptr;
      }
      auto* block = static_cast<SharedBlock*>(address);
      if (block->initialised != 1) {
        if (!InitialiseMutex(&block->mutex, error)) {
          ::munmap(address, sizeof(SharedBlock));
          ::close(fd);
          return nullptr;
        }
        block->owner.store(0);
        block->depth = 0;
        std::memset(block->root, 0, sizeof block->root);
        if (root.size() < sizeof block->root) std::memcpy(block->root, root.data(), root.size());
        block->initialised = 1;
      }
      ++block->mappings;
      auto* mapping = new Mapping;
      mapping->pid = ::getpid();
      mapping->shm_name = shm_name;
      mapping->fd = fd;
      mapping->block = block;
      return mapping;
    }
  }
  if (error) *error = "shm_open " + shm_name + ": kept disappearing";
  return nullptr;
}

// Removes the objects whose prefix directory no longer exists: they were
// left by processes that died with them open, and no one can open them
// again through their prefix. Each is checked under its lock, so an object
// being initialised is never judged by a half-written root.
void RemoveObjectsOfVanishedPrefixes() {
  DIR* dir = ::opendir(kShmDir);
  if (dir == nullptr) return;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string_view file = entry->d_name;
    if (file.rfind(kObjectPrefix, 0) != 0) continue;
    int fd = ::openat(::dirfd(dir), entry->d_name, O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    {
      FileLock lock(fd);
      uint32_t initialised = 0;
      char root[sizeof(SharedBlock::root)];
      struct stat st;
      if (::fstat(fd, &st) == 0 && st.st_nlink > 0 &&
          static_cast<size_t>(st.st_size) >= sizeof(SharedBlock) &&
          ::pread(fd, &initialised, sizeof initialised, offsetof(SharedBlock, initialised)) ==
              static_cast<ssize_t>(sizeof initialised) &&
          initialised == 1 &&
          ::pread(fd, root, sizeof root, offsetof(SharedBlock, root)) ==
              static_cast<ssize_t>(sizeof root)) {
        root[sizeof root - 1] = '\0';
        struct stat root_stat;
        if (root[0] == '/' && ::stat(root, &root_stat) != 0 && errno == ENOENT) {
          ::shm_unlink(("/" + std::string(file)).c_str());
        }
      }
    }
    ::close(fd);
  }
  ::closedir(dir);
}

void UnmapShared(Mapping* mapping) {
  {
    FileLock lock(mapping->fd);
    if (--mapping->block->mappings == 0) ::shm_unlink(mapping->shm_name.c_str());
  }
  ::munmap(mapping->block, sizeof(SharedBlock));
  ::close(mapping->fd);
  delete mapping;
}

struct timespec DeadlineAfter(clockid_t clock, int64_t timeout_ms) {
  struct timespec deadline;
  ::clock_gettime(clock, &deadline);
  deadline.tv_sec += static_cast<time_t>(timeout_ms / 1000);
  deadline.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return deadline;
}

// A lock attempt bounded by `timeout_ms` on the monotonic clock, so that a
// change of the wall clock neither stretches nor cuts the wait.
// ThreadSanitizer does not see pthread_mutex_clocklock, so its builds use
// the wall-clock variant it does see.
int TimedLock(pthread_mutex_t* mutex, int64_t timeout_ms) {
#if defined(__SANITIZE_THREAD__)
  struct timespec deadline = DeadlineAfter(CLOCK_REALTIME, timeout_ms);
  return ::pthread_mutex_timedlock(mutex, &deadline);
#else
  struct timespec deadline = DeadlineAfter(CLOCK_MONOTONIC, timeout_ms);
  return ::pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
#endif
}

}  // namespace

struct NamedMutex::Impl {
  std::string name;
  Mapping* mapping = nullptr;
};

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name, std::string* error) {
  const std::filesystem::path root = CanonicalRoot();
  const std::string shm_name = SharedMemoryName(name, root);
  std::lock_guard<std::mutex> lock(RegistryLock());
  Mapping*& mapping = Mappings()[shm_name];
  if (mapping == nullptr || mapping->pid != ::getpid()) {
    RemoveObjectsOfVanishedPrefixes();
    mapping = MapShared(shm_name, root.string(), error);
    if (mapping == nullptr) {
      Mappings().erase(shm_name);
      return nullptr;
    }
  }
  ++mapping->handles;
  auto impl = std::make_unique<Impl>();
  impl->name = name;
  impl->mapping = mapping;
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::move(impl)));
}

NamedMutex::NamedMutex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedMutex::~NamedMutex() {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Mapping* mapping = impl_->mapping;
  if (mapping->pid != ::getpid()) return;  // inherited through fork()
  if (--mapping->handles > 0 || mapping->held.load() > 0) return;
  Mappings().erase(mapping->shm_name);
  UnmapShared(mapping);
}

WaitResult NamedMutex::Wait(int64_t timeout_ms) {
  pthread_mutex_t* mutex = &impl_->mapping->block->mutex;
  int rc;
  if (timeout_ms == 0) {
    rc = ::pthread_mutex_trylock(mutex);
  } else if (timeout_ms < 0 || timeout_ms == static_cast<int64_t>(INFINITE) ||
             timeout_ms > int64_t{100} * 365 * 24 * 3600 * 1000) {  // beyond a century: forever
    rc = ::pthread_mutex_lock(mutex);
  } else {
    rc = TimedLock(mutex, timeout_ms);
  }
  SharedBlock* block = impl_->mapping->block;
  const pid_t me = ::gettid();
  switch (rc) {
    case 0:
      if (block->owner.load(std::memory_order_relaxed) == me) {
        ++block->depth;
      } else {
        block->owner.store(me, std::memory_order_relaxed);
        block->depth = 1;
      }
      impl_->mapping->held.fetch_add(1);
      return WaitResult::kAcquired;
    case EOWNERDEAD:
      // The previous owner died holding it; we own it now, once. Mark it
      // usable again so that later waiters are not refused for good.
      ::pthread_mutex_consistent(mutex);
      block->owner.store(me, std::memory_order_relaxed);
      block->depth = 1;
      impl_->mapping->held.fetch_add(1);
      return WaitResult::kAbandoned;
    case EBUSY:
    case ETIMEDOUT: return WaitResult::kTimeout;
    default: return WaitResult::kFailed;
  }
}

bool NamedMutex::Release() {
  SharedBlock* block = impl_->mapping->block;
  const pid_t me = ::gettid();
  if (block->owner.load(std::memory_order_relaxed) != me) return false;
  const uint32_t depth = block->depth;
  if (--block->depth == 0) block->owner.store(0, std::memory_order_relaxed);
  if (::pthread_mutex_unlock(&block->mutex) != 0) {
    block->depth = depth;
    block->owner.store(me, std::memory_order_relaxed);
    return false;
  }
  impl_->mapping->held.fetch_sub(1);
  return true;
}

const std::string& NamedMutex::name() const { return impl_->name; }

}  // namespace qvplatform
