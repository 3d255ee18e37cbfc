// CFileLog: the trace log that appends to a file.
//
// Log() may be called from any thread. A line at or below the threshold is
// queued under the lock and the writer thread is woken; the caller never
// waits for the file. The writer stamps each line with the time of writing
// (from the injected time source), writes it with a CR LF line end (the file
// is written as a text file of the system the paths come from, so every LF
// becomes CR LF) and flushes it. Lines of one thread keep their order; lines
// of different threads are written in the order they took the lock.
//
// The file is opened for appending. If it cannot be opened, lines are
// accepted and silently lost; nothing is reported.
//
// The destructor stops the writer: lines still pending are written first, as
// long as the writer finishes within 1000 ms (scaled by the platform clock);
// lines it has not reached by then are dropped. The destructor always waits
// for the writer thread to end before freeing anything it uses, so the wait
// past the deadline is bounded by the one line being written.
#ifndef QV_SERVICE_OBJECT_CORE_FILE_LOG_H_
#define QV_SERVICE_OBJECT_CORE_FILE_LOG_H_

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "platform/sync/critical_section.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "service_object/core/log.h"
#include "service_object/core/log_line.h"

class CFileLog : public CLog {
 public:
  // Called on the writer thread once per written line.
  using TimeSource = std::function<LogTime()>;

  explicit CFileLog(const std::filesystem::path& path, TimeSource timeSource = LocalLogTime);
  ~CFileLog() override;
  CFileLog(const CFileLog&) = delete;
  CFileLog& operator=(const CFileLog&) = delete;

  // Takes effect for the next submitted line. Any level is accepted.
  void SetLevel(int32_t level) override;
  void Log(int32_t level, int32_t flag, std::string source, std::string text) override;
  void Log(int32_t level, std::string source, std::string text) override;

 private:
  struct LineRecord {
    int32_t level;
    std::string text;
    std::string source;
  };

  void WriterMain();
  void WriteLine(const LineRecord& record);

  std::deque<LineRecord> m_pending;  // guarded by m_lock
  std::ofstream m_file;              // used by the writer thread only
  std::atomic<int32_t> m_threshold{0};
  int32_t m_depth = 0;  // indentation units; nothing changes it
  qvplatform::Event m_wake{qvplatform::Event::Kind::kAutoReset};
  qvplatform::Event m_stop{qvplatform::Event::Kind::kManualReset};
  std::atomic<bool> m_abandon{false};  // the shutdown deadline passed: stop at once
  TimeSource m_timeSource;
  qvplatform::CriticalSection m_lock;
  std::unique_ptr<qvplatform::Thread> m_writer;  // last: starts when the rest exists
};

#endif  // QV_SERVICE_OBJECT_CORE_FILE_LOG_H_
