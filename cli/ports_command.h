// `qvopos ports`: what the configuration tool's port dialogs would offer.
// Main thread.
#ifndef QV_CLI_PORTS_COMMAND_H_
#define QV_CLI_PORTS_COMMAND_H_

#include "cli/cli_util.h"

namespace qvcli {

int RunPorts(Args args);

}  // namespace qvcli

#endif  // QV_CLI_PORTS_COMMAND_H_
