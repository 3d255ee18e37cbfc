// The picture commands of CReceiptRenderer: raster images, bit images,
// barcodes and 2D symbols.
#include <algorithm>
#include <cstring>

#include "virtual_printer/render/command_bytes.h"
#include "virtual_printer/render/receipt_renderer.h"

namespace qvvp {

namespace {

constexpr int kHriGap = 2;  // dots between the bars and the human readable text

std::vector<uint8_t> Tail(const std::vector<uint8_t>& b, size_t from, size_t count) {
  if (from >= b.size()) return {};
  return std::vector<uint8_t>(
      b.begin() + static_cast<std::ptrdiff_t>(from),
      b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), from + count)));
}

// The eight dots of a raster byte, leftmost (high bit) first, as bytes.
struct ByteDots {
  uint8_t dots[256][8];
  ByteDots() {
    for (int value = 0; value < 256; ++value) {
      for (int bit = 0; bit < 8; ++bit) dots[value][bit] = (value >> (7 - bit)) & 1;
    }
  }
};

}  // namespace

void CReceiptRenderer::RasterImage(const ParsedCommand& command) {
  // GS v 0 m xL xH yL yH d1...dk: x bytes a row, y rows, leftmost dot in
  // the high bit; m doubles the width (bit 0) and the height (bit 1).
  const std::vector<uint8_t>& b = command.bytes;
  const int mode = ByteAt(b, 3) & 3;
  const int scaleX = (mode & 1) ? 2 : 1;
  const int scaleY = (mode & 2) ? 2 : 1;
  const int rowBytes = ByteAt(b, 4) | (ByteAt(b, 5) << 8);
  const int rows = ByteAt(b, 6) | (ByteAt(b, 7) << 8);
  const int visibleBytes = std::min(rowBytes, (kPaperWidth / scaleX + 7) / 8);
  const int visibleRows = std::min(rows, m_limits.maxImageHeight / scaleY);
  static const ByteDots kByteDots;
  CDotImage picture(visibleBytes * 8, visibleRows);
  for (int y = 0; y < visibleRows; ++y) {
    const size_t start = 8 + static_cast<size_t>(y) * rowBytes;
    uint8_t* dots = picture.Row(y);
    for (int x = 0; x < visibleBytes; ++x) {
      std::memcpy(dots + x * 8, kByteDots.dots[ByteAt(b, start + x)], 8);
    }
  }
  if (command.truncated) Note("raster picture cut short: its data did not all arrive whole");
  if (scaleX == 1 && scaleY == 1) {
    PlaceBlock(picture);
    return;
  }
  CDotImage scaled(picture.width() * scaleX, picture.height() * scaleY);
  scaled.DrawScaled(picture, 0, 0, scaleX, scaleY);
  PlaceBlock(scaled);
}

void CReceiptRenderer::BitImage(const ParsedCommand& command) {
  // ESC * m nL nH d1...dk: n columns of 8 (m 0, 1) or 24 (m 32, 33) dots,
  // top dot in the high bit; even m prints every dot twice as wide, the
  // 8-dot modes three times as high.
  const std::vector<uint8_t>& b = command.bytes;
  const int mode = ByteAt(b, 2);
  if (mode != 0 && mode != 1 && mode != 32 && mode != 33) return;
  const int bytesPerColumn = mode >= 32 ? 3 : 1;
  const int columns = std::min(ByteAt(b, 3) | (ByteAt(b, 4) << 8), kPaperWidth);
  auto picture = std::make_shared<CDotImage>(columns, bytesPerColumn * 8);
  for (int x = 0; x < columns; ++x) {
    for (int k = 0; k < bytesPerColumn; ++k) {
      const uint8_t byte = ByteAt(b, 5 + static_cast<size_t>(x) * bytesPerColumn + k);
      for (int bit = 0; bit < 8; ++bit) picture->Set(x, k * 8 + bit, (byte >> (7 - bit)) & 1);
    }
  }
  LineItem item;
  item.cell = {picture.get(), 0, 0, picture->width(), picture->height()};
  item.owned = picture;
  item.scaleX = mode % 2 == 0 ? 2 : 1;
  item.scaleY = mode < 32 ? 3 : 1;
  AddItem(item);
}

void CReceiptRenderer::Barcode(const ParsedCommand& command) {
  // GS k m d1...dk NUL (m 0..6) or GS k m n d1...dn (m 65..).
  const std::vector<uint8_t>& b = command.bytes;
  const int system = ByteAt(b, 2);
  std::vector<uint8_t> data;
  if (system <= 6) {
    data = Tail(b, 3, b.size());
    if (!data.empty() && data.back() == 0) data.pop_back();
  } else {
    data = Tail(b, 4, ByteAt(b, 3));
  }
  EncodedSymbol symbol;
  std::string error;
  if (!EncodeLinear(system, data, &symbol, &error)) {
    Refuse("barcode", error);
    return;
  }
  PlaceSymbol(symbol, m_barcode.moduleWidth, m_barcode.height, true);
}

void CReceiptRenderer::Symbol2d(const ParsedCommand& command) {
  // GS ( k pL pH cn fn [parameters]: cn 48 PDF417, 49 QR code.
  const std::vector<uint8_t>& b = command.bytes;
  const size_t length = ByteAt(b, 3) | (ByteAt(b, 4) << 8);
  const int cn = ByteAt(b, 5);
  const int fn = ByteAt(b, 6);
  const uint8_t n = ByteAt(b, 7);
  const std::vector<uint8_t> stored = length >= 3 ? Tail(b, 8, length - 3) : std::vector<uint8_t>{};
  std::string error;
  EncodedSymbol symbol;
  if (cn == 49) {
    switch (fn) {
      case 65: m_qr.options.model = n; return;
      case 67:
        if (n >= 1 && n <= 16) m_qr.moduleSize = n;
        return;
      case 69:
        if (n >= 48 && n <= 51) m_qr.options.errorLevel = n;
        return;
      case 80: m_qr.data = stored; return;
      case 81:
        if (!EncodeQr(m_qr.data, m_qr.options, &symbol, &error)) {
          Refuse("QR code", error);
        } else {
          PlaceSymbol(symbol, m_qr.moduleSize, m_qr.moduleSize, false);
        }
        return;
      default: return;  // size information and the like print nothing
    }
  }
  if (cn == 48) {
    switch (fn) {
      case 65:
        if (n <= 30) m_pdf417.options.columns = n;
        return;
      case 66:
        if (n == 0 || (n >= 3 && n <= 90)) m_pdf417.options.rows = n;
        return;
      case 67:
        if (n >= 2 && n <= 8) m_pdf417.moduleWidth = n;
        return;
      case 68:
        if (n >= 2 && n <= 8) m_pdf417.rowHeight = n;
        return;
      case 69:  // m n: 48 a level 0..8 (n 48..56); 49 a ratio, left to the encoder
        if (n == 48 && ByteAt(b, 8) >= 48 && ByteAt(b, 8) <= 56)
          m_pdf417.options.errorLevel = ByteAt(b, 8) - 48;
        if (n == 49) m_pdf417.options.errorLevel = -1;
        return;
      case 70: m_pdf417.options.truncated = (n & 1) != 0; return;
      case 80: m_pdf417.data = stored; return;
      case 81:
        if (!EncodePdf417(m_pdf417.data, m_pdf417.options, &symbol, &error)) {
          Refuse("PDF417 symbol", error);
        } else {
          PlaceSymbol(symbol, m_pdf417.moduleWidth, m_pdf417.rowHeight * m_pdf417.moduleWidth,
                      false);
        }
        return;
      default: return;
    }
  }
  NotRendered("GS ( k " + std::to_string(cn));
}

void CReceiptRenderer::EscZSymbol(const ParsedCommand& command) {
  // ESC Z m n k dL dH d1...dk prints the 2D symbol chosen with GS Z.
  const std::vector<uint8_t>& b = command.bytes;
  const int m = ByteAt(b, 2);
  const int n = ByteAt(b, 3);
  const int k = ByteAt(b, 4);
  const std::vector<uint8_t> data = Tail(b, 7, ByteAt(b, 5) | (ByteAt(b, 6) << 8));
  EncodedSymbol symbol;
  std::string error;
  if (m_symbolType == 0) {
    // PDF417: m columns, n error level, k the row height in module widths;
    // the module width is the barcode module width (GS w).
    Pdf417Options options;
    options.columns = std::min(m, 30);
    options.errorLevel = std::min(n, 8);
    if (!EncodePdf417(data, options, &symbol, &error)) {
      Refuse("PDF417 symbol", error);
      return;
    }
    const int width = m_barcode.moduleWidth;
    PlaceSymbol(symbol, width, std::clamp(k, 2, 5) * width, false);
    return;
  }
  if (m_symbolType == 2) {
    // QR: m version, n error level letter, k module size.
    QrOptions options;
    options.version = m;
    options.errorLevel = n == 'M' ? 49 : n == 'Q' ? 50 : n == 'H' ? 51 : 48;
    if (!EncodeQr(data, options, &symbol, &error)) {
      Refuse("QR code", error);
      return;
    }
    const int size = k >= 1 && k <= 8 ? k : 3;
    PlaceSymbol(symbol, size, size, false);
    return;
  }
  NotRendered("ESC Z (2D symbol type " + std::to_string(m_symbolType) + ")");
}

void CReceiptRenderer::PlaceSymbol(const EncodedSymbol& symbol, int moduleWidth, int rowHeight,
                                   bool hri) {
  const int barsWidth = symbol.modules.width() * moduleWidth;
  const int barsHeight = std::min(symbol.modules.height() * rowHeight, m_limits.maxImageHeight);
  if (barsWidth > LineWidth()) {
    Refuse("symbol", "its " + std::to_string(barsWidth) + " dots are wider than the print area");
    return;
  }
  // Human readable text: one line of the HRI font, centred on the bars.
  std::vector<CharCell> text;
  const bool above = hri && (m_barcode.hriPosition & 1) != 0 && !symbol.hri.empty();
  const bool below = hri && (m_barcode.hriPosition & 2) != 0 && !symbol.hri.empty();
  if (above || below) {
    for (unsigned char c : symbol.hri) text.push_back(m_fonts->Single(m_barcode.hriFont, c, false));
  }
  int textWidth = 0;
  int textHeight = 0;
  for (const CharCell& cell : text) {
    textWidth += cell.width;
    textHeight = std::max(textHeight, cell.height);
  }
  const int textBand = text.empty() ? 0 : textHeight + kHriGap;
  const int width = std::max(barsWidth, textWidth);
  CDotImage block(width, barsHeight + (above ? textBand : 0) + (below ? textBand : 0));
  const int barsTop = above ? textBand : 0;
  const int barsLeft = (width - barsWidth) / 2;
  for (int row = 0; row < symbol.modules.height(); ++row) {
    for (int col = 0; col < symbol.modules.width(); ++col) {
      if (symbol.modules.Row(row)[col] == 0) continue;
      block.Fill(barsLeft + col * moduleWidth, barsTop + row * rowHeight, moduleWidth, rowHeight,
                 1);
    }
  }
  auto drawText = [&](int top) {
    int x = (width - textWidth) / 2;
    for (const CharCell& cell : text) {
      if (cell.glyph != nullptr) block.Draw(*cell.glyph, x + cell.glyphX, top + cell.glyphY);
      x += cell.width;
    }
  };
  if (above) drawText(0);
  if (below) drawText(barsTop + barsHeight + kHriGap);
  PlaceBlock(block);
}

void CReceiptRenderer::Refuse(const std::string& what, const std::string& reason) {
  ++m_stats.refusedSymbols;
  Note(what + " not printed: " + reason);
}

}  // namespace qvvp
