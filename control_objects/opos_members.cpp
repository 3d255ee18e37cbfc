#include "control_objects/opos_members.h"

#include <string>

#include "platform/com/dispatch.h"

namespace qvcontrols {
namespace {

constexpr ArgType L = ArgType::kLong;
constexpr ArgType S = ArgType::kString;
constexpr ArgType LRef = ArgType::kLongRef;
constexpr ArgType SRef = ArgType::kStringRef;

constexpr SoResult kRet = SoResult::kRetval;
constexpr SoResult kPtr = SoResult::kRcPointer;
constexpr SoResult kNone = SoResult::kNone;
constexpr SoResult kLocal = SoResult::kLocal;

constexpr PropKind N = PropKind::kNumber;
constexpr PropKind T = PropKind::kString;
constexpr PropKind Local = PropKind::kLocal;

// Methods both classes have.
std::vector<MethodDef> CommonMethods() {
  return {
      {u"Open", 37, {{u"DeviceName", S}}, kLocal},
      {u"Close", 35, {}, kLocal},
      {u"ClaimDevice", 32, {{u"Timeout", L}}, kRet},
      {u"ReleaseDevice", 38, {}, kRet},
      {u"CheckHealth", 31, {{u"Level", L}}, kRet},
      {u"ClearInput", 33, {}, kRet},
      {u"DirectIO", 36, {{u"Command", L}, {u"pData", LRef}, {u"pString", SRef}}, kRet},
      {u"ResetStatistics", 300, {{u"StatisticsBuffer", S}}, kRet},
      {u"RetrieveStatistics", 301, {{u"pStatisticsBuffer", SRef}}, kPtr},
      {u"UpdateStatistics", 302, {{u"StatisticsBuffer", S}}, kRet},
      {u"CompareFirmwareVersion", 303, {{u"FirmwareFileName", S}, {u"pResult", LRef}}, kPtr},
      {u"UpdateFirmware", 304, {{u"FirmwareFileName", S}}, kPtr},
  };
}

std::vector<MethodDef> PrinterMethods() {
  std::vector<MethodDef> methods = CommonMethods();
  std::vector<MethodDef> own = {
      {u"ClearOutput", 34, {}, kRet},
      {u"CutPaper", 162, {{u"Percentage", L}}, kRet},
      {u"PrintBarCode",
       165,
       {{u"Station", L},
        {u"Data", S},
        {u"Symbology", L},
        {u"Height", L},
        {u"Width", L},
        {u"Alignment", L},
        {u"TextPosition", L}},
       kRet},
      {u"PrintBitmap",
       166,
       {{u"Station", L}, {u"FileName", S}, {u"Width", L}, {u"Alignment", L}},
       kRet},
      {u"PrintImmediate", 167, {{u"Station", L}, {u"Data", S}}, kRet},
      {u"PrintNormal", 168, {{u"Station", L}, {u"Data", S}}, kNone},
      {u"RotatePrint", 170, {{u"Station", L}, {u"Rotation", L}}, kRet},
      {u"SetBitmap",
       171,
       {{u"BitmapNumber", L}, {u"Station", L}, {u"FileName", S}, {u"Width", L}, {u"Alignment", L}},
       kRet},
      {u"TransactionPrint", 173, {{u"Station", L}, {u"Control", L}}, kRet},
      {u"ValidateData", 174, {{u"Station", L}, {u"Data", S}}, kRet},
      {u"MarkFeed", 176, {{u"Type", L}}, kRet},
      {u"PageModePrint", 178, {{u"Control", L}}, kNone},
      {u"PrintMemoryBitmap",
       179,
       {{u"Station", L}, {u"Data", S}, {u"Type", L}, {u"Width", L}, {u"Alignment", L}},
       kNone},
      {u"BeginInsertion", 310, {{u"Timeout", L}}, kRet},
      {u"BeginRemoval", 311, {{u"Timeout", L}}, kRet},
      {u"EndInsertion", 312, {}, kRet},
      {u"EndRemoval", 313, {}, kRet},
      {u"PrintTwoNormal", 314, {{u"Station", L}, {u"Data1", S}, {u"Data2", S}}, kRet},
      {u"SetLogo", 315, {{u"Location", L}, {u"Data", S}}, kRet},
      {u"ChangePrintSide", 316, {}, kRet},
      {u"ClearPrintArea", 317, {}, kPtr},
      {u"DrawRuledLine",
       318,
       {{u"Station", L},
        {u"PositionList", S},
        {u"LineDirection", L},
        {u"LineWidth", L},
        {u"LineStyle", L},
        {u"LineColor", L}},
       kPtr},
  };
  methods.insert(methods.end(), own.begin(), own.end());
  return methods;
}

std::vector<MethodDef> DrawerMethods() {
  std::vector<MethodDef> methods = CommonMethods();
  methods.push_back({u"OpenDrawer", 60, {}, kNone});
  methods.push_back(
      {u"WaitForDrawerClose",
       320,
       {{u"BeepTimeout", L}, {u"BeepFrequency", L}, {u"BeepDuration", L}, {u"BeepDelay", L}},
       kNone});
  return methods;
}

std::vector<PropertyDef> CommonProperties() {
  return {
      {u"Claimed", 500, 1, N, false},
      {u"DataEventEnabled", 501, 2, N, true},
      {u"DeviceEnabled", 17, 3, N, true},
      {u"FreezeEvents", 502, 4, N, true},
      {u"OutputID", 503, 5, N, false},
      {u"ResultCode", 22, PIDX_ResultCode, Local, false},
      {u"ResultCodeExtended", 23, PIDX_ResultCodeExtended, Local, false},
      {u"ServiceObjectVersion", 504, 8, N, false},
      {u"State", 24, 9, N, false},
      {u"AutoDisable", 505, 10, N, true},
      {u"BinaryConversion", 11, 11, N, true},
      {u"DataCount", 506, 12, N, false},
      {u"PowerNotify", 507, 13, N, true},
      {u"PowerState", 508, 14, N, false},
      {u"CapPowerReporting", 509, 501, N, false},
      {u"CapStatisticsReporting", 510, 502, N, false},
      {u"CapUpdateStatistics", 511, 503, N, false},
      {u"CheckHealthText", 13, 1000001, T, false},
      {u"DeviceDescription", 512, 1000002, T, false},
      {u"DeviceName", 513, 1000003, T, false},
      {u"ServiceObjectDescription", 514, 1000004, T, false},
      {u"OpenResult", 515, 0, Local, false},
      {u"ControlObjectVersion", 516, 0, Local, false},
      {u"ControlObjectDescription", 517, 0, Local, false, true},
  };
}

std::vector<PropertyDef> PrinterProperties() {
  std::vector<PropertyDef> props = CommonProperties();
  std::vector<PropertyDef> own = {
      {u"AsyncMode", 50, 8001, N, true},
      {u"CharacterSet", 530, 8002, N, true},
      {u"CoverOpen", 531, 8003, N, false},
      {u"ErrorStation", 532, 8004, N, false},
      {u"FlagWhenIdle", 533, 8005, N, true},
      {u"MapMode", 116, 8013, N, true},
      {u"RecEmpty", 534, 8014, N, false},
      {u"RecLetterQuality", 535, 8015, N, true},
      {u"RecLineChars", 536, 8016, N, true},
      {u"RecLineHeight", 122, 8017, N, true},
      {u"RecLineSpacing", 123, 8018, N, true},
      {u"RecLinesToPaperCut", 124, 8019, N, false},
      {u"RecLineWidth", 125, 8020, N, false},
      {u"RecNearEnd", 537, 8021, N, false},
      {u"RecSidewaysMaxChars", 538, 8022, N, false},
      {u"RecSidewaysMaxLines", 539, 8023, N, false},
      {u"ErrorLevel", 540, 8035, N, false},
      {u"RotateSpecial", 541, 8036, N, true},
      {u"JrnCartridgeState", 542, 8038, N, false},
      {u"SlpCurrentCartridge", 543, 8044, N, true},
      {u"MapCharacterSet", 544, 8045, N, true},
      {u"PageModeHorizontalPosition", 199, 8047, N, true},
      {u"PageModePrintDirection", 201, 8048, N, true},
      {u"PageModeStation", 545, 8049, N, true},
      {u"PageModeVerticalPosition", 203, 8050, N, true},
      {u"CapCoverSensor", 546, 8504, N, false},
      // CapRecBarCode to CapRecUnderline: ids 67 to 82 in alphabetical order.
      {u"CapRecBarCode", 67, 8516, N, false},
      {u"CapRecBitmap", 68, 8517, N, false},
      {u"CapRecBold", 69, 8518, N, false},
      {u"CapRecDhigh", 70, 8519, N, false},
      {u"CapRecDwide", 71, 8520, N, false},
      {u"CapRecDwideDhigh", 72, 8521, N, false},
      {u"CapRecEmptySensor", 73, 8522, N, false},
      {u"CapRecItalic", 74, 8523, N, false},
      {u"CapRecLeft90", 75, 8524, N, false},
      {u"CapRecNearEndSensor", 76, 8525, N, false},
      {u"CapRecPapercut", 77, 8526, N, false},
      {u"CapRecPresent", 78, 8527, N, false},
      {u"CapRecRight90", 79, 8528, N, false},
      {u"CapRecRotate180", 80, 8529, N, false},
      {u"CapRecStamp", 81, 8530, N, false},
      {u"CapRecUnderline", 82, 8531, N, false},
      {u"CapCharacterSet", 51, 8548, N, false},
      {u"CapTransaction", 547, 8549, N, false},
      {u"CapRecColor", 146, 8553, N, false},
      {u"CapMapCharacterSet", 548, 8558, N, false},
      {u"CapRecPageMode", 195, 8560, N, false},
      // Capabilities this printer's service object does not serve: it
      // answers their indexes with 0 and ResultCode 106.
      {u"CapRecCartridgeSensor", 145, 8552, N, false},
      {u"CapRecMarkFeed", 147, 8559, N, false},
      {u"CapRecRuledLine", 204, 8563, N, false},
      {u"CharacterSetList", 550, 1008001, T, false},
      {u"JrnLineCharsList", 551, 1008002, T, false},
      {u"RecLineCharsList", 552, 1008003, T, false},
      {u"SlpLineCharsList", 553, 1008004, T, false},
      {u"ErrorString", 554, 1008005, T, false},
      {u"FontTypefaceList", 555, 1008006, T, false},
      {u"RecBarCodeRotationList", 556, 1008007, T, false},
      {u"SlpBarCodeRotationList", 557, 1008008, T, false},
      {u"RecBitmapRotationList", 558, 1008009, T, false},
      {u"SlpBitmapRotationList", 559, 1008010, T, false},
      {u"PageModeArea", 560, 1008011, T, false},
      {u"PageModePrintArea", 200, 1008012, T, true},
  };
  props.insert(props.end(), own.begin(), own.end());
  return props;
}

std::vector<PropertyDef> DrawerProperties() {
  std::vector<PropertyDef> props = CommonProperties();
  props.push_back({u"DrawerOpened", 570, 1001, N, false});
  props.push_back({u"CapStatus", 571, 1501, N, false});
  props.push_back({u"CapStatusMultiDrawerDetect", 572, 1502, N, false});
  return props;
}

template <typename Def>
const Def* ByName(const std::vector<Def>& defs, std::u16string_view name) {
  std::u16string key(name);
  for (const Def& def : defs) {
    if (qvplatform::DispNamesEqual(def.name, key.c_str())) return &def;
  }
  return nullptr;
}

template <typename Def>
const Def* ById(const std::vector<Def>& defs, DISPID dispid) {
  for (const Def& def : defs) {
    if (def.dispid == dispid) return &def;
  }
  return nullptr;
}

}  // namespace

const std::vector<MethodDef>& Methods(DeviceClass deviceClass) {
  static const std::vector<MethodDef> printer = PrinterMethods();
  static const std::vector<MethodDef> drawer = DrawerMethods();
  return deviceClass == DeviceClass::kPosPrinter ? printer : drawer;
}

const std::vector<PropertyDef>& Properties(DeviceClass deviceClass) {
  static const std::vector<PropertyDef> printer = PrinterProperties();
  static const std::vector<PropertyDef> drawer = DrawerProperties();
  return deviceClass == DeviceClass::kPosPrinter ? printer : drawer;
}

const MethodDef* FindMethod(DeviceClass deviceClass, std::u16string_view name) {
  return ByName(Methods(deviceClass), name);
}
const MethodDef* FindMethod(DeviceClass deviceClass, DISPID dispid) {
  return ById(Methods(deviceClass), dispid);
}
const PropertyDef* FindProperty(DeviceClass deviceClass, std::u16string_view name) {
  return ByName(Properties(deviceClass), name);
}
const PropertyDef* FindProperty(DeviceClass deviceClass, DISPID dispid) {
  return ById(Properties(deviceClass), dispid);
}

const char16_t* DeviceClassName(DeviceClass deviceClass) {
  return deviceClass == DeviceClass::kPosPrinter ? u"POSPrinter" : u"CashDrawer";
}

}  // namespace qvcontrols
