// The file of a loaded library: which shared library (or program) holds a
// given address, as Windows' GetModuleHandleEx(FROM_ADDRESS) and
// GetModuleFileName tell it. A library passes the address of one of its own
// functions to learn where it was loaded from, for example to register
// itself. Any thread.
#ifndef QV_PLATFORM_BASE_MODULE_PATH_H_
#define QV_PLATFORM_BASE_MODULE_PATH_H_

#include <filesystem>

namespace qvplatform {

// The absolute path of the module that holds `address`, with symbolic links
// resolved where the system has them; empty when no loaded module holds it.
std::filesystem::path ModulePathOf(const void* address);

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_MODULE_PATH_H_
