// Test support: reads barcodes, QR codes and PDF417 symbols back out of
// rendered paper with ZXing-C++, a decoder independent of the encoder that
// drew them, and measures them in dots; reads PNG files back with
// stb_image, independent of the libpng writer.
//
// Reading stops at the first symbol found: the ZXing-C++ 1.4 of Debian 12
// fails an assertion (and aborts) while merging the scan lines of some
// linear symbols when it looks for more (its issue 740, fixed in 2.x).
//
// Thread-safe (no shared state).
#ifndef QV_VIRTUAL_PRINTER_RENDER_SYMBOL_READER_H_
#define QV_VIRTUAL_PRINTER_RENDER_SYMBOL_READER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "virtual_printer/render/dot_image.h"

namespace qvvp::test {

struct Point {
  int x = 0;
  int y = 0;
};

struct ReadSymbol {
  std::string format;          // ZXing's name: "UPC-A", "QRCode", "Code128", ...
  std::string text;            // as ZXing reads it (UTF-8)
  std::vector<uint8_t> bytes;  // the symbol's raw content
  Point corners[4];            // top-left, top-right, bottom-right, bottom-left, in paper dots
};

// The first symbol ZXing finds on the paper (read on a white margin, turned
// any way), or nothing.
std::optional<ReadSymbol> ReadFirstSymbol(const CDotImage& paper);

// The narrowest bar or space on the line through the middle of a linear
// symbol, from its start edge to its stop edge: its module width in dots.
int NarrowestElement(const CDotImage& paper, const ReadSymbol& symbol);
// The narrowest run of equal dots in any row (or, for `columns`, any
// column) inside the symbol's corners: a 2D symbol's module size.
int NarrowestRun(const CDotImage& paper, const ReadSymbol& symbol, bool columns);
// How long the bars of a linear symbol are, in dots: the longest run of
// printed dots across the middle line, at the middle line's bars.
int BarLength(const CDotImage& paper, const ReadSymbol& symbol);

// A PNG file (a receipt written by the renderer) read back through
// stb_image, dark pixels as printed dots; nothing when it cannot be read.
std::optional<CDotImage> ReadPngDots(const std::string& file);

// The check every symbol test makes: the paper holds a symbol of `format`,
// reading `text`, whose narrowest element is `module` dots and,
// for a linear symbol (`bars` not 0), whose bars are `bars` dots long.
// Returns what differs; empty when everything agrees.
std::string CheckOneSymbol(const CDotImage& paper, const std::string& format,
                           const std::string& text, int module, int bars);

}  // namespace qvvp::test

#endif  // QV_VIRTUAL_PRINTER_RENDER_SYMBOL_READER_H_
