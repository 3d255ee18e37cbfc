// QVCOposPrinter: the dispatch table of IOposPrinter and the IDispatch
// methods answered from it.
#include "platform/com/dispatch.h"
#include "service_object/printer/opos_printer.h"

namespace {

using qvplatform::DispMethod;
using qvplatform::kDispRetval;
using P = QVCOposPrinter;

constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;
constexpr VARTYPE kBstrRef = VT_BYREF | VT_BSTR;

const qvplatform::DispMember kPrinterMembers[] = {
    DispMethod<&P::COFreezeEvents>(u"COFreezeEvents", 1, {VT_BOOL, kLongRef}, kDispRetval),
    DispMethod<&P::GetPropertyNumber>(u"GetPropertyNumber", 2, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::SetPropertyNumber>(u"SetPropertyNumber", 3, {VT_I4, VT_I4}),
    DispMethod<&P::GetPropertyString>(u"GetPropertyString", 4, {VT_I4, kBstrRef}, kDispRetval),
    DispMethod<&P::SetPropertyString>(u"SetPropertyString", 5, {VT_I4, VT_BSTR}),
    DispMethod<&P::OpenService>(u"OpenService", 6, {VT_BSTR, VT_BSTR, VT_DISPATCH, kLongRef},
                                kDispRetval),
    DispMethod<&P::CloseService>(u"CloseService", 7, {kLongRef}, kDispRetval),
    DispMethod<&P::ClaimDevice>(u"ClaimDevice", 8, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::ReleaseDevice>(u"ReleaseDevice", 9, {kLongRef}, kDispRetval),
    DispMethod<&P::BeginInsertion>(u"BeginInsertion", 10, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::BeginRemoval>(u"BeginRemoval", 11, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::CutPaper>(u"CutPaper", 12, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::EndInsertion>(u"EndInsertion", 13, {kLongRef}, kDispRetval),
    DispMethod<&P::EndRemoval>(u"EndRemoval", 14, {kLongRef}, kDispRetval),
    DispMethod<&P::PrintBarCode>(u"PrintBarCode", 15,
                                 {VT_I4, VT_BSTR, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4, kLongRef},
                                 kDispRetval),
    DispMethod<&P::PrintBitmap>(u"PrintBitmap", 16, {VT_I4, VT_BSTR, VT_I4, VT_I4, kLongRef},
                                kDispRetval),
    DispMethod<&P::PrintImmediate>(u"PrintImmediate", 17, {VT_I4, VT_BSTR, kLongRef}, kDispRetval),
    DispMethod<&P::PrintNormal>(u"PrintNormal", 18, {VT_I4, VT_BSTR}),
    DispMethod<&P::PrintTwoNormal>(u"PrintTwoNormal", 19, {VT_I4, VT_BSTR, VT_BSTR, kLongRef},
                                   kDispRetval),
    DispMethod<&P::RotatePrint>(u"RotatePrint", 20, {VT_I4, VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::SetBitmap>(u"SetBitmap", 21, {VT_I4, VT_I4, VT_BSTR, VT_I4, VT_I4, kLongRef},
                              kDispRetval),
    DispMethod<&P::SetLogo>(u"SetLogo", 22, {VT_I4, VT_BSTR, kLongRef}, kDispRetval),
    DispMethod<&P::TransactionPrint>(u"TransactionPrint", 23, {VT_I4, VT_I4, kLongRef},
                                     kDispRetval),
    DispMethod<&P::ValidateData>(u"ValidateData", 24, {VT_I4, VT_BSTR, kLongRef}, kDispRetval),
    DispMethod<&P::ChangePrintSide>(u"ChangePrintSide", 25, {kLongRef}, kDispRetval),
    DispMethod<&P::MarkFeed>(u"MarkFeed", 26, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::CheckHealth>(u"CheckHealth", 27, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&P::ClearOutput>(u"ClearOutput", 28, {kLongRef}, kDispRetval),
    DispMethod<&P::ClearInput>(u"ClearInput", 29, {kLongRef}, kDispRetval),
    DispMethod<&P::DirectIO>(u"DirectIO", 30, {VT_I4, kLongRef, kBstrRef, kLongRef}, kDispRetval),
    DispMethod<&P::GetOpenResult>(u"GetOpenResult", 31, {kLongRef}, kDispRetval),
    DispMethod<&P::ResetStatistics>(u"ResetStatistics", 32, {VT_BSTR, kLongRef}, kDispRetval),
    DispMethod<&P::RetrieveStatistics>(u"RetrieveStatistics", 33, {kBstrRef, kLongRef}),
    DispMethod<&P::UpdateStatistics>(u"UpdateStatistics", 34, {VT_BSTR, kLongRef}, kDispRetval),
    DispMethod<&P::CompareFirmwareVersion>(u"CompareFirmwareVersion", 35,
                                           {VT_BSTR, kLongRef, kLongRef}),
    DispMethod<&P::UpdateFirmware>(u"UpdateFirmware", 36, {VT_BSTR, kLongRef}),
    DispMethod<&P::ClearPrintArea>(u"ClearPrintArea", 37, {kLongRef}),
    DispMethod<&P::PageModePrint>(u"PageModePrint", 38, {VT_I4}),
    DispMethod<&P::PrintMemoryBitmap>(u"PrintMemoryBitmap", 39,
                                      {VT_I4, VT_BSTR, VT_I4, VT_I4, VT_I4}),
    DispMethod<&P::DrawRuledLine>(u"DrawRuledLine", 40,
                                  {VT_I4, VT_BSTR, VT_I4, VT_I4, VT_I4, VT_I4, kLongRef}),
};

}  // namespace

const qvplatform::DispatchTable& QVCOposPrinter::DispTable() {
  static const qvplatform::DispatchTable table(kPrinterMembers);
  return table;
}

HRESULT QVCOposPrinter::GetTypeInfoCount(UINT* pctinfo) {
  return qvplatform::DispatchTable::GetTypeInfoCount(pctinfo);
}

HRESULT QVCOposPrinter::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) {
  return qvplatform::DispatchTable::GetTypeInfo(iTInfo, lcid, ppTInfo);
}

HRESULT QVCOposPrinter::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                      DISPID* rgDispId) {
  return DispTable().GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
}

HRESULT QVCOposPrinter::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                               UINT* puArgErr) {
  // The table calls members on the QVCOposPrinter it is handed.
  return DispTable().Invoke(static_cast<QVCOposPrinter*>(this), dispIdMember, riid, lcid, wFlags,
                            pDispParams, pVarResult, pExcepInfo, puArgErr);
}
