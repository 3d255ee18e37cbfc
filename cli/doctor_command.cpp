#include "cli/doctor_command.h"

#include "cli/doctor_devices.h"
#include "cli/doctor_report.h"
#include "cli/doctor_setup.h"

namespace qvcli {

namespace {

constexpr char kDoctorUsage[] =
    "usage: qvopos doctor [LDN...]\n"
    "Checks, one line each with ok, warn or FAIL and what to do: the prefix and\n"
    "whether you may write it; the registry; the registration of libQVSO.so and the\n"
    "control objects; the trace level; then each logical device (all of them, or the\n"
    "LDNs named): its settings, its port through the device map, whether you may\n"
    "open the node and who else holds it, a USB printer's driver, a network\n"
    "printer's connection and status (cover, paper, drawer). Changes nothing and\n"
    "sends nothing but the network status request. Exit code 0 when nothing failed.";

}  // namespace

int RunDoctor(Args args) {
  if (WantsHelp(args)) {
    Out(kDoctorUsage);
    return kExitOk;
  }
  for (const std::string& arg : args) {
    if (!arg.empty() && arg[0] == '-') return Usage("doctor takes no option " + arg);
  }
  CDoctorReport report;
  CheckPrefix(report);
  if (CheckRegistry(report)) {
    CheckRegistration(report);
    CheckTraceLevel(report);
    CheckLogicalDevices(report, args);
  }
  return report.Finish();
}

}  // namespace qvcli
