#include "cli/library_paths.h"

#include <system_error>

#include "cli/build_paths.h"

namespace qvcli {

std::filesystem::path QvsoLibraryPath() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed =
        exe.parent_path().parent_path() / kInstallLibDir / kQvsoFileName;
    if (std::filesystem::exists(installed, error)) return installed;
  }
  const std::filesystem::path built = kBuildTreeQvso;
  if (!built.empty() && std::filesystem::exists(built, error)) return built;
  return {};
}

}  // namespace qvcli
