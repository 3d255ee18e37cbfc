// `qvopos doctor [LDN...]`: diagnoses the installation and the logical
// devices (all of this package's, or the ones named) without changing
// anything, one line per finding with ok, warn or FAIL and what to do.
// Exit code 0 when nothing failed, 1 otherwise, 2 for a usage error. Main
// thread.
#ifndef QV_CLI_DOCTOR_COMMAND_H_
#define QV_CLI_DOCTOR_COMMAND_H_

#include "cli/cli_util.h"

namespace qvcli {

int RunDoctor(Args args);

}  // namespace qvcli

#endif  // QV_CLI_DOCTOR_COMMAND_H_
