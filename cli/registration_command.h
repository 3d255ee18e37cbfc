// `qvopos register` and `qvopos unregister`: DllRegisterServer /
// DllUnregisterServer of libQVSO.so, and the COM registration of the
// control objects, in the prefix of QV_OPOS_ROOT. Main thread.
#ifndef QV_CLI_REGISTRATION_COMMAND_H_
#define QV_CLI_REGISTRATION_COMMAND_H_

#include <string>

#include "cli/cli_util.h"

namespace qvcli {

// Registers both; false with a reason on the first failure.
bool RegisterAll(std::string* reason);
bool UnregisterAll(std::string* reason);

int RunRegister(Args args);
int RunUnregister(Args args);

}  // namespace qvcli

#endif  // QV_CLI_REGISTRATION_COMMAND_H_
