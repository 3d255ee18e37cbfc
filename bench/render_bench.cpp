// Speed of the virtual printer's receipt renderer.
//
//   BM_RenderReceipt40Lines    the 40-line receipt of the print benchmark, as
//                              the service object sends it (print prefix,
//                              translated escape sequences), then a cut: the
//                              renderer's time per receipt. Target: 2 ms.
//   BM_ParseAndRenderReceipt   the same with the parser in front.
//   BM_RenderSidewaysReceipt   the sample receipt's shape: 14 lines and a UPC-A
//                              in a sideways page-mode page (512 x 1152).
//   BM_RenderRaster576x1600    a 576 x 1600 raster picture (GS v 0) and a cut.
//                              Target: 3 ms.
//   BM_WriteReceiptPng         writing the 40-line receipt's image as a PNG.
//   BM_TcpStream/R/I           2000 receipts (each with a cut) sent over
//                              loopback TCP to a virtual printer without (R 0)
//                              and with (R 1) rendering, one every I us (0: as
//                              soon as the last is parsed); the time is from
//                              a receipt's first byte sent until the printer
//                              has parsed its last: rendering must not slow
//                              it. With rendering the counters say how far
//                              the renderer trailed (most bytes queued),
//                              how long it took to finish after the loop,
//                              how many receipts it drew and what it lost.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/net/tcp_socket.h"
#include "virtual_printer/render/png_file.h"
#include "virtual_printer/render/receipt_renderer.h"
#include "virtual_printer/render/render_service.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using qvvp::ParsedCommand;

void Append(Bytes* out, std::initializer_list<int> bytes) {
  out->insert(out->end(), bytes.begin(), bytes.end());
}
void Append(Bytes* out, const std::string& text) {
  out->insert(out->end(), text.begin(), text.end());
}

// ESC = 1, ESC a 0, GS L 0 0, ESC { 0, ESC t 0, ESC R 0, FS &, GS ! 0, FS 3 30.
void PrintPrefix(Bytes* out) {
  Append(out, {0x1B, 0x3D, 1,    0x1B, 0x61, 0,    0x1D, 0x4C, 0,    0, 0x1B, 0x7B, 0,   0x1B,
               0x74, 0,    0x1B, 0x52, 0,    0x1C, 0x26, 0x1D, 0x21, 0, 0x1C, 0x33, 0x1E});
}

// PrintNormal of the print benchmark's receipt, "Item N  ESC|bCQV StoreESC|N
// price", as translated, then CutPaper(100).
Bytes Receipt40Lines() {
  Bytes out;
  PrintPrefix(&out);
  for (int line = 1; line <= 40; ++line) {
    Append(&out, "Item " + std::to_string(line) + "  ");
    Append(&out, {0x1B, 0x47, 1});
    Append(&out, "QV Store");
    Append(&out, {0x1B, 0x4A, 0, 0x1D, 0x21, 0});
    Append(&out, "  " + std::to_string(line * 125 / 100) + ".25\n");
  }
  Append(&out, {0x1B, 0x69});
  return out;
}

// The sample receipt's shape: a sideways page (ESC T 1) of 14 lines and a
// UPC-A, then the feed to the cutter and the cut.
Bytes SidewaysReceipt() {
  Bytes out;
  PrintPrefix(&out);
  Append(&out, {0x1B, 0x4C, 0x1B, 0x57, 0,    0,    0, 0,    0,    2, 0x80, 4,    0x1B,
                0x54, 0x31, 0x1C, 0x26, 0x1B, 0x74, 0, 0x1B, 0x52, 0, 0x1B, 0x4A, 21});
  Append(&out, {0x1D, 0x21, 0x11, 0x1B, 0x47, 1});
  Append(&out, "Receipt\n");
  Append(&out, {0x1B, 0x47, 0, 0x1D, 0x21, 0});
  const char* lines[] = {"                             December 10, 2026",
                         "No.             Receiver             Time",
                         "0013            0031                 PM 12:35",
                         "---------------------------------------------",
                         "Dairy(020217)                          $28.00",
                         "Frozen(020219)                         $12.00",
                         "---------------------------------------------",
                         "Subtotal                               $40.00",
                         "Sales Tax                               $1.80",
                         "Total                                  $41.80",
                         "Payment                                $50.00",
                         "Change                                  $8.20",
                         "---------------------------------------------"};
  for (const char* line : lines) Append(&out, std::string(line) + "\n");
  Append(&out, {0x1B, 0x64, 1, 0x1B, 0x61, 1, 0x1D, 0x48, 2, 0x1D, 0x68, 40, 0x1D, 0x6B, 0x41, 12});
  Append(&out, "123456789012");
  Append(&out, {0x0C, 0x1B, 0x64, 5, 0x1B, 0x69});
  return out;
}

Bytes Raster576x1600() {
  Bytes out = {0x1D, 0x76, 0x30, 0, 72, 0, 0x40, 0x06};
  std::mt19937 random(1600);
  for (int i = 0; i < 72 * 1600; ++i) out.push_back(static_cast<uint8_t>(random()));
  Append(&out, {0x1B, 0x69});
  return out;
}

std::vector<ParsedCommand> Parse(const Bytes& stream) {
  std::vector<ParsedCommand> commands;
  qvvp::EscPosParser parser(
      [&](ParsedCommand&& command) { commands.push_back(std::move(command)); },
      qvvp::CRenderService::kMaxCommandBytes);
  parser.Feed(stream.data(), stream.size());
  return commands;
}

qvvp::CReceiptFonts* Fonts(benchmark::State& state) {
  std::string error;
  qvvp::CReceiptFonts* fonts = qvvp::CReceiptFonts::Shared(&error);
  if (fonts == nullptr) state.SkipWithError(error.c_str());
  return fonts;
}

// Renders the pre-parsed commands of one receipt per iteration.
void RenderCommands(benchmark::State& state, const Bytes& stream) {
  qvvp::CReceiptFonts* fonts = Fonts(state);
  if (fonts == nullptr) return;
  const std::vector<ParsedCommand> commands = Parse(stream);
  uint64_t images = 0;
  qvvp::CReceiptRenderer renderer(fonts, [&](qvvp::RenderedReceipt&&) { ++images; });
  for (const ParsedCommand& command : commands) renderer.Consume(command);  // warms the glyphs
  for (auto _ : state) {
    for (const ParsedCommand& command : commands) renderer.Consume(command);
  }
  state.counters["images"] = static_cast<double>(images);
}

void BM_RenderReceipt40Lines(benchmark::State& state) { RenderCommands(state, Receipt40Lines()); }
BENCHMARK(BM_RenderReceipt40Lines)->Unit(benchmark::kMicrosecond);

void BM_RenderSidewaysReceipt(benchmark::State& state) { RenderCommands(state, SidewaysReceipt()); }
BENCHMARK(BM_RenderSidewaysReceipt)->Unit(benchmark::kMicrosecond);

void BM_RenderRaster576x1600(benchmark::State& state) { RenderCommands(state, Raster576x1600()); }
BENCHMARK(BM_RenderRaster576x1600)->Unit(benchmark::kMicrosecond);

void BM_ParseAndRenderReceipt(benchmark::State& state) {
  qvvp::CReceiptFonts* fonts = Fonts(state);
  if (fonts == nullptr) return;
  const Bytes stream = Receipt40Lines();
  qvvp::CReceiptRenderer renderer(fonts, [](qvvp::RenderedReceipt&&) {});
  qvvp::EscPosParser parser([&](ParsedCommand&& command) { renderer.Consume(command); },
                            qvvp::CRenderService::kMaxCommandBytes);
  for (auto _ : state) parser.Feed(stream.data(), stream.size());
}
BENCHMARK(BM_ParseAndRenderReceipt)->Unit(benchmark::kMicrosecond);

void BM_WriteReceiptPng(benchmark::State& state) {
  std::vector<qvvp::RenderedReceipt> images;
  std::string error;
  const Bytes stream = Receipt40Lines();
  if (!qvvp::RenderStream(stream.data(), stream.size(), qvvp::RenderLimits(), &images, nullptr,
                          &error) ||
      images.empty()) {
    state.SkipWithError("the receipt did not render");
    return;
  }
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("qv-render-bench-" + std::to_string(getpid()) + ".png");
  for (auto _ : state) {
    if (!qvvp::WritePng(images[0], file, &error)) state.SkipWithError(error.c_str());
  }
  state.counters["png_bytes"] = static_cast<double>(std::filesystem::file_size(file));
  std::filesystem::remove(file);
}
BENCHMARK(BM_WriteReceiptPng)->Unit(benchmark::kMicrosecond);

// Args: rendering (0 or 1), and the time from one receipt to the next in
// microseconds (0: each as soon as the last is parsed).
void BM_TcpStream(benchmark::State& state) {
  const bool rendering = state.range(0) != 0;
  const auto interval = std::chrono::microseconds(state.range(1));
  qvvp::VirtualPrinter printer;
  std::unique_ptr<qvvp::CRenderService> render;
  if (rendering) {
    std::string error;
    qvvp::RenderOptions options;
    options.keepInMemory = false;
    render = qvvp::CRenderService::Start(options, &error);
    if (!render) {
      state.SkipWithError(error.c_str());
      return;
    }
    render->Attach(printer.engine());
  }
  printer.engine().SetRecordInMemory(false);
  std::vector<sockaddr_in> addresses;
  qvplatform::TcpSocket client;
  if (printer.StartTcp("127.0.0.1", 0) != 0 ||
      qvplatform::ResolveTcp4("127.0.0.1", std::to_string(printer.tcp_port()), &addresses) != 0 ||
      client.Connect(addresses[0], 2000) != 0) {
    state.SkipWithError("no connection to the virtual printer");
    return;
  }
  const Bytes stream = Receipt40Lines();
  uint64_t sent = 0;
  double trailing = 0;
  auto next = std::chrono::steady_clock::now();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (client.Send(stream.data(), stream.size(), 5000, nullptr) != 0 ||
        !printer.engine().WaitForBytesParsed(sent + stream.size(), 5000)) {
      state.SkipWithError("the printer did not take the receipt");
      break;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    sent += stream.size();
    if (rendering) trailing = std::max(trailing, static_cast<double>(render->backlog()));
    next += interval;
    if (interval.count() > 0) std::this_thread::sleep_until(next);
  }
  if (rendering) {
    const auto start = std::chrono::steady_clock::now();
    render->WaitIdle(60000);
    const double finish =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const qvvp::RenderStats stats = render->stats();
    state.counters["most_queued_bytes"] = trailing;
    state.counters["finish_after_loop_ms"] = finish;
    state.counters["receipts_rendered"] = static_cast<double>(stats.images);
    state.counters["bytes_lost"] = static_cast<double>(stats.lostBytes);
  }
  state.counters["receipts_sent"] = static_cast<double>(sent / stream.size());
}
// As fast as the printer parses, and one receipt every 135 us (the median
// PrintNormal of printer_bench's 40-line receipt, measured from Invoke until
// parsed), for 2000 receipts each.
BENCHMARK(BM_TcpStream)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 135})
    ->Args({1, 135})
    ->Iterations(2000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
