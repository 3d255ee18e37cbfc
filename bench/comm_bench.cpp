// Channel speed against the in-process virtual printer, over real
// pseudo-terminals (serial, USB, parallel, each attached through the device
// map of a temporary prefix) and a loopback TCP connection.
//
//   BM_Throughput/<channel>  one 1 MB job per iteration, from the arbiter's
//                            write until the printer has parsed every byte
//   BM_Latency/<channel>     one short line per iteration, from the arbiter's
//                            write until the printer has parsed it; the
//                            counters p50_us and p99_us give the median and
//                            the 99th percentile over all iterations
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/devices/device_map.h"
#include "service_object/comm/comm.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"
#include "virtual_printer/virtual_printer.h"

namespace {

enum Channel { kSerial = 0, kUsb = 1, kParallel = 2, kNetwork = 3 };
const char* const kChannelNames[] = {"serial", "usb", "parallel", "network"};

// Trace lines are not what is measured.
class NullLog : public CLog {
 public:
  void SetLevel(int32_t) override {}
  void Log(int32_t, int32_t, std::string, std::string) override {}
  void Log(int32_t, std::string, std::string) override {}
};

class NullReceiver : public CCommData {
 public:
  void ProcessCommData(const std::string&) override {}
};

// A temporary prefix for the process (the device map lives there).
class BenchPrefix {
 public:
  BenchPrefix() {
    std::string templ = (std::filesystem::temp_directory_path() / "qv-comm-bench-XXXXXX").string();
    if (::mkdtemp(templ.data()) != nullptr) {
      root_ = templ;
      ::setenv("QV_OPOS_ROOT", root_.c_str(), 1);
    }
  }
  ~BenchPrefix() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

 private:
  std::filesystem::path root_;
};

// The printer and one arbiter with one open, enabled channel of the kind.
class Rig {
 public:
  explicit Rig(Channel channel) : channel_(channel) {
    qvvp::PrinterEngine& engine = printer_.engine();
    engine.SetRecordInMemory(false);
    switch (channel) {
      case kSerial:
        ok_ = printer_.StartPty() == 0 &&
              qvplatform::DefineDosDevice("COM9", printer_.pty_path()) == 0;
        if (ok_) arbiter_.AddSerialDevice(kInterfaceSerial, "COM9", 115200, 8, 0, 0, 0, receiver_);
        break;
      case kUsb: {
        const std::string link = qvplatform::UsbPrinterLinkName(0x0fe6, 0x811e, "BENCH");
        ok_ =
            printer_.StartPty() == 0 && qvplatform::DefineDosDevice(link, printer_.pty_path()) == 0;
        if (ok_) {
          arbiter_.AddUsbDevice2(kInterfaceUsb,
                                 "\\\\?\\" + link + "#" + qvplatform::kGuidDevInterfaceUsbDevice,
                                 receiver_);
        }
        break;
      }
      case kParallel:
        ok_ = printer_.StartPty() == 0 &&
              qvplatform::DefineDosDevice("LPT3", printer_.pty_path()) == 0;
        if (ok_) arbiter_.AddLPTDevice(kInterfaceParallel, "LPT3:", receiver_);
        break;
      case kNetwork:
        ok_ = printer_.StartTcp("127.0.0.1", 0) == 0;
        if (ok_) {
          arbiter_.OpenReportChannel("127.0.0.1", std::to_string(printer_.tcp_port()), receiver_);
          auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
          while (!arbiter_.IsReportChannelConnected() &&
                 std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
          }
          ok_ = arbiter_.IsReportChannelConnected();
        }
        break;
    }
    arbiter_.SetCommEnabled(1);
  }
  ~Rig() {
    if (channel_ == kNetwork) arbiter_.CloseReportChannel();
  }

  bool ok() const { return ok_; }
  qvvp::PrinterEngine& engine() { return printer_.engine(); }
  bool Write(const Cmd& cmd) { return WriteCmdByInterface(arbiter_, InterfaceIndex(), cmd); }

 private:
  int32_t InterfaceIndex() const {
    switch (channel_) {
      case kSerial: return kInterfaceSerial;
      case kUsb: return kInterfaceUsb;
      case kParallel: return kInterfaceParallel;
      default: return kInterfaceNetwork;
    }
  }

  Channel channel_;
  bool ok_ = false;
  qvvp::VirtualPrinter printer_;
  NullReceiver receiver_;
  CCommArbiter arbiter_;  // last: its channels go first
};

std::string ReceiptText(size_t size) {
  std::string text;
  text.reserve(size);
  const std::string line = "ITEM 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ       12.34\n";
  while (text.size() + line.size() <= size) text += line;
  text.append(size - text.size(), '\n');
  return text;
}

void BM_Throughput(benchmark::State& state) {
  const Channel channel = static_cast<Channel>(state.range(0));
  state.SetLabel(kChannelNames[channel]);
  Rig rig(channel);
  if (!rig.ok()) {
    state.SkipWithError("channel did not open");
    return;
  }
  const size_t size = 1 << 20;
  EscCmd job;
  job.Append(ReceiptText(size));
  for (auto _ : state) {
    const uint64_t target = rig.engine().bytes_parsed() + size;
    auto start = std::chrono::steady_clock::now();
    if (!rig.Write(job) || !rig.engine().WaitForBytesParsed(target, 60000)) {
      state.SkipWithError("job did not arrive");
      return;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_Latency(benchmark::State& state) {
  const Channel channel = static_cast<Channel>(state.range(0));
  state.SetLabel(kChannelNames[channel]);
  Rig rig(channel);
  if (!rig.ok()) {
    state.SkipWithError("channel did not open");
    return;
  }
  EscCmd line;
  line.Append(std::string("TOTAL 12.34\n"));
  const uint64_t size = static_cast<uint64_t>(line.Length());
  std::vector<double> samples;
  for (auto _ : state) {
    const uint64_t target = rig.engine().bytes_parsed() + size;
    auto start = std::chrono::steady_clock::now();
    if (!rig.Write(line) || !rig.engine().WaitForBytesParsed(target, 10000)) {
      state.SkipWithError("line did not arrive");
      return;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    samples.push_back(seconds * 1e6);
  }
  if (samples.empty()) return;
  std::sort(samples.begin(), samples.end());
  auto at = [&](double q) {
    size_t index = static_cast<size_t>(q * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(index, samples.size() - 1)];
  };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
}

BENCHMARK(BM_Throughput)
    ->DenseRange(kSerial, kNetwork)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Latency)
    ->DenseRange(kSerial, kNetwork)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  BenchPrefix prefix;
  NullLog log;
  SetLogForTesting(&log);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SetLogForTesting(nullptr);
  return 0;
}
