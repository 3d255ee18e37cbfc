// The type library QVSOLib: the description of the server's two dual
// dispatch interfaces and two creatable classes, as data. It is the
// reference the dispatch tables of the service objects are checked against
// and what registration records under HKEY_CLASSES_ROOT\TypeLib and
// \Interface. Immutable; any thread.
#ifndef QV_SERVICE_OBJECT_CORE_TYPE_LIBRARY_H_
#define QV_SERVICE_OBJECT_CORE_TYPE_LIBRARY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/types.h"

// Parameter attributes, as in a type library.
constexpr uint16_t PARAMFLAG_NONE = 0x0;
constexpr uint16_t PARAMFLAG_FIN = 0x1;
constexpr uint16_t PARAMFLAG_FOUT = 0x2;
constexpr uint16_t PARAMFLAG_FRETVAL = 0x8;

struct TypeLibParam {
  const char16_t* name;
  VARTYPE type;    // VT_I4, VT_BSTR, VT_BOOL, VT_DISPATCH, or VT_BYREF | ...
  uint16_t flags;  // PARAMFLAG_*
};

struct TypeLibMethod {
  const char16_t* name;
  DISPID dispid;
  std::vector<TypeLibParam> params;
};

struct TypeLibInterface {
  const char16_t* name;
  IID iid;
  const char16_t* helpString;
  std::vector<TypeLibMethod> methods;  // in vtable order after IDispatch
};

struct TypeLibClass {
  const char16_t* name;
  CLSID clsid;
  const char16_t* helpString;
  const TypeLibInterface* defaultInterface;
};

struct TypeLibrary {
  const char16_t* name;
  const char16_t* helpString;
  GUID libid;
  uint16_t majorVersion;
  uint16_t minorVersion;
  LCID lcid;
  const TypeLibInterface* interfaces[2];
  TypeLibClass classes[2];
};

const TypeLibrary& QvsoTypeLibrary();
const TypeLibInterface& IOposPrinterDescription();
const TypeLibInterface& ICCashDrawerDescription();

// Registers the library (TypeLib\{libid}\1.0 with the module path) and its
// interfaces (Interface\{iid}) under HKEY_CLASSES_ROOT. Returns S_OK or the
// HRESULT of the failing registry step.
HRESULT RegisterQvsoTypeLibrary(const std::u16string& modulePath);
HRESULT UnregisterQvsoTypeLibrary();

#endif  // QV_SERVICE_OBJECT_CORE_TYPE_LIBRARY_H_
