#include "service_object/printer/esc_cmd.h"

#include <initializer_list>
#include <string>

#include "service_object/core/errors.h"
#include "service_object/core/opos_constants.h"
#include "service_object/printer/picture_dots.h"

namespace {

// Appends a fixed command; every value is sent as its low 8 bits.
LONG Emit(Cmd& cmd, std::initializer_list<LONG> values) {
  BYTE bytes[16];
  LONG n = 0;
  for (LONG v : values) bytes[n++] = static_cast<BYTE>(v & 0xFF);
  return cmd.Append(bytes, n);
}

char Low(int64_t v) { return static_cast<char>(v & 0xFF); }
char High(int64_t v) { return static_cast<char>((v >> 8) & 0xFF); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsCodabarStartStop(char c) { return c >= 'A' && c <= 'D'; }

// Checks a barcode's data; raises the print error when it fails.
void RequireBarcode(bool ok) {
  if (!ok) throw OposError(kBarcodeDataError);
}

}  // namespace

LONG EscCmd::Initialize() { return Emit(*this, {0x1B, 0x40}); }

LONG EscCmd::RequestPrinterId() { return Emit(*this, {0x1D, 0x49, 0x01, 0x1D, 0x49, 0x02}); }

LONG EscCmd::RequestPrinterInfo() {
  return Emit(*this, {0x1D, 0x49, 0x41, 0x1D, 0x49, 0x42, 0x1D, 0x49, 0x43, 0x1D, 0x49, 0x44, 0x1D,
                      0x49, 0x45});
}

LONG EscCmd::SetEmphasized(LONG n) { return Emit(*this, {0x1B, 0x45, n}); }
LONG EscCmd::SelectPeripheral(LONG n) { return Emit(*this, {0x1B, 0x3D, n}); }
LONG EscCmd::SelectCodeTable(LONG n) { return Emit(*this, {0x1B, 0x74, n}); }

LONG EscCmd::SetParameterBlock(LONG a, LONG b, LONG c, LONG d) {
  return Emit(*this, {0x1D, 0x28, 0x30, 0x06, 0x00, a, b, c, d});
}

LONG EscCmd::SetDoubleStrike(LONG n) { return Emit(*this, {0x1B, 0x47, n}); }
LONG EscCmd::SetUnderline(LONG n) { return Emit(*this, {0x1B, 0x2D, n}); }
LONG EscCmd::SetCharacterSize(LONG n) { return Emit(*this, {0x1D, 0x21, n}); }
LONG EscCmd::FeedDots(LONG n) { return Emit(*this, {0x1B, 0x4A, n}); }
LONG EscCmd::FeedLines(LONG n) { return Emit(*this, {0x1B, 0x64, n}); }
LONG EscCmd::SelectInternationalSet(LONG n) { return Emit(*this, {0x1B, 0x52, n}); }
LONG EscCmd::SetUpsideDown(LONG n) { return Emit(*this, {0x1B, 0x7B, n}); }
LONG EscCmd::SetRotate90(LONG n) { return Emit(*this, {0x1B, 0x56, n}); }
LONG EscCmd::Reserved(LONG) { return OPOS_SUCCESS; }
LONG EscCmd::SelectFont(LONG n) { return Emit(*this, {0x1B, 0x4D, n}); }
LONG EscCmd::SetLeftMargin(LONG nL, LONG nH) { return Emit(*this, {0x1D, 0x4C, nL, nH}); }
LONG EscCmd::SetPrintAreaWidth(LONG nL, LONG nH) { return Emit(*this, {0x1D, 0x57, nL, nH}); }
LONG EscCmd::SelectKanjiMode() { return Emit(*this, {0x1C, 0x26}); }
LONG EscCmd::SetFs3(LONG n) { return Emit(*this, {0x1C, 0x33, n}); }
LONG EscCmd::SetJustification(LONG n) { return Emit(*this, {0x1B, 0x61, n}); }
LONG EscCmd::CutOnePointLeft() { return Emit(*this, {0x1B, 0x69}); }
LONG EscCmd::CutThreePointsLeft() { return Emit(*this, {0x1B, 0x6D}); }

LONG EscCmd::FeedLineBreaks(LONG n) {
  if (n > 0 && n < 300) return Append(std::string(static_cast<size_t>(n), '\x0A'));
  return Append(std::string_view("\x0D\x0A\x0D\x0A\x0D\x0A\x0D\x0A\x0D\x0A", 10));
}

LONG EscCmd::SetAbsolutePosition(LONG nL, LONG nH) { return Emit(*this, {0x1B, 0x24, nL, nH}); }

LONG EscCmd::SetAbsoluteVerticalPosition(LONG nL, LONG nH) {
  return Emit(*this, {0x1D, 0x24, nL, nH});
}

LONG EscCmd::SelectStandardMode() { return Emit(*this, {0x1B, 0x53}); }
LONG EscCmd::SelectPageMode() { return Emit(*this, {0x1B, 0x4C}); }
LONG EscCmd::PrintPage() { return Emit(*this, {0x0C}); }

LONG EscCmd::SetPageArea(LONG x, LONG y, LONG dx, LONG dy) {
  // Each value as its low byte, then the value divided by 256.
  return Emit(*this, {0x1B, 0x57, x, x / 256, y, y / 256, dx, dx / 256, dy, dy / 256});
}

LONG EscCmd::SetPageDirection(LONG rotation) {
  LONG n = 0x32;
  if (rotation == 1) {
    n = 0x30;
  } else if (rotation == 257) {
    n = 0x33;
  } else if (rotation == 258) {
    n = 0x31;
  }
  return Emit(*this, {0x1B, 0x54, n});
}

LONG EscCmd::AppendRasterImage(const qvplatform::DibDescription& picture, LONG width) {
  std::string raster;
  if (!PictureToRaster(picture, width, RowOrder::kMemory, &raster)) return OPOS_E_FAILURE;
  return Append(raster);
}

LONG EscCmd::AppendRasterImageFlipped(const qvplatform::DibDescription& picture, LONG width) {
  std::string raster;
  if (!PictureToRaster(picture, width, RowOrder::kReversed, &raster)) return OPOS_E_FAILURE;
  return Append(raster);
}

LONG EscCmd::SetHriPosition(LONG p) {
  LONG n = (p == 1 || p == 2) ? p : 0;
  return Emit(*this, {0x1D, 0x48, n});
}

LONG EscCmd::SetBarcodeHeight(LONG n) { return Emit(*this, {0x1D, 0x68, n}); }
LONG EscCmd::SetBarcodeModuleWidth(LONG n) { return Emit(*this, {0x1D, 0x77, n}); }

LONG EscCmd::AppendBarcode(std::string_view data, LONG m) {
  RequireBarcode(data.size() < 256);
  std::string command{'\x1D', '\x6B', Low(m), Low(static_cast<int64_t>(data.size()))};
  command.append(data);
  return Append(command);
}

LONG EscCmd::PrintUpcBarcode(std::string_view data, LONG m) {
  bool ok = data.size() == 11 || data.size() == 12;
  for (char c : data) ok = ok && IsDigit(c);
  // UPC-E is a zero-suppressed UPC-A: number system 0 only.
  if (m == 0x42) ok = ok && data[0] == '0';
  RequireBarcode(ok);
  return AppendBarcode(data, m);
}

LONG EscCmd::PrintEanBarcode(std::string_view data, LONG m) { return AppendBarcode(data, m); }
LONG EscCmd::PrintCode93Barcode(std::string_view data, LONG m) { return AppendBarcode(data, m); }
LONG EscCmd::PrintItfBarcode(std::string_view data, LONG m) { return AppendBarcode(data, m); }

LONG EscCmd::PrintCodabarBarcode(std::string_view data, LONG m) {
  bool ok = data.size() >= 2 && data.size() < 256;
  if (ok) {
    ok = IsCodabarStartStop(data.front()) && IsCodabarStartStop(data.back());
    for (size_t i = 1; ok && i + 1 < data.size(); ++i) ok = !IsCodabarStartStop(data[i]);
  }
  RequireBarcode(ok);
  return AppendBarcode(data, m);
}

LONG EscCmd::PrintOtherBarcode(std::string_view data, LONG m) { return AppendBarcode(data, m); }
LONG EscCmd::PrintCode128Barcode(std::string_view data, LONG m) { return AppendBarcode(data, m); }

LONG EscCmd::PrintPdf417(std::string_view data, LONG m, LONG n, LONG k) {
  // dL dH is the number of data bytes that follow.
  RequireBarcode(data.size() <= 0xFFFF);
  int64_t len = static_cast<int64_t>(data.size());
  std::string command{'\x1D', '\x5A', '\x00', '\x1B',   '\x5A',
                      Low(m), Low(n), Low(k), Low(len), High(len)};
  command.append(data);
  return Append(command);
}

LONG EscCmd::SetQrModuleSize(LONG s) {
  if (s < 1 || s > 15) s = 5;
  return Emit(*this, {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, s});
}

LONG EscCmd::SetQrErrorCorrection(LONG e) {
  if (e < 0x30 || e > 0x33) e = 0x30;
  return Emit(*this, {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x45, e});
}

LONG EscCmd::PrintQrCode(std::string_view data) {
  // pL pH counts the data plus the three bytes 31 50 30.
  RequireBarcode(data.size() <= 0xFFFF - 3);
  int64_t p = static_cast<int64_t>(data.size()) + 3;
  std::string command{'\x1D', '\x28', '\x6B', Low(p), High(p), '\x31', '\x50', '\x30'};
  command.append(data);
  command.append("\x1D\x28\x6B\x03\x00\x31\x51\x30", 8);
  return Append(command);
}

LONG EscCmd::GeneratePulseRealTime(LONG a, LONG b, LONG c) {
  return Emit(*this, {0x10, 0x14, a, b, c});
}

LONG EscCmd::KickDrawer(LONG m, LONG t1, LONG t2) { return Emit(*this, {0x1B, 0x70, m, t1, t2}); }

LONG EscCmd::RequestAllStatus() {
  return Emit(*this, {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04});
}

LONG EscCmd::RequestPrinterStatus() { return Emit(*this, {0x10, 0x04, 0x01}); }
LONG EscCmd::RequestOfflineStatus() { return Emit(*this, {0x10, 0x04, 0x02}); }
LONG EscCmd::RequestErrorStatus() { return Emit(*this, {0x10, 0x04, 0x03}); }
LONG EscCmd::RequestPaperStatus() { return Emit(*this, {0x10, 0x04, 0x04}); }
