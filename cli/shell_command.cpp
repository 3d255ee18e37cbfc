#include "cli/shell_command.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "cli/shell_session.h"
#include "platform/apartment/message_queue.h"
#include "platform/com/runtime.h"

namespace qvcli {
namespace {

constexpr char kShellUsage[] =
    "usage: qvopos shell < SCRIPT\n"
    "Runs control-object commands read from standard input, one a line:\n"
    "  open printer|drawer LDN        -> open OBJ: RC\n"
    "  OBJ METHOD [ARG ...]           -> OBJ.METHOD: RC [NAME=VALUE ...]\n"
    "  OBJ get PROPERTY               -> OBJ.PROPERTY = VALUE\n"
    "  OBJ set PROPERTY VALUE         -> OBJ.PROPERTY := VALUE: RC\n"
    "  wait MS                        (events are delivered meanwhile)\n"
    "  quit\n"
    "OBJ is printer or drawer; METHOD and PROPERTY are OPOS names (PrintNormal,\n"
    "ClaimDevice, DeviceEnabled, ...). Events print as: event OBJ EVENTNAME ARG...\n"
    "Blank lines and lines starting with # are skipped. \"quoted strings\" may hold\n"
    "blanks and \\\\ \\\" \\n \\r \\t \\e (ESC) \\xHH; numbers are decimal or 0x-hex.\n"
    "Example:\n"
    "  open printer Front\n"
    "  printer ClaimDevice 1000\n"
    "  printer set DeviceEnabled 1\n"
    "  printer PrintNormal 2 \"Hello\\n\"\n"
    "  printer CutPaper 100";

// Reads standard input in chunks and hands out whole lines.
class LineReader {
 public:
  // Takes the next complete line from what was read; false when none.
  bool Next(std::string* line) {
    const size_t end = m_buffer.find('\n');
    if (end == std::string::npos) {
      if (!m_eof || m_buffer.empty()) return false;
      *line = std::move(m_buffer);
      m_buffer.clear();
      return true;
    }
    line->assign(m_buffer, 0, end);
    m_buffer.erase(0, end + 1);
    return true;
  }
  // Reads what is available; false at end of input or on an error.
  bool Fill() {
    char chunk[4096];
    for (;;) {
      const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
      if (n > 0) {
        m_buffer.append(chunk, static_cast<size_t>(n));
        return true;
      }
      if (n < 0 && errno == EINTR) continue;
      m_eof = true;
      return false;
    }
  }
  bool eof() const { return m_eof; }

 private:
  std::string m_buffer;
  bool m_eof = false;
};

int RunSession() {
  ShellSession session([](std::string_view line) { Out(line); });
  const int queueFd = qvplatform::MessageQueueFd();
  LineReader reader;
  std::string line;
  for (;;) {
    while (reader.Next(&line)) {
      if (!session.Execute(line)) return session.errors() == 0 ? kExitOk : kExitFailed;
      qvplatform::PumpMessages();
    }
    if (reader.eof()) break;
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {queueFd, POLLIN, 0}};
    const int ready = poll(fds, queueFd >= 0 ? 2 : 1, -1);
    if (ready < 0 && errno != EINTR) return Failed("waiting for input failed");
    if (queueFd >= 0 && (fds[1].revents & POLLIN)) qvplatform::PumpMessages();
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) reader.Fill();
  }
  return session.errors() == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunShell(Args args) {
  if (WantsHelp(args)) {
    Out(kShellUsage);
    return kExitOk;
  }
  if (!args.empty()) return Usage("shell reads its commands from standard input");
  if (FAILED(CoInitialize(nullptr))) return Failed("CoInitialize failed");
  const int code = RunSession();
  CoFreeUnusedLibraries();
  CoUninitialize();
  return code;
}

}  // namespace qvcli
