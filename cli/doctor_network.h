// The network check of `qvopos doctor`: connects to a printer's TCP port
// and asks for its real-time status (DLE EOT 1, 2 and 4: printer, off-line
// cause, paper sensor), one request at a time, each answer awaited within
// the bound. Nothing else is ever sent. Main thread.
#ifndef QV_CLI_DOCTOR_NETWORK_H_
#define QV_CLI_DOCTOR_NETWORK_H_

#include <cstdint>
#include <string>
#include <vector>

namespace qvcli {

struct NetworkProbe {
  // Empty when the printer answered all three requests; else what went
  // wrong ("connection refused", "no answer to the status request ...").
  std::string failure;
  uint8_t printerStatus = 0;  // answer to DLE EOT 1
  uint8_t offlineCause = 0;   // DLE EOT 2
  uint8_t paperSensor = 0;    // DLE EOT 4
};

// `bound_ms` limits the connection and each answer; `bound_text` names it
// in messages ("2 s").
NetworkProbe ProbeNetworkPrinter(const std::string& host, const std::string& port, int64_t bound_ms,
                                 const std::string& bound_text);

// "cover closed, paper ok, drawer closed" (paper: ok, near end or out;
// "off-line" in front when the printer says so).
std::string DescribeStatus(const NetworkProbe& probe);

// What the printer needs before it prints, as things to do: "close the
// cover", "load paper", "bring the printer on-line". Empty when nothing.
std::vector<std::string> StatusProblems(const NetworkProbe& probe);

}  // namespace qvcli

#endif  // QV_CLI_DOCTOR_NETWORK_H_
