// The SQLite file behind the registry: one database per prefix holding the
// keys of HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT and their values.
//
// Each thread has its own connections, cached by file path (and process, so
// a child made by fork() opens its own). A cached connection is reused only
// while the path still names the same file; a store deleted or replaced
// behind our back is reopened. Keys are rows with an id, their parent's id,
// their name as written, its folded form and their folded full path
// ("<root id>\NAME\NAME..."); values belong to a key id and carry their type,
// the encoding their data was written in and the data.
//
// Every write runs in one IMMEDIATE transaction under a busy time-out, in
// WAL mode, so that writers in several processes serialise and readers never
// see half a change. Commits are not forced to disk one by one (synchronous
// NORMAL): a crash keeps every write whole or absent, and a power cut may
// lose only the last ones. Functions return Win32 status codes; a store failure
// (unreadable, corrupt or unwritable file) also sets LastErrorText(), which
// names the file.
#ifndef QV_PLATFORM_REGISTRY_STORE_H_
#define QV_PLATFORM_REGISTRY_STORE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"

namespace qvplatform::registry {

constexpr int64_t kLocalMachineId = 1;
constexpr int64_t kClassesRootId = 2;

// How a value's data is encoded: kEncodingBinary for data that is not text,
// kEncodingUtf16 (UTF-16LE) for text written through the W functions, and
// otherwise the number of the ANSI code page the A functions wrote it in.
constexpr int kEncodingBinary = 0;
constexpr int kEncodingUtf16 = 1200;

// Win32 status for a handle whose key was deleted.
constexpr LSTATUS kErrorKeyDeleted = 1018;

struct StoredValue {
  std::string name;  // as written, UTF-8
  DWORD type = 0;
  int encoding = kEncodingBinary;
  std::string data;
};

// The folded path of a root key ("1" or "2").
std::string RootPath(int64_t root_id);

// The store file of the current prefix: PrefixRoot()/registry.db.
std::string CurrentStorePath();

// Thread-local text of the last store failure; empty when none.
const std::string& LastErrorText();
void ClearLastErrorText();

class Connection;

// One operation's access to the store file at `path` on the calling thread.
// Construct, check status(), then call the operations.
class Store {
 public:
  // For reading, a missing file gives ERROR_FILE_NOT_FOUND (an empty
  // registry) and creates nothing; for writing, the file and its directory
  // are created when missing.
  enum class Mode {
    kRead,
    // Reading through a handle opened earlier: a connection this thread
    // already has to `path` is used without checking that the path still
    // names the same file. Such a handle reads the store it was opened in.
    kReadThroughHandle,
    kWrite,
  };
  Store(const std::string& path, Mode mode);
  LSTATUS status() const { return status_; }

  // Keys are named by id and folded full path together, so that a handle
  // whose key was deleted (or whose store was replaced) never reaches
  // another key that now has its id.

  // The id of the key with this folded full path.
  LSTATUS FindKey(const std::string& folded_path, int64_t* id);
  // Opens or creates the keys `names` below the existing key `parent_id`;
  // kErrorKeyDeleted when that key is gone.
  LSTATUS CreateKeys(int64_t parent_id, const std::string& parent_path,
                     const std::vector<std::string_view>& names, int64_t* id,
                     std::string* folded_path, bool* created);
  LSTATUS DeleteKey(const std::string& folded_path);
  // The name of the index-th subkey in folded order.
  LSTATUS EnumKey(int64_t key_id, const std::string& key_path, DWORD index, std::string* name);

  LSTATUS QueryValue(int64_t key_id, const std::string& key_path, const std::string& folded_name,
                     StoredValue* value);
  // kErrorKeyDeleted when the key is gone.
  LSTATUS SetValue(int64_t key_id, const std::string& key_path, const StoredValue& value);
  LSTATUS DeleteValue(int64_t key_id, const std::string& key_path, const std::string& folded_name);
  // Name and type of the index-th value in folded order (data left empty).
  LSTATUS EnumValue(int64_t key_id, const std::string& key_path, DWORD index, StoredValue* value);

 private:
  // Records a SQLite failure (text naming the file) and returns its status.
  LSTATUS Failed(int rc, bool writing);
  LSTATUS Begin();
  // Commits when `status` is ERROR_SUCCESS, else rolls back; returns the
  // outcome.
  LSTATUS Finish(LSTATUS status);

  LSTATUS status_;
  Connection* connection_ = nullptr;
};

}  // namespace qvplatform::registry

#endif  // QV_PLATFORM_REGISTRY_STORE_H_
