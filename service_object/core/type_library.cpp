#include "service_object/core/type_library.h"

#include "platform/com/guid.h"
#include "service_object/core/qvso_interfaces.h"
#include "service_object/core/registration.h"

namespace {

constexpr VARTYPE kLong = VT_I4;
constexpr VARTYPE kBstr = VT_BSTR;
constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;
constexpr VARTYPE kBstrRef = VT_BYREF | VT_BSTR;
constexpr uint16_t kIn = PARAMFLAG_FIN;
constexpr uint16_t kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
constexpr uint16_t kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
constexpr uint16_t kPointer = PARAMFLAG_NONE;  // "in, pointer to long": no direction

TypeLibParam In(const char16_t* name, VARTYPE type) { return {name, type, kIn}; }
TypeLibParam Rc() { return {u"pRC", kLongRef, kRetval}; }
TypeLibParam RcPointer() { return {u"pRC", kLongRef, kPointer}; }

TypeLibInterface MakePrinter() {
  return {
      u"IOposPrinter",
      IID_IOposPrinter,
      u"IOposPrinter Interface",
      {
          {u"COFreezeEvents", 1, {In(u"Freeze", VT_BOOL), Rc()}},
          {u"GetPropertyNumber", 2, {In(u"PropIndex", kLong), {u"pNumber", kLongRef, kRetval}}},
          {u"SetPropertyNumber", 3, {In(u"PropIndex", kLong), In(u"Number", kLong)}},
          {u"GetPropertyString", 4, {In(u"PropIndex", kLong), {u"pString", kBstrRef, kRetval}}},
          {u"SetPropertyString", 5, {In(u"PropIndex", kLong), In(u"String", kBstr)}},
          {u"OpenService",
           6,
           {In(u"DeviceClass", kBstr), In(u"DeviceName", kBstr), In(u"pDispatch", VT_DISPATCH),
            Rc()}},
          {u"CloseService", 7, {Rc()}},
          {u"ClaimDevice", 8, {In(u"Timeout", kLong), Rc()}},
          {u"ReleaseDevice", 9, {Rc()}},
          {u"BeginInsertion", 10, {In(u"Timeout", kLong), Rc()}},
          {u"BeginRemoval", 11, {In(u"Timeout", kLong), Rc()}},
          {u"CutPaper", 12, {In(u"Percentage", kLong), Rc()}},
          {u"EndInsertion", 13, {Rc()}},
          {u"EndRemoval", 14, {Rc()}},
          {u"PrintBarCode",
           15,
           {In(u"Station", kLong), In(u"Data", kBstr), In(u"Symbology", kLong),
            In(u"Height", kLong), In(u"Width", kLong), In(u"Alignment", kLong),
            In(u"TextPosition", kLong), Rc()}},
          {u"PrintBitmap",
           16,
           {In(u"Station", kLong), In(u"FileName", kBstr), In(u"Width", kLong),
            In(u"Alignment", kLong), Rc()}},
          {u"PrintImmediate", 17, {In(u"Station", kLong), In(u"Data", kBstr), Rc()}},
          {u"PrintNormal", 18, {In(u"Station", kLong), In(u"Data", kBstr)}},
          {u"PrintTwoNormal",
           19,
           {In(u"Station", kLong), In(u"Data1", kBstr), In(u"Data2", kBstr), Rc()}},
          {u"RotatePrint", 20, {In(u"Station", kLong), In(u"Rotation", kLong), Rc()}},
          {u"SetBitmap",
           21,
           {In(u"BitmapNumber", kLong), In(u"Station", kLong), In(u"FileName", kBstr),
            In(u"Width", kLong), In(u"Alignment", kLong), Rc()}},
          {u"SetLogo", 22, {In(u"Location", kLong), In(u"Data", kBstr), Rc()}},
          {u"TransactionPrint", 23, {In(u"Station", kLong), In(u"Control", kLong), Rc()}},
          {u"ValidateData", 24, {In(u"Station", kLong), In(u"Data", kBstr), Rc()}},
          {u"ChangePrintSide", 25, {Rc()}},
          {u"MarkFeed", 26, {In(u"Type", kLong), Rc()}},
          {u"CheckHealth", 27, {In(u"Level", kLong), Rc()}},
          {u"ClearOutput", 28, {Rc()}},
          {u"ClearInput", 29, {Rc()}},
          {u"DirectIO",
           30,
           {In(u"Command", kLong),
            {u"pData", kLongRef, kInOut},
            {u"pString", kBstrRef, kInOut},
            Rc()}},
          {u"GetOpenResult", 31, {Rc()}},
          {u"ResetStatistics", 32, {In(u"statisticsBuffer", kBstr), Rc()}},
          {u"RetrieveStatistics", 33, {{u"pStatisticsBuffer", kBstrRef, kInOut}, RcPointer()}},
          {u"UpdateStatistics", 34, {In(u"statisticsBuffer", kBstr), Rc()}},
          {u"CompareFirmwareVersion",
           35,
           {In(u"FirmwareFileName", kBstr), {u"pResult", kLongRef, kPointer}, RcPointer()}},
          {u"UpdateFirmware", 36, {In(u"FirmwareFileName", kBstr), RcPointer()}},
          {u"ClearPrintArea", 37, {RcPointer()}},
          {u"PageModePrint", 38, {In(u"Control", kLong)}},
          {u"PrintMemoryBitmap",
           39,
           {In(u"Station", kLong), In(u"Data", kBstr), In(u"Type", kLong), In(u"Width", kLong),
            In(u"Alignment", kLong)}},
          {u"DrawRuledLine",
           40,
           {In(u"Station", kLong), In(u"PositionList", kBstr), In(u"LineDirection", kLong),
            In(u"LineWidth", kLong), In(u"LineStyle", kLong), In(u"LineColor", kLong),
            RcPointer()}},
      },
  };
}

TypeLibInterface MakeCashDrawer() {
  return {
      u"ICCashDrawer",
      IID_ICCashDrawer,
      u"ICCashDrawer Interface",
      {
          {u"OpenService",
           1,
           {In(u"DeviceClass", kBstr), In(u"DeviceName", kBstr), In(u"pDispatch", VT_DISPATCH),
            Rc()}},
          {u"CheckHealth", 2, {In(u"Level", kLong), Rc()}},
          {u"ClaimDevice", 3, {In(u"Timeout", kLong), Rc()}},
          {u"ClearInput", 4, {Rc()}},
          {u"CloseService", 5, {Rc()}},
          {u"COFreezeEvents", 6, {In(u"Freeze", VT_BOOL), Rc()}},
          {u"DirectIO",
           7,
           {In(u"Command", kLong),
            {u"pData", kLongRef, kInOut},
            {u"pString", kBstrRef, kInOut},
            Rc()}},
          {u"GetOpenResult", 8, {Rc()}},
          {u"ReleaseDevice", 9, {Rc()}},
          {u"GetPropertyNumber", 10, {In(u"PropIndex", kLong), {u"pNumber", kLongRef, kRetval}}},
          {u"GetPropertyString", 11, {In(u"PropIndex", kLong), {u"pString", kBstrRef, kRetval}}},
          {u"SetPropertyNumber", 12, {In(u"PropIndex", kLong), In(u"Number", kLong)}},
          {u"SetPropertyString", 13, {In(u"PropIndex", kLong), In(u"String", kBstr)}},
          {u"ResetStatistics", 14, {In(u"statisticsBuffer", kBstr), Rc()}},
          {u"RetrieveStatistics", 15, {{u"pStatisticsBuffer", kBstrRef, kInOut}, RcPointer()}},
          {u"UpdateStatistics", 16, {In(u"statisticsBuffer", kBstr), Rc()}},
          {u"OpenDrawer", 17, {}},
          {u"WaitForDrawerClose",
           18,
           {In(u"BeepTimeout", kLong), In(u"BeepFrequency", kLong), In(u"BeepDuration", kLong),
            In(u"BeepDelay", kLong)}},
      },
  };
}

// The standard marshaler of dual interfaces.
constexpr char16_t kDispatchProxyStub[] = u"{00020424-0000-0000-C000-000000000046}";

}  // namespace

const TypeLibInterface& IOposPrinterDescription() {
  static const TypeLibInterface description = MakePrinter();
  return description;
}

const TypeLibInterface& ICCashDrawerDescription() {
  static const TypeLibInterface description = MakeCashDrawer();
  return description;
}

const TypeLibrary& QvsoTypeLibrary() {
  static const TypeLibrary library = {
      u"QVSOLib",
      u"QVSO 1.0 Type Library",
      LIBID_QVSOLib,
      1,
      0,
      0x409,
      {&IOposPrinterDescription(), &ICCashDrawerDescription()},
      {{u"QVOposPrinter", CLSID_QVOposPrinter, u"QV OPOS Printer Class",
        &IOposPrinterDescription()},
       {u"CCashDrawer", CLSID_CCashDrawer, u"QV OPOS CashDrawer Class",
        &ICCashDrawerDescription()}},
  };
  return library;
}

namespace {

HRESULT Check(LSTATUS status) {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<int32_t>(status));
}

std::u16string LibraryKey() {
  return u"TypeLib\\" + qvplatform::GuidToString(QvsoTypeLibrary().libid);
}

std::u16string DirectoryOf(const std::u16string& path) {
  size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

}  // namespace

HRESULT RegisterQvsoTypeLibrary(const std::u16string& modulePath) {
  const TypeLibrary& library = QvsoTypeLibrary();
  const std::u16string versionKey = LibraryKey() + u"\\1.0";
  HRESULT hr = Check(SetRegString(HKEY_CLASSES_ROOT, versionKey, nullptr, library.helpString));
  if (SUCCEEDED(hr))
    hr = Check(SetRegString(HKEY_CLASSES_ROOT, versionKey + u"\\FLAGS", nullptr, u"0"));
  if (SUCCEEDED(hr)) {
    hr = Check(SetRegString(HKEY_CLASSES_ROOT, versionKey + u"\\HELPDIR", nullptr,
                            DirectoryOf(modulePath)));
  }
  if (SUCCEEDED(hr)) {
    hr = Check(SetRegString(HKEY_CLASSES_ROOT, versionKey + u"\\409\\win32", nullptr, modulePath));
  }
  for (const TypeLibInterface* itf : library.interfaces) {
    if (FAILED(hr)) break;
    const std::u16string key = u"Interface\\" + qvplatform::GuidToString(itf->iid);
    hr = Check(SetRegString(HKEY_CLASSES_ROOT, key, nullptr, itf->name));
    if (SUCCEEDED(hr)) {
      hr = Check(SetRegString(HKEY_CLASSES_ROOT, key + u"\\ProxyStubClsid32", nullptr,
                              kDispatchProxyStub));
    }
    if (SUCCEEDED(hr)) {
      hr = Check(SetRegString(HKEY_CLASSES_ROOT, key + u"\\TypeLib", nullptr,
                              qvplatform::GuidToString(library.libid)));
    }
    if (SUCCEEDED(hr)) {
      hr = Check(SetRegString(HKEY_CLASSES_ROOT, key + u"\\TypeLib", u"Version", u"1.0"));
    }
  }
  return hr;
}

HRESULT UnregisterQvsoTypeLibrary() {
  const TypeLibrary& library = QvsoTypeLibrary();
  for (const TypeLibInterface* itf : library.interfaces) {
    HRESULT hr = Check(
        DeleteRegTree(HKEY_CLASSES_ROOT, u"Interface\\" + qvplatform::GuidToString(itf->iid)));
    if (FAILED(hr)) return hr;
  }
  return Check(DeleteRegTree(HKEY_CLASSES_ROOT, LibraryKey()));
}
