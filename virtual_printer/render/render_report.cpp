#include "virtual_printer/render/render_report.h"

#include "virtual_printer/render/png_file.h"

#include <cstdio>

namespace qvvp {

namespace {

void WriteLine(const std::string& line) {
  const std::string whole = line + "\n";
  std::fwrite(whole.data(), 1, whole.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

std::unique_ptr<CRenderService> StartRenderingTo(const std::string& directory,
                                                 PrinterEngine& engine, std::string* error) {
  RenderOptions options;
  options.directory = directory;
  options.keepInMemory = false;
  options.onWritten = [](const std::filesystem::path& file, const RenderedReceipt& receipt) {
    std::string line = file.empty() ? "render (no paper)"
                                    : "render " + file.string() + " " +
                                          std::to_string(receipt.image.width()) + "x" +
                                          std::to_string(receipt.image.height());
    for (const std::string& note : receipt.notes) line += "; " + note;
    WriteLine(line);
  };
  options.onError = [](const std::string& reason) { WriteLine("render error: " + reason); };
  std::unique_ptr<CRenderService> service = CRenderService::Start(std::move(options), error);
  if (service) service->Attach(engine);
  return service;
}

std::string SaveFirstReceipt(CRenderService& service, const std::filesystem::path& file) {
  constexpr int64_t kWaitMs = 10000;
  if (!service.WaitIdle(kWaitMs)) return "the renderer did not finish in time";
  std::vector<RenderedReceipt> images = service.Images();
  RenderedReceipt receipt = images.empty() ? service.Unfinished(kWaitMs) : std::move(images[0]);
  if (receipt.image.empty()) return "nothing was printed";
  std::string error;
  return WritePng(receipt, file, &error) ? std::string() : error;
}

std::string RenderSummary(const RenderStats& stats) {
  std::string names;
  for (const auto& [name, count] : stats.notRenderedByName) {
    names += (names.empty() ? "" : ", ") + name + " x" + std::to_string(count);
  }
  return "render: " + std::to_string(stats.images) + " images, " +
         std::to_string(stats.notRendered) + " commands drawn as nothing" +
         (names.empty() ? "" : " (" + names + ")") + ", " + std::to_string(stats.refusedSymbols) +
         " symbols refused, " + std::to_string(stats.lostBytes) + " bytes lost";
}

}  // namespace qvvp
