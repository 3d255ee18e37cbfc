#include "service_object/core/file_log.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/clock.h"
#include "platform/sync/event.h"

namespace {

const LogTime kTime{2026, 12, 8, 20, 53, 18, 123};
const char kStamp[] = "12/08/2026 20:53:18.123  ";

LogTime FixedTime() { return kTime; }

class FileLogTest : public ::testing::Test {
 protected:
  FileLogTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-file-log-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_dir = pattern;
    m_path = m_dir / "trace.log";
  }
  ~FileLogTest() override {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }

  std::string ReadFile() const {
    std::ifstream in(m_path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }

  // The file split at CR LF; a trailing part without CR LF is kept as is.
  std::vector<std::string> ReadLines() const {
    std::string content = ReadFile();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(content.substr(start, end - start));
    }
    if (start < content.size()) lines.push_back(content.substr(start));
    return lines;
  }

  std::filesystem::path m_dir;
  std::filesystem::path m_path;
};

TEST_F(FileLogTest, WholeLineByteForByteWithCrLf) {
  {
    CFileLog log(m_path, FixedTime);
    log.SetLevel(6);
    log.Log(4, "CDevice", ">>> FreezeEvents");
    log.Log(5, 1, "QVCOposPrinter", "    | pRC: 0");
  }
  EXPECT_EQ(ReadFile(),
            "12/08/2026 20:53:18.123  4   CDevice         >>> FreezeEvents\r\n"
            "12/08/2026 20:53:18.123  5   QVCOposPrinter      | pRC: 0\r\n");
}

TEST_F(FileLogTest, ThresholdDecidesPerSubmittedLine) {
  {
    CFileLog log(m_path, FixedTime);
    log.Log(1, "S", "threshold 0: not even errors");
    log.Log(0, "S", "level 0 passes threshold 0");
    log.SetLevel(4);
    log.Log(4, "S", ">>> Enter");
    log.Log(5, "S", "    | dropped detail");
    log.Log(1, "S", "Error: kept");
    log.Log(7, "S", "out of range, dropped");
    log.Log(-3, "S", "negative level, kept");
    log.SetLevel(0);
    log.Log(1, "S", "after lowering: dropped");
  }
  std::vector<std::string> lines = ReadLines();
  ASSERT_EQ(lines.size(), 4u) << ReadFile();
  EXPECT_EQ(lines[0], std::string(kStamp) + "0   S               level 0 passes threshold 0");
  EXPECT_EQ(lines[1], std::string(kStamp) + "4   S               >>> Enter");
  EXPECT_EQ(lines[2], std::string(kStamp) + "1   S               Error: kept");
  EXPECT_EQ(lines[3], std::string(kStamp) + "-3  S               negative level, kept");
}

TEST_F(FileLogTest, AppendsToExistingContent) {
  {
    std::ofstream old(m_path, std::ios::binary);
    old << "earlier run\r\n";
  }
  {
    CFileLog log(m_path, FixedTime);
    log.SetLevel(2);
    log.Log(2, "CDevice", "Warning: appended");
  }
  EXPECT_EQ(ReadFile(),
            "earlier run\r\n" + std::string(kStamp) + "2   CDevice         Warning: appended\r\n");
}

TEST_F(FileLogTest, LineFeedsInsideTextBecomeCrLf) {
  {
    CFileLog log(m_path, FixedTime);
    log.SetLevel(5);
    log.Log(5, "S", "a\nb");
  }
  EXPECT_EQ(ReadFile(), std::string(kStamp) + "5   S               a\r\nb\r\n");
}

TEST_F(FileLogTest, StampsTheTimeOfWritingOnTheWriterThread) {
  std::atomic<int> calls{0};
  std::thread::id submitter = std::this_thread::get_id();
  std::atomic<bool> onSubmitter{false};
  {
    CFileLog log(m_path, [&] {
      if (std::this_thread::get_id() == submitter) onSubmitter = true;
      int n = ++calls;
      return LogTime{2027, 1, 1, 0, 0, 0, n};
    });
    log.SetLevel(4);
    log.Log(4, "S", "one");
    log.Log(4, "S", "two");
    log.Log(5, "S", "dropped: no time read for it");
  }
  EXPECT_FALSE(onSubmitter);
  EXPECT_EQ(calls.load(), 2);
  std::vector<std::string> lines = ReadLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "01/01/2027 00:00:00.001  4   S               one");
  EXPECT_EQ(lines[1], "01/01/2027 00:00:00.002  4   S               two");
}

TEST_F(FileLogTest, WritesWhileRunning) {
  CFileLog log(m_path, FixedTime);
  log.SetLevel(4);
  log.Log(4, "S", "visible before shutdown");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ReadFile().find("visible before shutdown\r\n") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(ReadFile(), std::string(kStamp) + "4   S               visible before shutdown\r\n");
}

TEST_F(FileLogTest, ShutdownWritesEveryPendingLine) {
  constexpr int kLines = 5000;
  {
    CFileLog log(m_path, FixedTime);
    log.SetLevel(5);
    for (int i = 0; i < kLines; ++i) log.Log(5, "S", "line " + std::to_string(i));
    // Destroyed at once, with most lines still queued.
  }
  std::vector<std::string> lines = ReadLines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(kLines));
  for (int i = 0; i < kLines; ++i) {
    ASSERT_EQ(lines[i], std::string(kStamp) + "5   S               line " + std::to_string(i));
  }
}

TEST_F(FileLogTest, LinesOfEachThreadKeepTheirOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  {
    CFileLog log(m_path, FixedTime);
    log.SetLevel(5);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&log, t] {
        for (int i = 0; i < kPerThread; ++i) {
          log.Log(5, "T" + std::to_string(t), std::to_string(i));
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  std::vector<std::string> lines = ReadLines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kPerThread));
  std::map<std::string, int> next;
  const std::string stamp = std::string(kStamp) + "5   ";
  for (const std::string& line : lines) {
    ASSERT_EQ(line.compare(0, stamp.size(), stamp), 0) << line;
    std::string source = line.substr(stamp.size(), 15);
    source.erase(source.find(' '));
    int seq = std::stoi(line.substr(stamp.size() + 16));
    EXPECT_EQ(seq, next[source]) << "out of order for " << source;
    next[source] = seq + 1;
  }
  EXPECT_EQ(next.size(), static_cast<size_t>(kThreads));
}

TEST_F(FileLogTest, UnopenableFileLosesLinesQuietly) {
  std::filesystem::path missing = m_dir / "no" / "such" / "dir" / "trace.log";
  {
    CFileLog log(missing, FixedTime);
    log.SetLevel(6);
    log.Log(1, "S", "Error: lost");
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// A writer that cannot finish within the (scaled) 1000 ms gives up the
// remaining lines; the destructor still waits for the line being written
// instead of freeing what the writer uses.
TEST_F(FileLogTest, ShutdownDeadlineDropsWhatTheWriterDidNotReach) {
  qvplatform::SetTimeScaleForTesting(0.001);  // the deadline becomes 1 ms
  qvplatform::Event stalled(qvplatform::Event::Kind::kManualReset);
  qvplatform::Event release(qvplatform::Event::Kind::kManualReset);
  std::atomic<int> calls{0};
  auto start = std::chrono::steady_clock::now();
  {
    CFileLog log(m_path, [&] {
      if (++calls == 1) {
        stalled.Set();
        release.Wait(400);  // a slow disk: far longer than the deadline
      }
      return kTime;
    });
    log.SetLevel(5);
    for (int i = 0; i < 100; ++i) log.Log(5, "S", "line " + std::to_string(i));
    ASSERT_TRUE(stalled.Wait(10000));
  }
  auto elapsed = std::chrono::steady_clock::now() - start;
  qvplatform::SetTimeScaleForTesting(1.0);
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  std::vector<std::string> lines = ReadLines();
  EXPECT_LT(lines.size(), 100u);
  ASSERT_GE(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(kStamp) + "5   S               line 0");
}

}  // namespace
