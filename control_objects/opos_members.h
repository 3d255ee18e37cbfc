// The members the stand-in control objects expose, per device class: the
// methods (with their parameters, and how the service object returns the
// outcome) and the properties (with their property indexes).
//
// Dispatch ids: the members applications bind by number keep their fixed
// ids (Open 37, ClaimDevice 32, ReleaseDevice 38, Close 35, DeviceEnabled 17,
// ResultCode 22, ResultCodeExtended 23, the printer's print methods and
// capabilities, OpenDrawer 60, ...); every other member has an id of this
// library (300 and up for methods, 500 and up for properties) and is
// reached by name. Events have ids 1 to 5 (DataEvent, DirectIOEvent,
// ErrorEvent, OutputCompleteEvent, StatusUpdateEvent); the callbacks the
// service object calls (SOData, ...) have ids 9001 to 9005.
//
// The tables are immutable; any thread may read them.
#ifndef QV_CONTROL_OBJECTS_OPOS_MEMBERS_H_
#define QV_CONTROL_OBJECTS_OPOS_MEMBERS_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/com/types.h"

namespace qvcontrols {

enum class DeviceClass { kPosPrinter, kCashDrawer };

enum class ArgType : uint8_t { kLong, kString, kLongRef, kStringRef };

struct ParamDef {
  const char16_t* name;
  ArgType type;
};

// How the service object's method reports its outcome.
enum class SoResult : uint8_t {
  kRetval,     // a trailing out/retval long
  kRcPointer,  // a trailing by-reference long after the parameters
  kNone,       // nothing: the control object reads ResultCode afterwards
  kLocal,      // handled by the control object itself (Open, Close)
};

struct MethodDef {
  const char16_t* name;
  DISPID dispid;
  std::vector<ParamDef> params;
  SoResult soResult;
};

enum class PropKind : uint8_t {
  kNumber,  // GetPropertyNumber / SetPropertyNumber with pidx
  kString,  // GetPropertyString / SetPropertyString with pidx
  kLocal,   // answered by the control object (ResultCode, OpenResult, ...)
};

struct PropertyDef {
  const char16_t* name;
  DISPID dispid;
  LONG pidx;
  PropKind kind;
  bool writable;
  bool localString = false;  // a kLocal property of string type
};

// Events.
inline constexpr DISPID kDispidDataEvent = 1;
inline constexpr DISPID kDispidDirectIOEvent = 2;
inline constexpr DISPID kDispidErrorEvent = 3;
inline constexpr DISPID kDispidOutputCompleteEvent = 4;
inline constexpr DISPID kDispidStatusUpdateEvent = 5;

// The service object's callbacks into the control object.
inline constexpr DISPID kDispidSOData = 9001;
inline constexpr DISPID kDispidSODirectIO = 9002;
inline constexpr DISPID kDispidSOError = 9003;
inline constexpr DISPID kDispidSOOutputComplete = 9004;
inline constexpr DISPID kDispidSOStatusUpdate = 9005;

// Common property indexes the control object itself relies on.
inline constexpr LONG PIDX_ResultCode = 6;
inline constexpr LONG PIDX_ResultCodeExtended = 7;

const std::vector<MethodDef>& Methods(DeviceClass deviceClass);
const std::vector<PropertyDef>& Properties(DeviceClass deviceClass);

// Look-ups by name (case-insensitive) or dispid; null when absent.
const MethodDef* FindMethod(DeviceClass deviceClass, std::u16string_view name);
const MethodDef* FindMethod(DeviceClass deviceClass, DISPID dispid);
const PropertyDef* FindProperty(DeviceClass deviceClass, std::u16string_view name);
const PropertyDef* FindProperty(DeviceClass deviceClass, DISPID dispid);

// "POSPrinter" / "CashDrawer".
const char16_t* DeviceClassName(DeviceClass deviceClass);

}  // namespace qvcontrols

#endif  // QV_CONTROL_OBJECTS_OPOS_MEMBERS_H_
