// EscCmd: the ESC/POS command set of a 576-dot thermal receipt printer.
//
// Each operation builds its whole command first and appends it in one step,
// so a failure (111 when memory runs out, OposError for barcode data the
// command cannot carry) leaves the buffer as it was. Barcode, QR and PDF417
// commands have no size limit other than their own length fields.
//
// Not thread-safe: one thread builds a job at a time.
#ifndef QV_SERVICE_OBJECT_PRINTER_ESC_CMD_H_
#define QV_SERVICE_OBJECT_PRINTER_ESC_CMD_H_

#include <string_view>

#include "service_object/printer/cmd.h"

// The print error raised for barcode data that fails its check.
inline constexpr char kBarcodeDataError[] =
    "Method PrintBarCode threw an exception.  Attempt was made to perform an illegal or "
    "unsupported operation with the device, or an invalid parameter value was used.";

class EscCmd : public Cmd {
 public:
  EscCmd() = default;
  ~EscCmd() override = default;

  LONG Initialize() override;
  LONG RequestPrinterId() override;
  LONG RequestPrinterInfo() override;
  LONG SetEmphasized(LONG n) override;
  LONG SelectPeripheral(LONG n) override;
  LONG SelectCodeTable(LONG n) override;
  LONG SetParameterBlock(LONG a, LONG b, LONG c, LONG d) override;
  LONG SetDoubleStrike(LONG n) override;
  LONG SetUnderline(LONG n) override;
  LONG SetCharacterSize(LONG n) override;
  LONG FeedDots(LONG n) override;
  LONG FeedLines(LONG n) override;
  LONG SelectInternationalSet(LONG n) override;
  LONG SetUpsideDown(LONG n) override;
  LONG SetRotate90(LONG n) override;
  LONG Reserved(LONG n) override;
  LONG SelectFont(LONG n) override;
  LONG SetLeftMargin(LONG nL, LONG nH) override;
  LONG SetPrintAreaWidth(LONG nL, LONG nH) override;
  LONG SelectKanjiMode() override;
  LONG SetFs3(LONG n) override;
  LONG SetJustification(LONG n) override;
  LONG CutOnePointLeft() override;
  LONG CutThreePointsLeft() override;
  // n line feeds (0A) when 0 < n < 300, otherwise five CR LF pairs.
  LONG FeedLineBreaks(LONG n) override;
  LONG SetAbsolutePosition(LONG nL, LONG nH) override;
  LONG SetAbsoluteVerticalPosition(LONG nL, LONG nH) override;
  LONG SelectStandardMode() override;
  LONG SelectPageMode() override;
  LONG PrintPage() override;
  LONG SetPageArea(LONG x, LONG y, LONG dx, LONG dy) override;
  // ESC T: '0' for rotation 1, '3' for 257, '1' for 258, '2' otherwise.
  LONG SetPageDirection(LONG rotation) override;
  // GS v 0; 111 and nothing appended when the picture cannot be read or
  // converted (see picture_dots.h).
  LONG AppendRasterImage(const qvplatform::DibDescription& picture, LONG width) override;
  LONG AppendRasterImageFlipped(const qvplatform::DibDescription& picture, LONG width) override;
  LONG SetHriPosition(LONG p) override;
  LONG SetBarcodeHeight(LONG n) override;
  LONG SetBarcodeModuleWidth(LONG n) override;
  // UPC-A (m = 0x41) and UPC-E (m = 0x42): 11 or 12 digits; UPC-E data
  // starts with 0.
  LONG PrintUpcBarcode(std::string_view data, LONG m) override;
  // The length-checked barcodes: fewer than 256 bytes.
  LONG PrintEanBarcode(std::string_view data, LONG m) override;
  LONG PrintCode93Barcode(std::string_view data, LONG m) override;
  LONG PrintItfBarcode(std::string_view data, LONG m) override;
  // 2 to 255 bytes, starting and ending with A to D and none in between.
  LONG PrintCodabarBarcode(std::string_view data, LONG m) override;
  LONG PrintOtherBarcode(std::string_view data, LONG m) override;
  LONG PrintCode128Barcode(std::string_view data, LONG m) override;
  // GS Z 0, ESC Z m n k dL dH data: dL dH counts the data bytes (at most
  // 65535).
  LONG PrintPdf417(std::string_view data, LONG m, LONG n, LONG k) override;
  // Module size 1 to 15, anything else 5.
  LONG SetQrModuleSize(LONG s) override;
  // Error correction 48 to 51 ('0' to '3'), anything else 48.
  LONG SetQrErrorCorrection(LONG e) override;
  // Stores and prints the symbol; at most 65532 data bytes.
  LONG PrintQrCode(std::string_view data) override;
  LONG GeneratePulseRealTime(LONG a, LONG b, LONG c) override;
  LONG KickDrawer(LONG m, LONG t1, LONG t2) override;
  LONG RequestAllStatus() override;
  LONG RequestPrinterStatus() override;
  LONG RequestOfflineStatus() override;
  LONG RequestErrorStatus() override;
  LONG RequestPaperStatus() override;

 private:
  // Appends 1D 6B m n and the data after checking n < 256.
  LONG AppendBarcode(std::string_view data, LONG m);
};

#endif  // QV_SERVICE_OBJECT_PRINTER_ESC_CMD_H_
