#include "cli/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace qvcli_test {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void CloseFd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  CloseFd(&m_in);
  CloseFd(&m_out);
  CloseFd(&m_err);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) return false;
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  if (pipe2(err, O_CLOEXEC) != 0) return false;
  // Everything the child needs is built before the fork.
  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e) {
    bool replaced = false;
    for (const auto& [name, value] : env) {
      if (std::strncmp(*e, (name + "=").c_str(), name.size() + 1) == 0) replaced = true;
    }
    if (!replaced) envStrings.emplace_back(*e);
  }
  for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings = {program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  m_pid = fork();
  if (m_pid < 0) return false;
  if (m_pid == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  m_in = in[1];
  m_out = out[0];
  m_err = err[0];
  signal(SIGPIPE, SIG_IGN);
  return true;
}

void ChildProcess::Write(std::string_view text) {
  while (!text.empty() && m_in >= 0) {
    const ssize_t n = write(m_in, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

void ChildProcess::CloseInput() { CloseFd(&m_in); }

bool ChildProcess::ReadSome(int64_t timeout_ms) {
  pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
  if (m_out < 0 && m_err < 0) return false;
  const int ready = poll(fds, 2, static_cast<int>(timeout_ms));
  if (ready <= 0) return true;
  char chunk[4096];
  if (fds[0].revents != 0) {
    const ssize_t n = read(m_out, chunk, sizeof chunk);
    if (n <= 0) {
      CloseFd(&m_out);
    } else {
      m_partial.append(chunk, static_cast<size_t>(n));
      size_t end;
      while ((end = m_partial.find('\n')) != std::string::npos) {
        m_lines.push_back(m_partial.substr(0, end));
        m_partial.erase(0, end + 1);
      }
    }
  }
  if (fds[1].revents != 0) {
    const ssize_t n = read(m_err, chunk, sizeof chunk);
    if (n <= 0) {
      CloseFd(&m_err);
    } else {
      m_error.append(chunk, static_cast<size_t>(n));
    }
  }
  return true;
}

bool ChildProcess::WaitForLine(const std::function<bool(const std::string&)>& match,
                               int64_t timeout_ms, size_t from, size_t* at) {
  const int64_t end = NowMs() + timeout_ms;
  size_t checked = from;
  for (;;) {
    for (; checked < m_lines.size(); ++checked) {
      if (!match(m_lines[checked])) continue;
      if (at != nullptr) *at = checked;
      return true;
    }
    const int64_t left = end - NowMs();
    if (left <= 0) return false;
    if (!ReadSome(left) && checked >= m_lines.size()) return false;
  }
}

int ChildProcess::Finish(int64_t timeout_ms) {
  CloseInput();
  const int64_t end = NowMs() + timeout_ms;
  while (NowMs() < end && ReadSome(end - NowMs())) {
  }
  if (!m_partial.empty()) {
    m_lines.push_back(m_partial);
    m_partial.clear();
  }
  int status = 0;
  pid_t done = 0;
  while (NowMs() < end && (done = waitpid(m_pid, &status, WNOHANG)) == 0) {
    poll(nullptr, 0, 10);
  }
  if (done != m_pid) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    return -1;
  }
  m_pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ChildProcess::output() const {
  std::string all;
  for (const std::string& line : m_lines) all += line + "\n";
  return all;
}

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::string& input, const std::vector<std::pair<std::string, std::string>>& env,
              int64_t timeout_ms) {
  ChildProcess child;
  RunResult result;
  if (!child.Start(program, args, env)) return result;
  child.Write(input);
  result.code = child.Finish(timeout_ms);
  result.lines = child.lines();
  result.error = child.error();
  result.output = child.output();
  return result;
}

}  // namespace qvcli_test
