// The COM and OLE Automation data types, laid out exactly as on 64-bit
// Windows so that any language that can call a vtable can use them:
// HRESULT, GUID, BSTR, VARIANT_BOOL, VARIANT/VARIANTARG, DISPPARAMS,
// EXCEPINFO, with the status codes and type tags the runtime uses.
//
// OLECHAR is char16_t (UTF-16). A BSTR points at the first character of a
// string whose byte length is stored in the 4 bytes in front of it and which
// is followed by a NUL; it may hold embedded NULs. BSTRs are allocated and
// freed only through the Sys* functions (bstr.h).
#ifndef QV_PLATFORM_COM_TYPES_H_
#define QV_PLATFORM_COM_TYPES_H_

#include <cstddef>
#include <cstdint>

#include "platform/base/wintypes.h"

using HRESULT = int32_t;
using SCODE = int32_t;
using CHAR = char;
using SHORT = int16_t;
using USHORT = uint16_t;
using INT = int32_t;
using UINT = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using FLOAT = float;
using DOUBLE = double;
using DATE = double;
using LCID = DWORD;
using DISPID = LONG;
using MEMBERID = DISPID;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr IID IID_NULL = GUID_NULL;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// HRESULT helpers and the status codes the runtime returns.
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
// HRESULT_FROM_WIN32: 0 and negative codes pass unchanged, others become
// 0x8007xxxx with their low 16 bits.
constexpr HRESULT HRESULT_FROM_WIN32(int32_t code) {
  return code <= 0 ? code
                   : static_cast<HRESULT>((static_cast<uint32_t>(code) & 0xFFFFu) | 0x80070000u);
}

constexpr HRESULT MakeHresult(uint32_t value) { return static_cast<HRESULT>(value); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHresult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHresult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHresult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHresult(0x80070005u);
constexpr HRESULT E_HANDLE = MakeHresult(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057u);

constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresult(0x80040154u);
constexpr HRESULT REGDB_E_READREGDB = MakeHresult(0x80040150u);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeHresult(0x800401F0u);
constexpr HRESULT CO_E_CLASSSTRING = MakeHresult(0x800401F3u);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeHresult(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = MakeHresult(0x800401F9u);
constexpr HRESULT RPC_E_CHANGED_MODE = MakeHresult(0x80010106u);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHresult(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresult(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHresult(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresult(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresult(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeHresult(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHresult(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = MakeHresult(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = MakeHresult(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHresult(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHresult(0x8002000Fu);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHresult(0x8002802Bu);

// Locales passed to GetIDsOfNames/Invoke.
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x800;
constexpr LCID LOCALE_USER_DEFAULT = 0x400;

// Dispatch ids and Invoke flags.
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

// Class contexts for CoCreateInstance.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = 0x17;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_MULTITHREADED = 0x0;

// VARIANT type tags.
enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

// VariantChangeType flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x1;
constexpr USHORT VARIANT_ALPHABOOL = 0x2;

struct IUnknown;
struct IDispatch;
struct IRecordInfo;
struct SAFEARRAY;

struct CY {
  LONGLONG int64;
};

struct DECIMAL {
  USHORT wReserved;
  BYTE scale;
  BYTE sign;
  ULONG Hi32;
  ULONGLONG Lo64;
};

struct VARIANT {
  union {
    struct {
      VARTYPE vt;
      WORD wReserved1;
      WORD wReserved2;
      WORD wReserved3;
      union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        CY* pcyVal;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        DECIMAL* pdecVal;
        CHAR* pcVal;
        USHORT* puiVal;
        ULONG* pulVal;
        ULONGLONG* pullVal;
        INT* pintVal;
        UINT* puintVal;
        struct {
          void* pvRecord;
          IRecordInfo* pRecInfo;
        };
      };
    };
    DECIMAL decVal;
  };
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
  VARIANTARG* rgvarg;  // arguments in reverse order: the last is rgvarg[0]
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

static_assert(sizeof(GUID) == 16);
static_assert(sizeof(DECIMAL) == 16);
static_assert(sizeof(VARIANT) == 24);
static_assert(offsetof(VARIANT, vt) == 0);
static_assert(offsetof(VARIANT, lVal) == 8);
static_assert(offsetof(VARIANT, pRecInfo) == 16);
static_assert(sizeof(DISPPARAMS) == 24);
static_assert(offsetof(DISPPARAMS, cArgs) == 16);
static_assert(offsetof(DISPPARAMS, cNamedArgs) == 20);
static_assert(sizeof(EXCEPINFO) == 64);
static_assert(offsetof(EXCEPINFO, bstrDescription) == 16);
static_assert(offsetof(EXCEPINFO, scode) == 56);
static_assert(sizeof(VARIANT_BOOL) == 2);

#endif  // QV_PLATFORM_COM_TYPES_H_
