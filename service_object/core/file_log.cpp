#include "service_object/core/file_log.h"

#include <utility>

#include "platform/base/clock.h"

namespace {

// How long the destructor lets the writer finish the pending lines.
constexpr int64_t kShutdownWaitMs = 1000;

// The line as a text-mode file of the original system stores it: every LF
// becomes CR LF, and the line ends in CR LF.
std::string TextModeLine(const std::string& line) {
  std::string out;
  out.reserve(line.size() + 2);
  for (char c : line) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  out += "\r\n";
  return out;
}

}  // namespace

CFileLog::CFileLog(const std::filesystem::path& path, TimeSource timeSource)
    : m_file(path, std::ios::out | std::ios::app | std::ios::binary),
      m_timeSource(std::move(timeSource)) {
  m_writer = std::make_unique<qvplatform::Thread>("qv-trace-log", [this] { WriterMain(); });
}

CFileLog::~CFileLog() {
  m_stop.Set();
  if (!m_writer->Join(qvplatform::ScaledMs(kShutdownWaitMs))) {
    m_abandon.store(true, std::memory_order_release);
  }
  m_writer.reset();  // the writer ends after the line it is writing
  m_file.close();
}

void CFileLog::SetLevel(int32_t level) { m_threshold.store(level, std::memory_order_relaxed); }

void CFileLog::Log(int32_t level, int32_t /*flag*/, std::string source, std::string text) {
  Log(level, std::move(source), std::move(text));
}

void CFileLog::Log(int32_t level, std::string source, std::string text) {
  if (m_threshold.load(std::memory_order_relaxed) < level) return;
  {
    qvplatform::CriticalSectionLock hold(m_lock);
    m_pending.push_back(LineRecord{level, std::move(text), std::move(source)});
  }
  m_wake.Set();
}

void CFileLog::WriterMain() {
  std::deque<LineRecord> batch;
  for (;;) {
    // The wake event comes first, so lines pending at a stop are written.
    int which = qvplatform::WaitForAny({&m_wake, &m_stop}, -1);
    if (which == 0) {
      {
        qvplatform::CriticalSectionLock hold(m_lock);
        batch.swap(m_pending);
      }
      for (const LineRecord& record : batch) {
        if (m_abandon.load(std::memory_order_acquire)) return;
        WriteLine(record);
      }
      batch.clear();
    } else if (which == 1) {
      qvplatform::CriticalSectionLock hold(m_lock);
      if (m_pending.empty()) return;
      m_wake.Set();
    }
  }
}

void CFileLog::WriteLine(const LineRecord& record) {
  std::string line = TextModeLine(
      FormatLogLine(m_timeSource(), record.level, record.source, m_depth, record.text));
  if (!m_file) return;  // not open or failed earlier: the line is lost
  m_file.write(line.data(), static_cast<std::streamsize>(line.size()));
  m_file.flush();
}
