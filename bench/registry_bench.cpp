// Open + query + close of one REG_SZ value, narrow and wide, in a fresh
// temporary prefix. Target: well under 50 microseconds per read.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/registry/registry.h"

namespace {

constexpr char kKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt Printer";

// A temporary prefix holding one printer key, for the life of the program.
class BenchPrefix {
 public:
  BenchPrefix() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qvopos-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    ::setenv("QV_OPOS_ROOT", root_.c_str(), 1);
    qvplatform::RegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key.receive(), nullptr) !=
        ERROR_SUCCESS) {
      std::abort();
    }
    static const char kValue[] = "COM1";
    RegSetValueExA(key.get(), "Serial Port", REG_SZ, reinterpret_cast<const BYTE*>(kValue),
                   sizeof kValue);
    for (int i = 0; i < 50; ++i) {  // a realistically filled key
      std::string name = "Value" + std::to_string(i);
      RegSetValueExA(key.get(), name.c_str(), REG_SZ, reinterpret_cast<const BYTE*>(kValue),
                     sizeof kValue);
    }
  }
  ~BenchPrefix() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

 private:
  std::filesystem::path root_;
};

BenchPrefix& Prefix() {
  static BenchPrefix prefix;
  return prefix;
}

void BM_OpenQueryCloseA(benchmark::State& state) {
  Prefix();
  for (auto _ : state) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      state.SkipWithError("open failed");
      break;
    }
    BYTE data[2048] = {};
    DWORD type = 0;
    DWORD size = sizeof data;
    LSTATUS status = RegQueryValueExA(key, "Serial Port", &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ || size != 5) {
      state.SkipWithError("query failed");
      break;
    }
    benchmark::DoNotOptimize(data);
  }
}
BENCHMARK(BM_OpenQueryCloseA)->Unit(benchmark::kMicrosecond);

void BM_OpenQueryCloseW(benchmark::State& state) {
  Prefix();
  const std::u16string key_path(std::begin(kKey), std::end(kKey) - 1);
  for (auto _ : state) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      state.SkipWithError("open failed");
      break;
    }
    BYTE data[4096] = {};
    DWORD size = sizeof data;
    LSTATUS status = RegQueryValueExW(key, u"Serial Port", nullptr, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || size != 10) {
      state.SkipWithError("query failed");
      break;
    }
    benchmark::DoNotOptimize(data);
  }
}
BENCHMARK(BM_OpenQueryCloseW)->Unit(benchmark::kMicrosecond);

// A value that is not there: the path the readers take for optional values.
void BM_QueryMissingValue(benchmark::State& state) {
  Prefix();
  for (auto _ : state) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      state.SkipWithError("open failed");
      break;
    }
    DWORD size = 0;
    LSTATUS status = RegQueryValueExA(key, "USBPort", nullptr, nullptr, &size);
    RegCloseKey(key);
    if (status != ERROR_FILE_NOT_FOUND) {
      state.SkipWithError("unexpected status");
      break;
    }
  }
}
BENCHMARK(BM_QueryMissingValue)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
