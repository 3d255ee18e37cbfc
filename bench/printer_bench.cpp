// Speed of the printer service object, driven like a control object drives
// it: libQVSO.so registered into a temporary prefix, the object created by
// ProgID and called only through IDispatch, the virtual printer on loopback
// TCP.
//
//   BM_PrintNormalReceipt  one PrintNormal of a 40-line receipt, from Invoke
//                          until the virtual printer has parsed every byte;
//                          reports the median and 99th percentile per call.
//   BM_StatusPollingCpu    an enabled, idle printer for QV_POLL_BENCH_SECONDS
//                          (default 60) seconds of real time, pumping its
//                          apartment; reports the processor time of the whole
//                          process (virtual printer included) as a percentage
//                          of one core. Target: under 0.1 %.
//
// Specified waits (claim, enable) run at QV_OPOS_TIME_SCALE, real time by
// default; the timings above contain none of them.
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/apartment/message_queue.h"
#include "platform/com/bstr.h"
#include "platform/com/interfaces.h"
#include "platform/com/runtime.h"
#include "platform/com/variant.h"
#include "platform/registry/registry.h"
#include "virtual_printer/virtual_printer.h"

namespace {

constexpr char kDeviceKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\BenchPrinter";
constexpr char kInfoKey[] = "SOFTWARE\\OLEforRetail\\ServiceInfo\\QV";

bool SetString(const char* key, const char* name, const std::string& value) {
  qvplatform::RegKey handle;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WRITE, handle.receive(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(handle.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// A registered server, a virtual printer and an enabled printer object in a
// temporary prefix. Lives on the benchmark's thread (its apartment).
class Session {
 public:
  Session() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qv-printer-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    m_root = pattern;
    ::setenv("QV_OPOS_ROOT", m_root.c_str(), 1);
    if (FAILED(CoInitialize(nullptr))) return;
    m_library = dlopen(QV_QVSO_PATH, RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr) return;
    auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(m_library, "DllRegisterServer"));
    if (registerServer == nullptr || registerServer() != S_OK) return;
    const std::string address = "127.0.93." + std::to_string(1 + getpid() % 250);
    if (m_printer.StartTcp(address, 9100) != 0) return;
    if (!SetString(kInfoKey, "LogVerbosity", "0") ||
        !SetString(kDeviceKey, nullptr, "QV.Opos.Printer") ||
        !SetString(kDeviceKey, "Model", "80") || !SetString(kDeviceKey, "IOType", "ENet") ||
        !SetString(kDeviceKey, "EthIPAddr", address)) {
      return;
    }
    CLSID clsid{};
    if (CLSIDFromProgID(u"QV.Opos.Printer", &clsid) != S_OK) return;
    if (CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                         reinterpret_cast<void**>(&m_dispatch)) != S_OK) {
      return;
    }
    if (Call(u"OpenService", {Str(u"POSPrinter"), Str(u"BenchPrinter"), Disp(nullptr)}) != 0 ||
        Call(u"ClaimDevice", {Long(1000)}) != 0) {
      return;
    }
    CallVoid(u"SetPropertyNumber", {Long(3), Long(1)});
    m_ready = Call(u"GetPropertyNumber", {Long(3)}) == 1;
  }

  ~Session() {
    if (m_dispatch != nullptr) {
      Call(u"CloseService", {});
      m_dispatch->Release();
    }
    m_printer.Stop();
    if (m_library != nullptr) dlclose(m_library);
    CoUninitialize();
    if (!m_root.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(m_root, ec);
    }
  }

  bool ready() const { return m_ready; }
  LONG ResultCode() { return Call(u"GetPropertyNumber", {Long(6)}); }
  qvvp::PrinterEngine& engine() { return m_printer.engine(); }

  static VARIANT Long(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
  }
  static VARIANT Str(const char16_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
  }
  static VARIANT Disp(IDispatch* dispatch) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = dispatch;
    return v;
  }

  DISPID IdOf(const char16_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    return id;
  }

  // Invokes `id` with `args` (declared order); the retval's long, or -1.
  LONG Invoke(DISPID id, std::vector<VARIANT> args) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    &result, nullptr, nullptr);
    for (VARIANT& arg : args) {
      if (arg.vt == VT_BSTR) VariantClear(&arg);
    }
    LONG value = (SUCCEEDED(hr) && result.vt == VT_I4) ? result.lVal : -1;
    VariantClear(&result);
    return value;
  }
  LONG Call(const char16_t* name, std::vector<VARIANT> args) {
    return Invoke(IdOf(name), std::move(args));
  }
  void CallVoid(const char16_t* name, std::vector<VARIANT> args) {
    Invoke(IdOf(name), std::move(args));
  }

 private:
  std::string m_root;
  void* m_library = nullptr;
  qvvp::VirtualPrinter m_printer;
  IDispatch* m_dispatch = nullptr;
  bool m_ready = false;
};

std::u16string Receipt() {
  std::u16string text;
  for (int line = 1; line <= 40; ++line) {
    std::string row = "Item " + std::to_string(line) + "  \x1b|bCQV Store\x1b|N  " +
                      std::to_string(line * 125 / 100) + ".25\n";
    text.append(row.begin(), row.end());
  }
  return text;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

void BM_PrintNormalReceipt(benchmark::State& state) {
  Session session;
  if (!session.ready()) {
    state.SkipWithError("the printer session could not be set up");
    return;
  }
  const DISPID printNormal = session.IdOf(u"PrintNormal");
  const std::u16string receipt = Receipt();
  // The receipt is parsed when the printer has seen its 40 line feeds.
  std::atomic<uint64_t> lineFeeds{0};
  session.engine().SetCommandObserver([&](const qvvp::ParsedCommand& command) {
    if (command.name == "LF") ++lineFeeds;
  });
  std::vector<double> micros;
  for (auto _ : state) {
    const uint64_t target = lineFeeds.load() + 40;
    auto start = std::chrono::steady_clock::now();
    session.Invoke(printNormal, {Session::Long(2), Session::Str(receipt.c_str())});
    if (!session.engine().WaitFor([&] { return lineFeeds.load() >= target; }, 5000)) {
      state.SkipWithError("the printer did not parse the receipt");
      break;
    }
    auto end = std::chrono::steady_clock::now();
    double us = std::chrono::duration<double, std::micro>(end - start).count();
    micros.push_back(us);
    state.SetIterationTime(us / 1e6);
  }
  state.counters["median_us"] = Percentile(micros, 0.5);
  state.counters["p99_us"] = Percentile(micros, 0.99);
}
BENCHMARK(BM_PrintNormalReceipt)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void BM_StatusPollingCpu(benchmark::State& state) {
  Session session;
  if (!session.ready()) {
    state.SkipWithError("the printer session could not be set up");
    return;
  }
  double seconds = 60;
  if (const char* value = getenv("QV_POLL_BENCH_SECONDS")) seconds = std::max(1.0, atof(value));
  double cpuPercent = 0;
  uint64_t requests = 0;
  for (auto _ : state) {
    const uint64_t firstRequests = session.engine().status_requests();
    const double cpuStart = ProcessCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) qvplatform::WaitAndPump(1000);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpuPercent = (ProcessCpuSeconds() - cpuStart) / wall * 100.0;
    requests = session.engine().status_requests() - firstRequests;
  }
  state.counters["cpu_percent_of_core"] = cpuPercent;
  state.counters["status_requests"] = static_cast<double>(requests);
}
BENCHMARK(BM_StatusPollingCpu)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
