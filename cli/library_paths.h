// Where qvopos finds libQVSO.so: first beside an installed program
// (<bin>/../<libdir>/libQVSO.so, from /proc/self/exe), then at the build
// tree's path fixed when the program was configured. The control objects'
// server library is found by the control-objects library itself, beside it.
// Any thread.
#ifndef QV_CLI_LIBRARY_PATHS_H_
#define QV_CLI_LIBRARY_PATHS_H_

#include <filesystem>

namespace qvcli {

// The service-object library; empty when neither place has it.
std::filesystem::path QvsoLibraryPath();

}  // namespace qvcli

#endif  // QV_CLI_LIBRARY_PATHS_H_
