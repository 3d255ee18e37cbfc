// qvopos: the command-line tool of the QV OPOS driver package. Dispatches
// the command words to the command groups; every command honours
// QV_OPOS_ROOT and answers --help. Exit codes: 0 success, 1 a failed
// operation, 2 a usage error (with a one-line reason on standard error).
#include <string>

#include "cli/cli_util.h"
#include "cli/demo.h"
#include "cli/device_actions.h"
#include "cli/device_commands.h"
#include "cli/doctor_command.h"
#include "cli/ports_command.h"
#include "cli/registration_command.h"
#include "cli/shell_command.h"

namespace {

constexpr char kUsage[] =
    "usage: qvopos COMMAND [ARGS]   (qvopos COMMAND --help for details)\n"
    "  demo [--keep DIR]                   print a receipt and open the drawer on a virtual "
    "printer\n"
    "  register | unregister               register libQVSO.so and the control objects\n"
    "  printer add LDN --interface TYPE .. add or replace a printer logical device\n"
    "  drawer add LDN --uses PRINTER ..    add or change a cash drawer logical device\n"
    "  ldn list                            list this package's logical devices\n"
    "  ldn delete printer|drawer LDN       delete one of them\n"
    "  log-level 0..6                      set the trace level\n"
    "  uninstall                           delete all of this package's logical devices\n"
    "  ports                               list serial, parallel and USB printer ports\n"
    "  shell                               run control-object commands from standard input\n"
    "  print LDN [TEXT|-]                  print a text\n"
    "  drawer open LDN                     open a cash drawer\n"
    "  status LDN                          show cover, paper and drawer\n"
    "  doctor [LDN...]                     diagnose the installation and the devices\n"
    "The prefix (registry, trace file, device map) is $QV_OPOS_ROOT when set.";

using qvcli::Args;

// Commands of two words ("printer add") take the second from the arguments.
int RunGroup(const std::string& group, Args args) {
  const std::string sub = args.empty() ? std::string() : args.front();
  if (!args.empty()) args.erase(args.begin());
  if (group == "printer" && sub == "add") return qvcli::RunPrinterAdd(args);
  if (group == "drawer" && sub == "add") return qvcli::RunDrawerAdd(args);
  if (group == "drawer" && sub == "open") return qvcli::RunDrawerOpen(args);
  if (group == "ldn" && sub == "list") return qvcli::RunLdnList(args);
  if (group == "ldn" && sub == "delete") return qvcli::RunLdnDelete(args);
  if (sub == "--help" || sub == "-h") {
    qvcli::Out(kUsage);
    return qvcli::kExitOk;
  }
  return qvcli::Usage("unknown command: " + group + (sub.empty() ? "" : " " + sub) +
                      " (see qvopos --help)");
}

}  // namespace

int main(int argc, char** argv) {
  Args args(argv + 1, argv + argc);
  if (args.empty()) return qvcli::Usage("no command (see qvopos --help)");
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    qvcli::Out(kUsage);
    return qvcli::kExitOk;
  }
  if (command == "demo") return qvcli::RunDemo(args);
  if (command == "register") return qvcli::RunRegister(args);
  if (command == "unregister") return qvcli::RunUnregister(args);
  if (command == "log-level") return qvcli::RunLogLevel(args);
  if (command == "uninstall") return qvcli::RunUninstall(args);
  if (command == "ports") return qvcli::RunPorts(args);
  if (command == "shell") return qvcli::RunShell(args);
  if (command == "print") return qvcli::RunPrint(args);
  if (command == "status") return qvcli::RunStatus(args);
  if (command == "doctor") return qvcli::RunDoctor(args);
  if (command == "printer" || command == "drawer" || command == "ldn") {
    return RunGroup(command, args);
  }
  return qvcli::Usage("unknown command: " + command + " (see qvopos --help)");
}
