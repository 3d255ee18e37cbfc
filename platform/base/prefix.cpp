#include "platform/base/prefix.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace qvplatform {

namespace {

const char kSystemRoot[] = "/var/lib/qvopos";

bool IsWritableDirectory(const std::filesystem::path& dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::filesystem::create_directories(dir, ec);
    if (ec) return false;
  }
  return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path UserRoot() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg != '\0') return std::filesystem::path(xdg) / "qvopos";
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') {
    return std::filesystem::path(home) / ".local" / "share" / "qvopos";
  }
  return std::filesystem::temp_directory_path() / "qvopos";
}

}  // namespace

std::filesystem::path PrefixRoot() {
  const char* env = std::getenv("QV_OPOS_ROOT");
  if (env != nullptr && *env != '\0') return std::filesystem::path(env);
  if (IsWritableDirectory(kSystemRoot)) return kSystemRoot;
  return UserRoot();
}

std::filesystem::path MachinePrefixRoot() { return kSystemRoot; }

std::filesystem::path DriveC() { return PrefixRoot() / "drive_c"; }

std::filesystem::path DosDevices() { return PrefixRoot() / "dosdevices"; }

std::filesystem::path MapWindowsPath(std::string_view path) {
  bool drive_c = path.size() >= 3 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':' &&
                 (path[2] == '\\' || path[2] == '/');
  if (!drive_c) return std::filesystem::path(std::string(path));
  std::filesystem::path mapped = DriveC();
  std::string part;
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      if (!part.empty()) mapped /= part;
      part.clear();
    } else {
      part.push_back(path[i]);
    }
  }
  return mapped;
}

}  // namespace qvplatform
