#include "platform/base/module_path.h"

#include <dlfcn.h>

#include <system_error>

namespace qvplatform {

std::filesystem::path ModulePathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  std::error_code error;
  std::filesystem::path path = std::filesystem::canonical(info.dli_fname, error);
  if (error) path = std::filesystem::absolute(info.dli_fname, error);
  return error ? std::filesystem::path() : path;
}

}  // namespace qvplatform
