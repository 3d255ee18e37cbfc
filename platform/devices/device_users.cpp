#include "platform/devices/device_users.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

namespace qvplatform {

namespace {

constexpr unsigned kPtmxMajor = 5;
constexpr unsigned kPtmxMinor = 2;
constexpr unsigned kPtsFirstMajor = 136;  // Unix98 pty slaves: majors 136 to 143
constexpr unsigned kPtsLastMajor = 143;

bool SameObject(const struct stat& a, const struct stat& b) {
  const bool a_device = S_ISCHR(a.st_mode) || S_ISBLK(a.st_mode);
  const bool b_device = S_ISCHR(b.st_mode) || S_ISBLK(b.st_mode);
  if (a_device || b_device) {
    return a_device && b_device && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT) &&
           a.st_rdev == b.st_rdev;
  }
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The index N of a pseudo-terminal slave /dev/pts/N.
std::optional<unsigned> PtsIndex(const struct stat& st) {
  if (!S_ISCHR(st.st_mode)) return std::nullopt;
  const unsigned major_number = major(st.st_rdev);
  if (major_number < kPtsFirstMajor || major_number > kPtsLastMajor) return std::nullopt;
  return (major_number - kPtsFirstMajor) * 256 + minor(st.st_rdev);
}

bool IsPtmx(const struct stat& st) {
  return S_ISCHR(st.st_mode) && major(st.st_rdev) == kPtmxMajor && minor(st.st_rdev) == kPtmxMinor;
}

// "tty-index:" of a master's fdinfo.
std::optional<unsigned> MasterIndex(const std::filesystem::path& fdinfo) {
  std::ifstream in(fdinfo);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("tty-index:", 0) != 0) continue;
    std::istringstream value(line.substr(10));
    unsigned index = 0;
    if (value >> index) return index;
  }
  return std::nullopt;
}

// The file name of argv[0], else the kernel's short name.
std::string ProgramName(const std::filesystem::path& process) {
  std::ifstream cmdline(process / "cmdline");
  std::string argv0;
  std::getline(cmdline, argv0, '\0');
  if (!argv0.empty()) {
    std::string name = std::filesystem::path(argv0).filename().string();
    if (!name.empty()) return name;
  }
  std::ifstream comm(process / "comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

std::optional<pid_t> PidOf(const std::string& entry) {
  if (entry.empty() || !std::all_of(entry.begin(), entry.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
      })) {
    return std::nullopt;
  }
  return static_cast<pid_t>(std::stol(entry));
}

}  // namespace

DeviceUsers QueryDeviceUsers(const std::filesystem::path& node) {
  DeviceUsers result;
  struct stat wanted {};
  if (::stat(node.c_str(), &wanted) != 0) {
    result.error = errno;
    return result;
  }
  const std::optional<unsigned> pts_index = PtsIndex(wanted);
  const pid_t self = ::getpid();

  std::error_code ec;
  std::filesystem::directory_iterator processes("/proc", ec);
  if (ec) {
    result.error = ec.value();
    return result;
  }
  for (const auto& process : processes) {
    std::optional<pid_t> pid = PidOf(process.path().filename().string());
    if (!pid || *pid == self) continue;
    std::error_code fd_ec;
    std::filesystem::directory_iterator fds(process.path() / "fd", fd_ec);
    if (fd_ec) {
      // Gone meanwhile (ENOENT) is no hidden process.
      if (fd_ec.value() != ENOENT && fd_ec.value() != ESRCH) ++result.hidden;
      continue;
    }
    bool holds = false;
    bool other_end = false;
    for (const auto& fd : fds) {
      struct stat st {};
      if (::stat(fd.path().c_str(), &st) != 0) continue;
      if (SameObject(st, wanted)) holds = true;
      if (pts_index && IsPtmx(st) &&
          MasterIndex(process.path() / "fdinfo" / fd.path().filename()) == pts_index) {
        other_end = true;
      }
    }
    if (holds || other_end) {
      result.users.push_back({*pid, ProgramName(process.path()), other_end});
    }
  }
  std::sort(result.users.begin(), result.users.end(),
            [](const DeviceUser& a, const DeviceUser& b) { return a.pid < b.pid; });
  return result;
}

}  // namespace qvplatform
