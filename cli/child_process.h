// Test helper: runs the qvopos program as a child process with pipes on its
// standard input, output and error, so tests drive it as other programs do.
// The child inherits the environment (QV_OPOS_ROOT of a TempPrefix) plus the
// given variables. One thread uses an object.
#ifndef QV_CLI_CHILD_PROCESS_H_
#define QV_CLI_CHILD_PROCESS_H_

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qvcli_test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::pair<std::string, std::string>>& env = {});
  void Write(std::string_view text);
  void CloseInput();

  // Reads output until a complete standard-output line with an index of at
  // least `from` satisfies `match` (the lines already read count too) or
  // `timeout_ms` passes. The index of the line goes to `at` when given.
  bool WaitForLine(const std::function<bool(const std::string&)>& match, int64_t timeout_ms,
                   size_t from = 0, size_t* at = nullptr);
  bool WaitForLine(const std::string& line, int64_t timeout_ms, size_t from = 0,
                   size_t* at = nullptr) {
    return WaitForLine([&line](const std::string& l) { return l == line; }, timeout_ms, from, at);
  }
  // Closes standard input, reads everything and waits for the exit; the exit
  // code, or -1 when the child had to be killed after `timeout_ms`.
  int Finish(int64_t timeout_ms);

  const std::vector<std::string>& lines() const { return m_lines; }
  const std::string& error() const { return m_error; }
  std::string output() const;  // the lines joined with newlines

 private:
  // Reads what is available within `timeout_ms`; false when both pipes ended.
  bool ReadSome(int64_t timeout_ms);

  pid_t m_pid = -1;
  int m_in = -1, m_out = -1, m_err = -1;
  std::string m_partial;
  std::vector<std::string> m_lines;
  std::string m_error;
};

struct RunResult {
  int code = -1;
  std::vector<std::string> lines;
  std::string error;
  std::string output;
};

// Runs the program to its end with `input` on standard input.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::string& input = "",
              const std::vector<std::pair<std::string, std::string>>& env = {},
              int64_t timeout_ms = 60000);

}  // namespace qvcli_test

#endif  // QV_CLI_CHILD_PROCESS_H_
