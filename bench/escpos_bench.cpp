// Translation of a typical receipt and picture-to-dots conversion.
//
//   escpos_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only
//
// Targets: translation at least 200 MB/s; a 576 x 1600 24-bit picture in
// under 5 ms; 1152 x 3200 rescaled to 576 wide in under 25 ms (medians).
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/escape_translator.h"
#include "service_object/printer/picture_dots.h"

namespace {

// Trace lines are dropped, as the process log does at verbosity 0 after the
// caller has built them.
class DroppingLog : public CLog {
 public:
  void SetLevel(int32_t) override {}
  void Log(int32_t, int32_t, std::string, std::string) override {}
  void Log(int32_t, std::string, std::string) override {}
};

// A 40-line receipt: header centred in double size and bold, items with
// some bold and underlined amounts, totals, a feed and a cut.
std::string Receipt() {
  const std::string esc = "\x1B|";
  std::string r;
  r += esc + "cA" + esc + "4C" + esc + "bC" + "QV MARKET" + esc + "N\n";
  r += esc + "cA" + "12 High Street, Springfield\n";
  r += esc + "cA" + "Tel. 555-0100   VAT 123456789\n";
  r += esc + "cA" + "2026-12-10 14:32   Till 3   #004711\n";
  r += "------------------------------------------\n";
  for (int i = 0; i < 28; ++i) {
    std::string item = "Item " + std::to_string(100 + i) + " fresh produce 1kg";
    item.resize(32, ' ');
    std::string price = std::to_string(1 + i % 9) + "." + std::to_string(10 + i * 3 % 90);
    if (i % 4 == 0) {
      r += esc + "bC" + item + price + esc + "N\n";
    } else if (i % 7 == 0) {
      r += item + esc + "uC" + price + esc + "N\n";
    } else {
      r += item + "  " + price + "\n";
    }
  }
  r += "------------------------------------------\n";
  r += esc + "bC" + esc + "2C" + "TOTAL                  EUR 123.45" + esc + "N\n";
  r += "Cash                       EUR 150.00\n";
  r += "Change                      EUR 26.55\n";
  r += esc + "cA" + "Thank you for shopping with us!\n";
  r += esc + "3lF";
  r += esc + "100fP";
  return r;
}

void BM_TranslateReceipt(benchmark::State& state) {
  DroppingLog log;
  CLog* previous = SetLogForTesting(&log);
  const std::string receipt = Receipt();
  EscCmd cmd;
  for (auto _ : state) {
    cmd.Clear();
    CEscapeTranslator translator(1);
    benchmark::DoNotOptimize(translator.Translate(receipt, cmd));
    benchmark::DoNotOptimize(cmd.Data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(receipt.size()));
  state.counters["receipt_bytes"] = double(receipt.size());
  SetLogForTesting(previous);
}
BENCHMARK(BM_TranslateReceipt);

struct Picture {
  std::vector<BYTE> bits;
  qvplatform::DibDescription dib;
};

// A 24-bit picture with smooth gradients and noise.
Picture MakePicture(LONG width, LONG height) {
  Picture p;
  p.dib.width = width;
  p.dib.height = height;
  p.dib.bits_per_pixel = 24;
  p.dib.width_bytes = (width * 3 + 3) / 4 * 4;
  p.bits.resize(size_t(p.dib.width_bytes) * size_t(height));
  std::mt19937 rng(1);
  for (LONG y = 0; y < height; ++y) {
    BYTE* row = p.bits.data() + size_t(y) * size_t(p.dib.width_bytes);
    for (LONG x = 0; x < width; ++x) {
      row[3 * x] = BYTE((x * 255) / width);
      row[3 * x + 1] = BYTE((y * 255) / height);
      row[3 * x + 2] = BYTE(rng());
    }
  }
  p.dib.bits = p.bits;
  return p;
}

void BM_PictureToDots(benchmark::State& state) {
  const LONG width = LONG(state.range(0)), height = LONG(state.range(1));
  const LONG dots = LONG(state.range(2));
  Picture p = MakePicture(width, height);
  for (auto _ : state) {
    EscCmd cmd;
    benchmark::DoNotOptimize(cmd.AppendRasterImage(p.dib, dots));
    benchmark::DoNotOptimize(cmd.Data());
  }
}
BENCHMARK(BM_PictureToDots)
    ->Args({576, 1600, 576})
    ->Args({1152, 3200, 576})
    ->Unit(benchmark::kMillisecond);

}  // namespace
