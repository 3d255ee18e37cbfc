// Test fixture: a CLog that records every submitted line (whatever its
// level) and stands in for the process log while it lives. For tests that
// check trace lines; create it while no other thread is logging.
#ifndef QV_SERVICE_OBJECT_CORE_CAPTURE_LOG_H_
#define QV_SERVICE_OBJECT_CORE_CAPTURE_LOG_H_

#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "service_object/core/log.h"

class CCaptureLog : public CLog {
 public:
  struct Line {
    int32_t level;
    std::string source;
    std::string text;
    bool operator==(const Line&) const = default;
  };

  CCaptureLog() : m_previous(SetLogForTesting(this)) {}
  ~CCaptureLog() override { SetLogForTesting(m_previous); }
  CCaptureLog(const CCaptureLog&) = delete;
  CCaptureLog& operator=(const CCaptureLog&) = delete;

  void SetLevel(int32_t level) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_level = level;
  }
  void Log(int32_t level, int32_t, std::string source, std::string text) override {
    Log(level, std::move(source), std::move(text));
  }
  void Log(int32_t level, std::string source, std::string text) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_lines.push_back(Line{level, std::move(source), std::move(text)});
  }

  std::vector<Line> Lines() const {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_lines;
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_lines.clear();
  }
  int32_t Level() const {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_level;
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<Line> m_lines;
  int32_t m_level = -1;
  CLog* m_previous;
};

inline std::ostream& operator<<(std::ostream& out, const CCaptureLog::Line& line) {
  return out << '{' << line.level << ", \"" << line.source << "\", \"" << line.text << "\"}";
}

#endif  // QV_SERVICE_OBJECT_CORE_CAPTURE_LOG_H_
