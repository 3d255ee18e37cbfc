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
