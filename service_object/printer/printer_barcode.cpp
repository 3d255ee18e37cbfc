// QVCOposPrinter::PrintBarCode: one barcode, QR code or PDF417 symbol on the
// receipt station, written at once or collected with the output modes.
//
// A call that fails (a print error, a short Code 128, memory) takes back
// everything it appended, so nothing of it goes out with the next job.
#include <string>
#include <string_view>

#include "service_object/core/errors.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/map_units.h"
#include "service_object/printer/opos_printer.h"
#include "service_object/printer/printer_constants.h"

namespace {

// OPOS symbologies and the barcode system bytes (m) they are sent with.
constexpr LONG PTR_BCS_UPCA = 101;
constexpr LONG PTR_BCS_UPCE = 102;
constexpr LONG PTR_BCS_JAN8 = 103;
constexpr LONG PTR_BCS_JAN13 = 104;
constexpr LONG PTR_BCS_ITF = 106;
constexpr LONG PTR_BCS_Codabar = 107;
constexpr LONG PTR_BCS_Code39 = 108;
constexpr LONG PTR_BCS_Code93 = 109;
constexpr LONG PTR_BCS_Code128 = 110;
constexpr LONG PTR_BCS_PDF417 = 201;
constexpr LONG PTR_BCS_QRCODE = 204;

constexpr LONG PTR_BC_LEFT = -1;
constexpr LONG PTR_BC_CENTER = -2;
constexpr LONG PTR_BC_TEXT_NONE = -11;
constexpr LONG PTR_BC_TEXT_ABOVE = -12;

// QR error correction level L.
constexpr LONG kQrLevelL = 0x30;

void Check(LONG result) {
  if (result != OPOS_SUCCESS) throw QVError("Out of memory building the barcode");
}

LONG Justification(LONG alignment) {
  if (alignment == PTR_BC_LEFT) return 0;
  if (alignment == PTR_BC_CENTER) return 1;
  return 2;
}

LONG HriPosition(LONG textPosition) {
  if (textPosition == PTR_BC_TEXT_NONE) return 0;
  if (textPosition == PTR_BC_TEXT_ABOVE) return 1;
  return 2;
}

bool StartsWithCodeSet(std::string_view data) {
  return data.size() >= 2 && data[0] == '{' && (data[1] == 'A' || data[1] == 'B' || data[1] == 'C');
}

// Appends the symbol itself. Returns false for Code 128 data too short to
// carry; raises the barcode print error for data that breaks its rule and
// for symbologies the printer does not have.
bool AppendSymbol(Cmd& cmd, LONG symbology, const std::string& data, LONG width) {
  switch (symbology) {
    case PTR_BCS_UPCA: Check(cmd.PrintUpcBarcode(data, 0x41)); return true;
    case PTR_BCS_UPCE: Check(cmd.PrintUpcBarcode(data, 0x42)); return true;
    case PTR_BCS_JAN8: Check(cmd.PrintEanBarcode(data, 0x44)); return true;
    case PTR_BCS_JAN13: Check(cmd.PrintEanBarcode(data, 0x43)); return true;
    case PTR_BCS_ITF: Check(cmd.PrintItfBarcode(data, 0x46)); return true;
    case PTR_BCS_Codabar: Check(cmd.PrintCodabarBarcode(data, 0x47)); return true;
    case PTR_BCS_Code39: Check(cmd.PrintEanBarcode(data, 0x45)); return true;
    case PTR_BCS_Code93: Check(cmd.PrintCode93Barcode(data, 0x48)); return true;
    case PTR_BCS_Code128:
      if (data.size() < 2) return false;
      // Data that already selects its code set keeps it.
      Check(cmd.PrintCode128Barcode(StartsWithCodeSet(data) ? data : "{A" + data, 0x49));
      return true;
    case PTR_BCS_PDF417: Check(cmd.PrintPdf417(data, 1, 3, 2)); return true;
    case PTR_BCS_QRCODE:
      // The module size is the Width as given, not converted.
      Check(cmd.SetQrModuleSize(width));
      Check(cmd.SetQrErrorCorrection(kQrLevelL));
      Check(cmd.PrintQrCode(data));
      return true;
    default: throw OposError(kBarcodeDataError);
  }
}

}  // namespace

HRESULT QVCOposPrinter::PrintBarCode(LONG Station, BSTR Data, LONG Symbology, LONG Height,
                                     LONG Width, LONG Alignment, LONG TextPosition, LONG* pRC) {
  Guarded("PrintBarCode", pRC, [&] {
    const std::string data = ToAnsi(Data);
    Trace(4, ">>> PrintBarCode Data:" + data);
    m_resultCode = OPOS_E_ILLEGAL;
    if (Station != PTR_S_RECEIPT) throw OposError("PrintBarCode: Invalid Station");
    if (pRC == nullptr) throw OposError("PrintBarCode: pRC NULL");

    const LONG before = m_cmd->Length();
    bool appended = false;
    try {
      Check(m_cmd->SetJustification(Justification(Alignment)));
      Check(m_cmd->SetHriPosition(HriPosition(TextPosition)));
      if (Symbology != PTR_BCS_QRCODE) {
        Check(m_cmd->SetBarcodeHeight(static_cast<LONG>(MapUnitsToDots(m_mapMode, Height))));
        Check(m_cmd->SetBarcodeModuleWidth(static_cast<LONG>(MapUnitsToDots(m_mapMode, Width))));
      }
      appended = AppendSymbol(*m_cmd, Symbology, data, Width);
    } catch (...) {
      m_cmd->Truncate(before);
      throw;
    }
    if (!appended) {
      m_cmd->Truncate(before);
      CompleteMethod("PrintBarCode", OPOS_E_ILLEGAL, pRC);
      return;
    }
    int32_t result = m_outputMode == 0 ? WriteDeviceBuffer() : OPOS_SUCCESS;
    if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    CompleteMethod("PrintBarCode", result, pRC);
  });
  return S_OK;
}
