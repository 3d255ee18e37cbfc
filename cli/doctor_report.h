// The report of `qvopos doctor`: one line per finding, written as soon as it
// is made (a network check may take seconds), in the form
//   ok   SUBJECT: what was found
//   warn SUBJECT: what was found; what to do
//   FAIL SUBJECT: what was found; what to do
// then a closing count. The exit code is 0 when nothing failed (warnings
// allowed), else 1. Main thread.
#ifndef QV_CLI_DOCTOR_REPORT_H_
#define QV_CLI_DOCTOR_REPORT_H_

#include <string>

namespace qvcli {

class CDoctorReport {
 public:
  void Ok(const std::string& subject, const std::string& finding);
  void Warn(const std::string& subject, const std::string& finding);
  void Fail(const std::string& subject, const std::string& finding);

  int failures() const { return m_failures; }
  int warnings() const { return m_warnings; }

  // Writes the count line and returns the exit code.
  int Finish() const;

 private:
  int m_failures = 0;
  int m_warnings = 0;
};

}  // namespace qvcli

#endif  // QV_CLI_DOCTOR_REPORT_H_
