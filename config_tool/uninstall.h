// The configuration tool's window-less mode: "QVOposConfigTool -Uninstall"
// (the whole command line, compared without regard to case) deletes every
// printer and cash drawer logical device of this package, as an uninstaller
// needs, and creates no window (no display is needed).
//
// Keys of other service objects and the service-information key stay. A key
// that cannot be deleted does not stop the others; each one is reported on
// its own line of the error stream and the exit code is 1 (0 when all went).
#ifndef QV_CONFIG_TOOL_UNINSTALL_H_
#define QV_CONFIG_TOOL_UNINSTALL_H_

#include <ostream>
#include <string>
#include <vector>

namespace qvconfig {

// `args` are the arguments after the program name.
bool IsUninstallCommandLine(const std::vector<std::string>& args);

// Runs the uninstall; returns the exit code.
int RunUninstall(std::ostream& errors);

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_UNINSTALL_H_
