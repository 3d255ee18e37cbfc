#include <benchmark/benchmark.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/devices/serial_port.h"
#include "platform/net/tcp_socket.h"
#include "virtual_printer/escpos_parser.h"
#include "virtual_printer/virtual_printer.h"

namespace {

// About 1 MB of a receipt job: lines of text, and raster pictures whose data
// is full of 10 04 (so the parser must count through them).
std::vector<uint8_t> MakeJob() {
  std::vector<uint8_t> job;
  const std::string line = "ITEM 0001  Coffee beans 1kg            12.50\n";
  while (job.size() < (1u << 20) - 20000) {
    for (int i = 0; i < 40; ++i) job.insert(job.end(), line.begin(), line.end());
    const uint8_t head[] = {0x1D, 0x76, 0x30, 0x00, 72, 0x00, 64, 0x00};  // 72 x 64
    job.insert(job.end(), head, head + sizeof(head));
    for (int i = 0; i < 72 * 64; ++i) job.push_back(i % 2 == 0 ? 0x10 : 0x04);
  }
  return job;
}

const std::vector<uint8_t>& Job() {
  static const std::vector<uint8_t> job = MakeJob();
  return job;
}

void BM_ParseJob(benchmark::State& state) {
  uint64_t commands = 0;
  for (auto _ : state) {
    qvvp::EscPosParser parser([&](qvvp::ParsedCommand&&) { ++commands; });
    parser.Feed(Job().data(), Job().size());
    benchmark::DoNotOptimize(parser.completed());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Job().size()));
}
BENCHMARK(BM_ParseJob)->Unit(benchmark::kMillisecond);

sockaddr_in Loopback(uint16_t port) {
  std::vector<sockaddr_in> addresses;
  qvplatform::ResolveTcp4("127.0.0.1", std::to_string(port), &addresses);
  return addresses.at(0);
}

void BM_TcpJobToPrinter(benchmark::State& state) {
  qvvp::VirtualPrinter printer;
  printer.engine().SetRecordInMemory(false);
  if (printer.StartTcp("127.0.0.1", 0) != 0) return state.SkipWithError("listen failed");
  qvplatform::TcpSocket socket;
  if (socket.Connect(Loopback(printer.tcp_port()), 2000) != 0)
    return state.SkipWithError("connect failed");
  uint64_t total = 0;
  for (auto _ : state) {
    if (socket.Send(Job().data(), Job().size(), 10000, nullptr) != 0)
      return state.SkipWithError("send");
    total += Job().size();
    if (!printer.engine().WaitForBytesParsed(total, 10000))
      return state.SkipWithError("not parsed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_TcpJobToPrinter)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PtyJobToPrinter(benchmark::State& state) {
  qvvp::VirtualPrinter printer;
  printer.engine().SetRecordInMemory(false);
  if (printer.StartPty() != 0) return state.SkipWithError("pty failed");
  qvplatform::SerialPort port;
  if (port.Open(printer.pty_path(), qvplatform::DeviceFile::Share::kExclusive) != 0) {
    return state.SkipWithError("open failed");
  }
  uint64_t total = 0;
  for (auto _ : state) {
    if (port.Write(Job().data(), Job().size(), 10000, nullptr) != 0)
      return state.SkipWithError("write");
    total += Job().size();
    if (!printer.engine().WaitForBytesParsed(total, 10000))
      return state.SkipWithError("not parsed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_PtyJobToPrinter)->Unit(benchmark::kMillisecond)->UseRealTime();

// One status request out, its answer byte back.
void BM_TcpStatusRoundTrip(benchmark::State& state) {
  qvvp::VirtualPrinter printer;
  printer.engine().SetRecordInMemory(false);
  if (printer.StartTcp("127.0.0.1", 0) != 0) return state.SkipWithError("listen failed");
  qvplatform::TcpSocket socket;
  if (socket.Connect(Loopback(printer.tcp_port()), 2000) != 0)
    return state.SkipWithError("connect failed");
  const uint8_t request[] = {0x10, 0x04, 0x01};
  for (auto _ : state) {
    uint8_t answer;
    size_t got = 0;
    if (socket.Send(request, 3, 2000, nullptr) != 0 || socket.Recv(&answer, 1, 2000, &got) != 0 ||
        got != 1) {
      return state.SkipWithError("round trip failed");
    }
  }
}
BENCHMARK(BM_TcpStatusRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_PtyStatusRoundTrip(benchmark::State& state) {
  qvvp::VirtualPrinter printer;
  printer.engine().SetRecordInMemory(false);
  if (printer.StartPty() != 0) return state.SkipWithError("pty failed");
  qvplatform::SerialPort port;
  if (port.Open(printer.pty_path(), qvplatform::DeviceFile::Share::kExclusive) != 0) {
    return state.SkipWithError("open failed");
  }
  const uint8_t request[] = {0x10, 0x04, 0x01};
  for (auto _ : state) {
    uint8_t answer;
    size_t got = 0;
    if (port.Write(request, 3, 2000, nullptr) != 0 || port.Read(&answer, 1, 2000, &got) != 0) {
      return state.SkipWithError("round trip failed");
    }
  }
}
BENCHMARK(BM_PtyStatusRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
