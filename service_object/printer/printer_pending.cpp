// QVCOposPrinter: the barcode, bitmap and page-mode methods. Their printing
// is not built yet: each answers 106 (OPOS_E_ILLEGAL) with a trace line and
// sends nothing, so a caller never mistakes them for done.
#include <string>

#include "service_object/printer/opos_printer.h"

int32_t QVCOposPrinter::PendingMethod(const char* method, LONG* pRC) {
  TraceEnter(method);
  TraceWarning(std::string("Warning: ") + method + ": not available in this build.");
  return CompleteMethod(method, OPOS_E_ILLEGAL, pRC);
}

HRESULT QVCOposPrinter::PrintBarCode(LONG, BSTR, LONG, LONG, LONG, LONG, LONG, LONG* pRC) {
  PendingMethod("PrintBarCode", pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::PrintBitmap(LONG, BSTR, LONG, LONG, LONG* pRC) {
  PendingMethod("PrintBitmap", pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::SetBitmap(LONG, LONG, BSTR, LONG, LONG, LONG* pRC) {
  PendingMethod("SetBitmap", pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::ClearPrintArea(LONG* pRC) {
  PendingMethod("ClearPrintArea", pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::PageModePrint(LONG) {
  PendingMethod("PageModePrint", nullptr);
  return S_OK;
}

HRESULT QVCOposPrinter::PrintMemoryBitmap(LONG, BSTR, LONG, LONG, LONG) {
  PendingMethod("PrintMemoryBitmap", nullptr);
  return S_OK;
}

HRESULT QVCOposPrinter::DrawRuledLine(LONG, BSTR, LONG, LONG, LONG, LONG, LONG* pRC) {
  PendingMethod("DrawRuledLine", pRC);
  return S_OK;
}
