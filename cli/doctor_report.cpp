#include "cli/doctor_report.h"

#include "cli/cli_util.h"

namespace qvcli {

void CDoctorReport::Ok(const std::string& subject, const std::string& finding) {
  Out("ok   " + subject + ": " + finding);
}

void CDoctorReport::Warn(const std::string& subject, const std::string& finding) {
  ++m_warnings;
  Out("warn " + subject + ": " + finding);
}

void CDoctorReport::Fail(const std::string& subject, const std::string& finding) {
  ++m_failures;
  Out("FAIL " + subject + ": " + finding);
}

int CDoctorReport::Finish() const {
  auto count = [](int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  Out(count(m_failures, "failure") + ", " + count(m_warnings, "warning"));
  return m_failures == 0 ? kExitOk : kExitFailed;
}

}  // namespace qvcli
