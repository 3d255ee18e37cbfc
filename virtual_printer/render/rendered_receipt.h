// What the renderer hands out: one picture of paper per cut, and the
// counters of what it could not draw.
#ifndef QV_VIRTUAL_PRINTER_RENDER_RENDERED_RECEIPT_H_
#define QV_VIRTUAL_PRINTER_RENDER_RENDERED_RECEIPT_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "virtual_printer/render/dot_image.h"

namespace qvvp {

struct RenderedReceipt {
  enum class End {
    kFullCut,
    kPartialCut,
    kRollLimit,   // the image reached its longest length; the paper goes on in the next one
    kUnfinished,  // no cut yet (asked for, or the printer stopped)
  };
  uint64_t number = 0;  // 1, 2, ... in the order the paper left the printer
  CDotImage image;      // the paper's full width; row 0 left the printer first
  End end = End::kUnfinished;
  // Things beside the paper: drawer pulses, symbols a printer refuses,
  // commands drawn as nothing. Each with the dot row where it happened.
  std::vector<std::string> notes;
};

struct RenderStats {
  uint64_t commands = 0;  // commands (and text runs) rendered or looked at
  uint64_t images = 0;    // images finished (cut or roll limit)
  // Commands drawn as nothing because the renderer does not know them, by
  // name ("ESC ?", "GS ( L", ...).
  uint64_t notRendered = 0;
  std::map<std::string, uint64_t> notRenderedByName;
  // Barcodes, QR codes and PDF417 symbols whose data a printer refuses.
  uint64_t refusedSymbols = 0;
  // Bytes lost before rendering because the renderer fell too far behind.
  uint64_t lostBytes = 0;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_RENDERED_RECEIPT_H_
