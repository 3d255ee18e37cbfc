// The prefix on Windows: the machine itself (prefix.h).
#include <string>

#include "platform/base/prefix.h"

namespace qvplatform {

std::filesystem::path DriveC() { return std::filesystem::path("C:\\"); }

std::filesystem::path MapWindowsPath(std::string_view path) {
  return std::filesystem::path(std::string(path));
}

}  // namespace qvplatform
