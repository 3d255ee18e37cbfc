// Fuzz target: the ESC/POS parser and the receipt renderer on any byte
// stream, split into reads at a size taken from the input. Checks that every
// image is as wide as the paper and no longer than the limit, and that
// nothing crashes or grows without bound (AddressSanitizer and libFuzzer's
// memory limit watch the rest).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "virtual_printer/escpos_parser.h"
#include "virtual_printer/render/receipt_renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string error;
  qvvp::CReceiptFonts* fonts = qvvp::CReceiptFonts::Shared(&error);
  if (fonts == nullptr) {
    std::fprintf(stderr, "render fuzz: %s\n", error.c_str());
    std::abort();
  }
  // Small limits keep each run fast; the bounds are the same code.
  qvvp::RenderLimits limits;
  limits.maxImageHeight = 600;
  limits.maxPageHeight = 400;
  auto check = [&limits](qvvp::RenderedReceipt&& receipt) {
    if (receipt.image.width() != qvvp::CReceiptRenderer::kPaperWidth ||
        receipt.image.height() > limits.maxImageHeight) {
      std::abort();
    }
  };
  qvvp::CReceiptRenderer renderer(fonts, check, limits);
  qvvp::EscPosParser parser(
      [&renderer](qvvp::ParsedCommand&& command) { renderer.Consume(command); }, 1u << 20);
  const size_t chunk = 1 + data[0] % 64;
  ++data;
  --size;
  for (size_t i = 0; i < size; i += chunk) parser.Feed(data + i, std::min(chunk, size - i));
  qvvp::RenderedReceipt unfinished = renderer.Unfinished();
  if (unfinished.image.height() > limits.maxImageHeight) std::abort();
  renderer.FinishUnfinished();
  return 0;
}
