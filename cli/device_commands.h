// The logical-device commands of qvopos, each writing or reading the OPOS
// registry tree in the prefix exactly as the configuration tool does:
//   printer add, drawer add, ldn list, ldn delete, log-level, uninstall.
// Each takes its arguments after the command words and returns the exit
// code (0 done, 1 refused or failed, 2 usage). Main thread.
#ifndef QV_CLI_DEVICE_COMMANDS_H_
#define QV_CLI_DEVICE_COMMANDS_H_

#include "cli/cli_util.h"

namespace qvcli {

int RunPrinterAdd(Args args);
int RunDrawerAdd(Args args);
int RunLdnList(Args args);
int RunLdnDelete(Args args);
int RunLogLevel(Args args);
int RunUninstall(Args args);

}  // namespace qvcli

#endif  // QV_CLI_DEVICE_COMMANDS_H_
