// Speed of the trace log on the submitting thread and of one configuration
// read. Targets: a Log call below the threshold under 50 ns, above it under
// 1 us; reading one value (open, read, close) under 50 us.
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/registry/registry.h"
#include "service_object/core/file_log.h"
#include "service_object/core/opos_reg_key.h"

namespace {

// A temporary directory for the run, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qv-core-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

// The caller's usual work: a short detail line built from literals.
void BM_LogBelowThreshold(benchmark::State& state) {
  TempDir dir;
  CFileLog log(dir.path() / "trace.log");
  log.SetLevel(4);
  for (auto _ : state) {
    log.Log(5, "CDevice", "    | pRC: 0");
  }
}
BENCHMARK(BM_LogBelowThreshold);

// A text too long for the string's inline buffer: the call includes the
// allocation of the caller's text.
void BM_LogBelowThresholdLongText(benchmark::State& state) {
  TempDir dir;
  CFileLog log(dir.path() / "trace.log");
  log.SetLevel(4);
  for (auto _ : state) {
    log.Log(5, "QVCOposPrinter", "    | Creating  Report Channel (client sockets)...");
  }
}
BENCHMARK(BM_LogBelowThresholdLongText);

// Accepted lines: queued under the lock and the writer woken. The writer
// is slower than the submitter, so the log is replaced (its destructor
// writes what is pending) every few thousand lines, outside the timing.
void BM_LogAboveThreshold(benchmark::State& state) {
  TempDir dir;
  auto log = std::make_unique<CFileLog>(dir.path() / "trace.log");
  log->SetLevel(6);
  int64_t sinceRestart = 0;
  for (auto _ : state) {
    log->Log(5, "QVCOposPrinter", "    | pRC: 0");
    if (++sinceRestart == 4096) {
      state.PauseTiming();
      log.reset();
      std::filesystem::remove(dir.path() / "trace.log");
      log = std::make_unique<CFileLog>(dir.path() / "trace.log");
      log->SetLevel(6);
      sinceRestart = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_LogAboveThreshold);

void BM_RegKeyReadString(benchmark::State& state) {
  TempDir prefix;
  ::setenv("QV_OPOS_ROOT", prefix.path().c_str(), 1);
  {
    qvplatform::RegKey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                    "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk", KEY_ALL_ACCESS,
                    key.receive(), nullptr);
    RegSetValueExA(key.get(), "IOType", REG_SZ, reinterpret_cast<const BYTE*>("USB"), 4);
    RegSetValueExA(key.get(), "BaudRate", REG_SZ, reinterpret_cast<const BYTE*>("19200"), 6);
  }
  COposRegKey reader("POSPrinter", "Front Desk");
  if (reader.GetString("IOType") != "USB") state.SkipWithError("value not stored");
  for (auto _ : state) {
    benchmark::DoNotOptimize(reader.GetString("IOType"));
  }
  ::unsetenv("QV_OPOS_ROOT");
}
BENCHMARK(BM_RegKeyReadString);

void BM_RegKeyReadNumber(benchmark::State& state) {
  TempDir prefix;
  ::setenv("QV_OPOS_ROOT", prefix.path().c_str(), 1);
  {
    qvplatform::RegKey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                    "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk", KEY_ALL_ACCESS,
                    key.receive(), nullptr);
    RegSetValueExA(key.get(), "BaudRate", REG_SZ, reinterpret_cast<const BYTE*>("19200"), 6);
  }
  COposRegKey reader("POSPrinter", "Front Desk");
  if (reader.GetNumber("BaudRate") != 19200) state.SkipWithError("value not stored");
  for (auto _ : state) {
    benchmark::DoNotOptimize(reader.GetNumber("BaudRate"));
  }
  ::unsetenv("QV_OPOS_ROOT");
}
BENCHMARK(BM_RegKeyReadNumber);

}  // namespace

BENCHMARK_MAIN();
