#include "platform/registry/store.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/base/prefix.h"
#include "platform/registry/key_name.h"

namespace qvplatform::registry {

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr size_t kMaxCachedConnections = 4;

thread_local std::string t_last_error;

const char* const kSchema =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  path TEXT NOT NULL UNIQUE);"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent, folded);"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key INTEGER NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  name TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  enc INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key, folded)) WITHOUT ROWID;"
    "INSERT OR IGNORE INTO keys(id, parent, name, folded, path) VALUES"
    "  (1, 0, 'HKEY_LOCAL_MACHINE', '', '1'),"
    "  (2, 0, 'HKEY_CLASSES_ROOT', '', '2');"
    "COMMIT;";

enum StatementId {
  kCountTables,
  kFindKey,
  kKeyExists,
  kInsertKey,
  kHasChildren,
  kDeleteKeyValues,
  kDeleteKeyRow,
  kEnumKey,
  kQueryValue,
  kSetValue,
  kDeleteValue,
  kEnumValue,
  kBegin,
  kCommit,
  kRollback,
  kStatementCount
};

const char* const kStatements[kStatementCount] = {
    "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('keys','vals')",
    "SELECT id FROM keys WHERE path=?1",
    "SELECT 1 FROM keys WHERE id=?1 AND path=?2",
    "INSERT INTO keys(parent, name, folded, path) VALUES(?1, ?2, ?3, ?4)",
    "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1",
    "DELETE FROM vals WHERE key=?1",
    "DELETE FROM keys WHERE id=?1",
    "SELECT name FROM keys WHERE parent=?1 AND EXISTS(SELECT 1 FROM keys WHERE id=?1 AND path=?3)"
    " ORDER BY folded LIMIT 1 OFFSET ?2",
    "SELECT name, type, enc, data FROM vals WHERE key=?1 AND folded=?2"
    " AND EXISTS(SELECT 1 FROM keys WHERE id=?1 AND path=?3)",
    // An existing value keeps the name it was first written with, as on
    // Windows; only type and data change.
    "INSERT INTO vals(key, folded, name, type, enc, data) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"
    " ON CONFLICT(key, folded) DO UPDATE SET type=excluded.type, enc=excluded.enc,"
    " data=excluded.data",
    "DELETE FROM vals WHERE key=?1 AND folded=?2 AND EXISTS(SELECT 1 FROM keys WHERE id=?1 AND "
    "path=?3)",
    "SELECT name, type FROM vals WHERE key=?1 AND EXISTS(SELECT 1 FROM keys WHERE id=?1 AND "
    "path=?3)"
    " ORDER BY folded LIMIT 1 OFFSET ?2",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
};

}  // namespace

// A connection of one thread to one store file, with its prepared
// statements. Owned by the thread's cache.
class Connection {
 public:
  Connection(std::string path, dev_t dev, ino_t ino, sqlite3* db)
      : path_(std::move(path)), dev_(dev), ino_(ino), db_(db) {}
  ~Connection() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& path() const { return path_; }
  bool Names(const std::string& path, const struct stat& st) const {
    return path == path_ && st.st_dev == dev_ && st.st_ino == ino_;
  }
  sqlite3* db() const { return db_; }
  bool broken() const { return broken_; }
  void MarkBroken() { broken_ = true; }
  bool schema_ready() const { return schema_ready_; }
  void SetSchemaReady() { schema_ready_ = true; }

  // The prepared statement, reset and with bindings cleared; null on error.
  sqlite3_stmt* Statement(StatementId id) {
    if (statements_[id] == nullptr) {
      if (sqlite3_prepare_v3(db_, kStatements[id], -1, SQLITE_PREPARE_PERSISTENT, &statements_[id],
                             nullptr) != SQLITE_OK) {
        statements_[id] = nullptr;
      }
    }
    return statements_[id];
  }

 private:
  std::string path_;
  dev_t dev_;
  ino_t ino_;
  sqlite3* db_;
  bool broken_ = false;
  bool schema_ready_ = false;
  sqlite3_stmt* statements_[kStatementCount] = {};
};

namespace {

// Counts fork() calls in this process's ancestry: a child sees a higher
// value than its parent had. Cheaper than asking getpid() on every call.
std::atomic<unsigned> g_fork_generation{0};

unsigned ForkGeneration() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    ::pthread_atfork(nullptr, nullptr, [] { g_fork_generation.fetch_add(1); });
  });
  return g_fork_generation.load(std::memory_order_relaxed);
}

// The calling thread's connections, most recently used first. After fork()
// the child leaves the parent's connections untouched (closing them could
// disturb the parent's locks) and starts afresh.
class ConnectionCache {
 public:
  ~ConnectionCache() { Forget(); }

  std::vector<std::unique_ptr<Connection>>& connections() {
    if (generation_ != ForkGeneration()) {
      Forget();
      generation_ = ForkGeneration();
    }
    return connections_;
  }

 private:
  void Forget() {
    if (generation_ != ForkGeneration()) {
      for (auto& connection : connections_) connection.release();
    }
    connections_.clear();
  }

  unsigned generation_ = ForkGeneration();
  std::vector<std::unique_ptr<Connection>> connections_;
};

ConnectionCache& Cache() {
  thread_local ConnectionCache cache;
  return cache;
}

void DropConnection(const std::string& path) {
  auto& connections = Cache().connections();
  std::erase_if(connections, [&](const auto& c) { return c->path() == path; });
}

LSTATUS StatusFor(int rc, bool writing) {
  switch (rc & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR: return ERROR_BADDB;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH: return ERROR_CANTOPEN;
    case SQLITE_READONLY: return ERROR_CANTWRITE;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default:  // busy, I/O errors, full disk
      return writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
}

LSTATUS Fail(const std::string& path, sqlite3* db, int rc, bool writing) {
  const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  t_last_error = "registry store " + path + ": " + (message ? message : sqlite3_errstr(rc)) +
                 " (SQLite code " + std::to_string(rc) + ")";
  return StatusFor(rc, writing);
}

// Steps a statement of a connection and resets it when it goes out of scope.
class Step {
 public:
  explicit Step(sqlite3_stmt* statement) : statement_(statement) {}
  ~Step() {
    if (statement_) {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;

  bool ok() const { return statement_ != nullptr; }
  Step& Bind(int index, int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
  }
  Step& Bind(int index, std::string_view text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    return *this;
  }
  Step& BindBlob(int index, std::string_view data) {
    // A zero-length blob, not NULL, for an empty value.
    sqlite3_bind_blob(statement_, index, data.empty() ? "" : data.data(),
                      static_cast<int>(data.size()), SQLITE_STATIC);
    return *this;
  }
  int Run() { return sqlite3_step(statement_); }

  int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
  std::string Text(int column) const {
    const void* text = sqlite3_column_text(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return text ? std::string(static_cast<const char*>(text), size) : std::string();
  }
  std::string Blob(int column) const {
    const void* data = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char*>(data), size) : std::string();
  }

 private:
  sqlite3_stmt* statement_;
};

// Switches a new store to WAL mode. The switch needs the file to itself,
// and SQLite does not wait for that (waiting could deadlock two switchers),
// so the first writers of a new store retry here, within the busy time-out.
int SwitchToWal(sqlite3* db) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  while (true) {
    int rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if ((rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED) return rc;
    if (std::chrono::steady_clock::now() > deadline) return rc;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace

std::string RootPath(int64_t root_id) { return std::to_string(root_id); }

std::string CurrentStorePath() { return (PrefixRoot() / "registry.db").string(); }

const std::string& LastErrorText() { return t_last_error; }
void ClearLastErrorText() { t_last_error.clear(); }

Store::Store(const std::string& path, Mode mode) : status_(ERROR_SUCCESS) {
  const bool for_write = mode == Mode::kWrite;
  if (mode == Mode::kReadThroughHandle) {
    auto& connections = Cache().connections();
    auto it = std::find_if(connections.begin(), connections.end(), [&](const auto& c) {
      return c->path() == path && !c->broken() && c->schema_ready();
    });
    if (it != connections.end()) {
      std::rotate(connections.begin(), it, it + 1);
      connection_ = connections.front().get();
      return;
    }
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    int err = errno;
    DropConnection(path);
    if (err == ENOENT && !for_write) {
      status_ = ERROR_FILE_NOT_FOUND;  // no store yet: an empty registry
      return;
    }
    if (err != ENOENT) {
      t_last_error = "registry store " + path + ": cannot be read (" + std::strerror(err) + ")";
      status_ = ERROR_CANTOPEN;
      return;
    }
    std::string error;
    if (!EnsureDirectory(std::filesystem::path(path).parent_path(), &error)) {
      t_last_error = "registry store " + path + ": cannot create its directory (" + error + ")";
      status_ = ERROR_CANTWRITE;
      return;
    }
  }

  auto& connections = Cache().connections();
  std::erase_if(connections, [&](const auto& c) {
    return c->broken() || (c->path() == path && !c->Names(path, st));
  });
  auto it = std::find_if(connections.begin(), connections.end(),
                         [&](const auto& c) { return c->Names(path, st); });
  if (it != connections.end()) {
    std::rotate(connections.begin(), it, it + 1);
  } else {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (for_write ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
      status_ = Fail(path, db, rc, for_write);
      if (status_ == ERROR_BADDB) status_ = ERROR_CANTOPEN;
      sqlite3_close_v2(db);
      return;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // With WAL, NORMAL still commits each write whole or not at all; only
    // the last writes before a power cut may be lost, and commits skip fsync.
    sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    if (::stat(path.c_str(), &st) != 0) {
      t_last_error = "registry store " + path + ": vanished while opening";
      sqlite3_close_v2(db);
      status_ = ERROR_CANTOPEN;
      return;
    }
    connections.insert(connections.begin(),
                       std::make_unique<Connection>(path, st.st_dev, st.st_ino, db));
    if (connections.size() > kMaxCachedConnections) connections.pop_back();
  }
  connection_ = connections.front().get();

  if (connection_->schema_ready()) return;
  int64_t tables = 0;
  {
    Step count(connection_->Statement(kCountTables));
    int rc = count.ok() ? count.Run() : sqlite3_errcode(connection_->db());
    if (rc != SQLITE_ROW) {
      status_ = Failed(rc, for_write);
      return;
    }
    tables = count.Int(0);
  }
  if (tables == 2) {
    connection_->SetSchemaReady();
    return;
  }
  if (!for_write) {
    status_ = ERROR_FILE_NOT_FOUND;  // an empty database: nothing written yet
    return;
  }
  int rc = SwitchToWal(connection_->db());
  if (rc == SQLITE_OK) rc = sqlite3_exec(connection_->db(), kSchema, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    status_ = Failed(rc, true);
    if (sqlite3_get_autocommit(connection_->db()) == 0) {
      sqlite3_exec(connection_->db(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return;
  }
  connection_->SetSchemaReady();
}

LSTATUS Store::Failed(int rc, bool writing) {
  connection_->MarkBroken();
  return Fail(connection_->path(), connection_->db(), rc, writing);
}

LSTATUS Store::Begin() {
  Step begin(connection_->Statement(kBegin));
  if (!begin.ok()) return Failed(sqlite3_errcode(connection_->db()), true);
  int rc = begin.Run();
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Failed(rc, true);
}

LSTATUS Store::Finish(LSTATUS status) {
  if (status == ERROR_SUCCESS) {
    Step commit(connection_->Statement(kCommit));
    int rc = commit.ok() ? commit.Run() : sqlite3_errcode(connection_->db());
    if (rc == SQLITE_DONE) return ERROR_SUCCESS;
    status = Failed(rc, true);
  }
  if (sqlite3_get_autocommit(connection_->db()) == 0) {
    Step rollback(connection_->Statement(kRollback));
    if (rollback.ok()) rollback.Run();
  }
  return status;
}

LSTATUS Store::FindKey(const std::string& folded_path, int64_t* id) {
  Step find(connection_->Statement(kFindKey));
  if (!find.ok()) return Failed(sqlite3_errcode(connection_->db()), false);
  int rc = find.Bind(1, folded_path).Run();
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return Failed(rc, false);
  *id = find.Int(0);
  return ERROR_SUCCESS;
}

LSTATUS Store::CreateKeys(int64_t parent_id, const std::string& parent_path,
                          const std::vector<std::string_view>& names, int64_t* id,
                          std::string* folded_path, bool* created) {
  LSTATUS status = Begin();
  if (status != ERROR_SUCCESS) return status;
  *created = false;
  {
    Step exists(connection_->Statement(kKeyExists));
    if (!exists.ok()) return Finish(Failed(sqlite3_errcode(connection_->db()), true));
    int rc = exists.Bind(1, parent_id).Bind(2, parent_path).Run();
    if (rc == SQLITE_DONE) return Finish(kErrorKeyDeleted);
    if (rc != SQLITE_ROW) return Finish(Failed(rc, true));
  }
  int64_t current = parent_id;
  std::string path = parent_path;
  for (std::string_view name : names) {
    std::string folded = FoldName(name);
    path += '\\';
    path += folded;
    int64_t child = 0;
    status = FindKey(path, &child);
    if (status == ERROR_FILE_NOT_FOUND) {
      Step insert(connection_->Statement(kInsertKey));
      if (!insert.ok()) return Finish(Failed(sqlite3_errcode(connection_->db()), true));
      int rc = insert.Bind(1, current).Bind(2, name).Bind(3, folded).Bind(4, path).Run();
      if (rc != SQLITE_DONE) return Finish(Failed(rc, true));
      child = sqlite3_last_insert_rowid(connection_->db());
      *created = true;
    } else if (status != ERROR_SUCCESS) {
      return Finish(status);
    }
    current = child;
  }
  status = Finish(ERROR_SUCCESS);
  if (status == ERROR_SUCCESS) {
    *id = current;
    *folded_path = path;
  }
  return status;
}

LSTATUS Store::DeleteKey(const std::string& folded_path) {
  LSTATUS status = Begin();
  if (status != ERROR_SUCCESS) return status;
  int64_t id = 0;
  status = FindKey(folded_path, &id);
  if (status != ERROR_SUCCESS) return Finish(status);
  Step children(connection_->Statement(kHasChildren));
  if (!children.ok()) return Finish(Failed(sqlite3_errcode(connection_->db()), true));
  int rc = children.Bind(1, id).Run();
  if (rc == SQLITE_ROW) return Finish(ERROR_KEY_HAS_CHILDREN);
  if (rc != SQLITE_DONE) return Finish(Failed(rc, true));
  for (StatementId statement : {kDeleteKeyValues, kDeleteKeyRow}) {
    Step remove(connection_->Statement(statement));
    if (!remove.ok()) return Finish(Failed(sqlite3_errcode(connection_->db()), true));
    rc = remove.Bind(1, id).Run();
    if (rc != SQLITE_DONE) return Finish(Failed(rc, true));
  }
  return Finish(ERROR_SUCCESS);
}

LSTATUS Store::EnumKey(int64_t key_id, const std::string& key_path, DWORD index,
                       std::string* name) {
  Step enumerate(connection_->Statement(kEnumKey));
  if (!enumerate.ok()) return Failed(sqlite3_errcode(connection_->db()), false);
  int rc = enumerate.Bind(1, key_id).Bind(2, static_cast<int64_t>(index)).Bind(3, key_path).Run();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return Failed(rc, false);
  *name = enumerate.Text(0);
  return ERROR_SUCCESS;
}

LSTATUS Store::QueryValue(int64_t key_id, const std::string& key_path,
                          const std::string& folded_name, StoredValue* value) {
  Step query(connection_->Statement(kQueryValue));
  if (!query.ok()) return Failed(sqlite3_errcode(connection_->db()), false);
  int rc = query.Bind(1, key_id).Bind(2, folded_name).Bind(3, key_path).Run();
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return Failed(rc, false);
  value->name = query.Text(0);
  value->type = static_cast<DWORD>(query.Int(1));
  value->encoding = static_cast<int>(query.Int(2));
  value->data = query.Blob(3);
  return ERROR_SUCCESS;
}

LSTATUS Store::SetValue(int64_t key_id, const std::string& key_path, const StoredValue& value) {
  LSTATUS status = Begin();
  if (status != ERROR_SUCCESS) return status;
  {
    Step exists(connection_->Statement(kKeyExists));
    if (!exists.ok()) return Finish(Failed(sqlite3_errcode(connection_->db()), true));
    int rc = exists.Bind(1, key_id).Bind(2, key_path).Run();
    if (rc == SQLITE_DONE) return Finish(kErrorKeyDeleted);
    if (rc != SQLITE_ROW) return Finish(Failed(rc, true));
  }
  Step set(connection_->Statement(kSetValue));
  if (!set.ok()) return Finish(Failed(sqlite3_errcode(connection_->db()), true));
  std::string folded = FoldName(value.name);
  int rc = set.Bind(1, key_id)
               .Bind(2, folded)
               .Bind(3, value.name)
               .Bind(4, static_cast<int64_t>(value.type))
               .Bind(5, static_cast<int64_t>(value.encoding))
               .BindBlob(6, value.data)
               .Run();
  if (rc != SQLITE_DONE) return Finish(Failed(rc, true));
  return Finish(ERROR_SUCCESS);
}

LSTATUS Store::DeleteValue(int64_t key_id, const std::string& key_path,
                           const std::string& folded_name) {
  LSTATUS status = Begin();
  if (status != ERROR_SUCCESS) return status;
  Step remove(connection_->Statement(kDeleteValue));
  if (!remove.ok()) return Finish(Failed(sqlite3_errcode(connection_->db()), true));
  int rc = remove.Bind(1, key_id).Bind(2, folded_name).Bind(3, key_path).Run();
  if (rc != SQLITE_DONE) return Finish(Failed(rc, true));
  return Finish(sqlite3_changes(connection_->db()) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
}

LSTATUS Store::EnumValue(int64_t key_id, const std::string& key_path, DWORD index,
                         StoredValue* value) {
  Step enumerate(connection_->Statement(kEnumValue));
  if (!enumerate.ok()) return Failed(sqlite3_errcode(connection_->db()), false);
  int rc = enumerate.Bind(1, key_id).Bind(2, static_cast<int64_t>(index)).Bind(3, key_path).Run();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return Failed(rc, false);
  value->name = enumerate.Text(0);
  value->type = static_cast<DWORD>(enumerate.Int(1));
  value->data.clear();
  return ERROR_SUCCESS;
}

}  // namespace qvplatform::registry
