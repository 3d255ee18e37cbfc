// `qvopos shell`: reads commands from standard input, one a line, and runs
// them in a ShellSession (shell_session.h). While it waits for input it
// keeps pumping the apartment, so events print as they arrive. Ends at
// "quit" or at the end of input. Exit 0, or 1 when some line was refused.
// Main thread.
#ifndef QV_CLI_SHELL_COMMAND_H_
#define QV_CLI_SHELL_COMMAND_H_

#include "cli/cli_util.h"

namespace qvcli {

int RunShell(Args args);

}  // namespace qvcli

#endif  // QV_CLI_SHELL_COMMAND_H_
