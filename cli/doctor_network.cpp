#include "cli/doctor_network.h"

#include <netdb.h>

#include <cstdio>
#include <cstring>

#include "platform/net/tcp_socket.h"

namespace qvcli {
namespace {

// Real-time status bytes: bits 1 and 4 set, bits 0 and 7 clear.
constexpr uint8_t kFixedMask = 0x93;
constexpr uint8_t kFixedBits = 0x12;
// DLE EOT 1
constexpr uint8_t kDrawerPinHigh = 0x04;  // pin 3 high: drawer closed
constexpr uint8_t kOffline = 0x08;
// DLE EOT 2
constexpr uint8_t kCoverOpen = 0x04;
// DLE EOT 4
constexpr uint8_t kPaperNearEnd = 0x0C;
constexpr uint8_t kPaperEnd = 0x60;

std::string Hex(uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

std::string ConnectFailure(int rc, const std::string& bound_text) {
  if (rc == ETIMEDOUT) return "no connection within " + bound_text;
  if (rc == ECONNREFUSED) return "connection refused";
  return std::string("cannot connect: ") + std::strerror(rc);
}

// Sends DLE EOT n and takes the one-byte answer. Empty, or what went wrong.
std::string Ask(qvplatform::TcpSocket& socket, uint8_t n, int64_t bound_ms,
                const std::string& bound_text, uint8_t* answer) {
  const uint8_t request[] = {0x10, 0x04, n};
  const std::string what = "the status request DLE EOT " + std::to_string(n);
  int rc = socket.Send(request, sizeof request, bound_ms, nullptr);
  if (rc != 0) return "cannot send " + what + ": " + std::strerror(rc);
  size_t received = 0;
  rc = socket.Recv(answer, 1, bound_ms, &received);
  if (rc == ETIMEDOUT) return "connected, but no answer to " + what + " within " + bound_text;
  if (rc != 0)
    return "connection lost waiting for the answer to " + what + ": " + std::strerror(rc);
  if (received == 0) return "the printer closed the connection instead of answering " + what;
  if ((*answer & kFixedMask) != kFixedBits) {
    return "the answer " + Hex(*answer) + " to " + what + " is no status byte";
  }
  return "";
}

}  // namespace

NetworkProbe ProbeNetworkPrinter(const std::string& host, const std::string& port, int64_t bound_ms,
                                 const std::string& bound_text) {
  NetworkProbe probe;
  std::vector<sockaddr_in> addresses;
  const int resolved = qvplatform::ResolveTcp4(host, port, &addresses);
  if (resolved != 0 || addresses.empty()) {
    probe.failure = "cannot resolve " + host + ": " + ::gai_strerror(resolved);
    return probe;
  }
  qvplatform::TcpSocket socket;
  const int rc = socket.Connect(addresses.front(), bound_ms);
  if (rc != 0) {
    probe.failure = ConnectFailure(rc, bound_text);
    return probe;
  }
  const struct {
    uint8_t n;
    uint8_t* answer;
  } requests[] = {{1, &probe.printerStatus}, {2, &probe.offlineCause}, {4, &probe.paperSensor}};
  for (const auto& request : requests) {
    probe.failure = Ask(socket, request.n, bound_ms, bound_text, request.answer);
    if (!probe.failure.empty()) break;
  }
  socket.Close();
  return probe;
}

std::string DescribeStatus(const NetworkProbe& probe) {
  std::string text = (probe.printerStatus & kOffline) != 0 ? "off-line, " : "";
  text += (probe.offlineCause & kCoverOpen) != 0 ? "cover open" : "cover closed";
  if ((probe.paperSensor & kPaperEnd) != 0) {
    text += ", paper out";
  } else if ((probe.paperSensor & kPaperNearEnd) != 0) {
    text += ", paper near end";
  } else {
    text += ", paper ok";
  }
  text += (probe.printerStatus & kDrawerPinHigh) != 0 ? ", drawer closed" : ", drawer open";
  return text;
}

std::vector<std::string> StatusProblems(const NetworkProbe& probe) {
  std::vector<std::string> problems;
  if ((probe.offlineCause & kCoverOpen) != 0) problems.push_back("close the cover");
  if ((probe.paperSensor & kPaperEnd) != 0) problems.push_back("load paper");
  if ((probe.printerStatus & kOffline) != 0 && problems.empty()) {
    problems.push_back("bring the printer on-line");
  }
  return problems;
}

}  // namespace qvcli
