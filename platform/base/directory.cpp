// EnsureDirectory (prefix.h), the same on every system.
#include <string>
#include <system_error>

#include "platform/base/prefix.h"

namespace qvplatform {

bool EnsureDirectory(const std::filesystem::path& dir, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec && !std::filesystem::is_directory(dir)) {
    if (error != nullptr) *error = dir.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace qvplatform
