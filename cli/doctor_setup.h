// The machine-wide checks of `qvopos doctor`: the prefix, the registry
// store, the registration of libQVSO.so and of the control objects, and the
// trace level. Each writes its findings to the report and changes nothing.
// Main thread.
#ifndef QV_CLI_DOCTOR_SETUP_H_
#define QV_CLI_DOCTOR_SETUP_H_

#include "cli/doctor_report.h"

namespace qvcli {

// The prefix exists and the caller may write it and what it holds.
void CheckPrefix(CDoctorReport& report);

// The registry store opens; false (after a FAIL naming the file) when it
// does not, so the checks that read it are skipped.
bool CheckRegistry(CDoctorReport& report);

// The service objects' and the control objects' classes are registered and
// their libraries load (through the COM runtime, as an application would).
void CheckRegistration(CDoctorReport& report);

// The trace level and where the trace goes.
void CheckTraceLevel(CDoctorReport& report);

}  // namespace qvcli

#endif  // QV_CLI_DOCTOR_SETUP_H_
