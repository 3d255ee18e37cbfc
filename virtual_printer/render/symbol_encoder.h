// Barcode, QR code and PDF417 symbols as module grids, encoded by libzint
// from the very bytes a printer command carried, read the way an ESC/POS
// printer reads them:
//   GS k systems 0..6 (NUL-terminated form) and 65..73 (counted form):
//   UPC-A 11/12 digits; UPC-E 6/7/8 digits, or 11/12 as UPC-A digits that
//   zero-suppress (number system 0); EAN-13 12/13 and EAN-8 7/8 digits (the
//   last one, when present, must be the right check digit); Code 39 with
//   optional * start and stop; ITF an even number of digits; Codabar with
//   A..D start and stop; Code 93; Code 128 with the code-set selections
//   {A {B {C (code set C takes byte values 0..99), {S (shift) and {{.
//   Function codes {1..{4 are not drawn.
// Data a printer would refuse gives false with the reason, and no symbol.
//
// A module grid is a CDotImage with one dot per module (columns x rows);
// the renderer enlarges it to the module width and height it was told.
// Thread-safe (libzint keeps no global state).
#ifndef QV_VIRTUAL_PRINTER_RENDER_SYMBOL_ENCODER_H_
#define QV_VIRTUAL_PRINTER_RENDER_SYMBOL_ENCODER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "virtual_printer/render/dot_image.h"

namespace qvvp {

struct EncodedSymbol {
  CDotImage modules;  // columns x rows, 1 = dark module
  std::string hri;    // human readable text of a linear symbol (UTF-8)
};

bool EncodeLinear(int system, const std::vector<uint8_t>& data, EncodedSymbol* symbol,
                  std::string* error);

// QR: model 49 (model 1), 50 (model 2) or 51 (Micro QR); error level 48..51
// (L, M, Q, H); version 0 chooses the smallest that fits.
struct QrOptions {
  int model = 50;
  int errorLevel = 48;
  int version = 0;
};
bool EncodeQr(const std::vector<uint8_t>& data, const QrOptions& options, EncodedSymbol* symbol,
              std::string* error);

// PDF417: 0 columns or rows chooses them; error level 0..8, or -1 to choose
// it from the data length; truncated drops the right-hand row indicators.
struct Pdf417Options {
  int columns = 0;
  int rows = 0;
  int errorLevel = -1;
  bool truncated = false;
};
bool EncodePdf417(const std::vector<uint8_t>& data, const Pdf417Options& options,
                  EncodedSymbol* symbol, std::string* error);

// The UPC-E digits (number system, six digits, check digit) of the UPC-A
// digits `upcA` (11 without or 12 with the check digit); false when they do
// not zero-suppress.
bool UpcAToUpcE(const std::string& upcA, std::string* upcE);

// The characters a Code 128 command's data encodes (its code-set
// selections resolved); false with the reason when a printer would refuse
// it.
bool Code128Content(const std::vector<uint8_t>& data, std::string* content, std::string* error);

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_SYMBOL_ENCODER_H_
