// Test fixtures of the channel tests: a receiver that records status images,
// a log that records trace lines, and helpers that build command objects.
#ifndef QV_SERVICE_OBJECT_COMM_COMM_TEST_UTIL_H_
#define QV_SERVICE_OBJECT_COMM_COMM_TEST_UTIL_H_

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service_object/comm/comm.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"

namespace commtest {

// Generous bound for waits on things that happen within milliseconds.
constexpr int64_t kWaitMs = 10000;

class RecordingReceiver : public CCommData {
 public:
  void ProcessCommData(const std::string& data) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_images.push_back(data);
    m_changed.notify_all();
  }
  std::vector<std::string> Images() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_images;
  }
  size_t Count() const { return Images().size(); }
  // Waits until some image satisfies `match`.
  bool WaitForImage(const std::function<bool(const std::string&)>& match,
                    int64_t timeout_ms = kWaitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
      for (const std::string& image : m_images) {
        if (match(image)) return true;
      }
      return false;
    });
  }
  bool WaitForCount(size_t count, int64_t timeout_ms = kWaitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                              [&] { return m_images.size() >= count; });
  }

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_images;
};

// Records every trace line while it lives (installed as the process log).
class RecordingLog : public CLog {
 public:
  struct Line {
    int32_t level;
    std::string source;
    std::string text;
  };
  RecordingLog() : m_previous(SetLogForTesting(this)) {}
  ~RecordingLog() override { SetLogForTesting(m_previous); }

  void SetLevel(int32_t) override {}
  void Log(int32_t level, int32_t, std::string source, std::string text) override {
    Log(level, std::move(source), std::move(text));
  }
  void Log(int32_t level, std::string source, std::string text) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(Line{level, std::move(source), std::move(text)});
    m_changed.notify_all();
  }
  std::vector<Line> Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
  }
  // How many lines have exactly this text (and level, when >= 0).
  size_t CountText(const std::string& text, int level = -1) const {
    size_t n = 0;
    for (const Line& line : Lines()) {
      if (line.text == text && (level < 0 || line.level == level)) ++n;
    }
    return n;
  }
  bool Has(const std::string& text, int level = -1) const { return CountText(text, level) > 0; }
  bool HasPrefix(const std::string& prefix) const {
    for (const Line& line : Lines()) {
      if (line.text.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }
  bool WaitForText(const std::string& text, int64_t timeout_ms = kWaitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
      for (const Line& line : m_lines) {
        if (line.text == text) return true;
      }
      return false;
    });
  }
  bool WaitForCount(const std::string& text, size_t count, int64_t timeout_ms = kWaitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
      size_t n = 0;
      for (const Line& line : m_lines) n += line.text == text;
      return n >= count;
    });
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
  }

 private:
  CLog* m_previous;
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Line> m_lines;
};

// Waits until the terminal `path` has no unread input left, i.e. a channel's
// read thread has taken every byte the printer sent.
inline bool WaitInputDrained(const std::string& path, int64_t timeout_ms = kWaitMs) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  bool drained = false;
  while (!drained && std::chrono::steady_clock::now() < deadline) {
    int pending = 0;
    if (::ioctl(fd, FIONREAD, &pending) != 0) break;
    drained = pending == 0;
    if (!drained) std::this_thread::yield();
  }
  ::close(fd);
  return drained;
}

inline std::unique_ptr<EscCmd> BytesCmd(const std::string& bytes) {
  auto cmd = std::make_unique<EscCmd>();
  cmd->Append(bytes);
  return cmd;
}

}  // namespace commtest

#endif  // QV_SERVICE_OBJECT_COMM_COMM_TEST_UTIL_H_
