// Writes a rendered receipt as a PNG file through libpng: one bit a dot,
// black print on white paper, 203 dots an inch (8000 a metre) in its pHYs
// chunk, and the notes (drawer pulses, what was not drawn) as tEXt
// "Comment" chunks. The file appears whole: it is written under a
// temporary name and renamed.
//
// Thread-safe (no shared state).
#ifndef QV_VIRTUAL_PRINTER_RENDER_PNG_FILE_H_
#define QV_VIRTUAL_PRINTER_RENDER_PNG_FILE_H_

#include <filesystem>
#include <string>

#include "virtual_printer/render/rendered_receipt.h"

namespace qvvp {

// Returns false with the reason in `error`.
bool WritePng(const RenderedReceipt& receipt, const std::filesystem::path& file,
              std::string* error);

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_PNG_FILE_H_
