#include "platform/com/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "platform/com/bstr.h"
#include "platform/com/interfaces.h"

namespace {

// A source value read out of a variant, whatever its storage.
struct Scalar {
  enum class Kind {
    kEmpty,
    kNull,
    kSigned,
    kUnsigned,
    kReal,
    kBool,
    kString,
    kUnknown,
    kDispatch,
    kError
  };
  Kind kind = Kind::kEmpty;
  int64_t s = 0;
  uint64_t u = 0;
  double r = 0;
  bool real_is_single = false;
  BSTR str = nullptr;       // borrowed
  IUnknown* unk = nullptr;  // borrowed
  SCODE scode = 0;
};

bool IsKnownType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_ERROR: return true;
    default: return false;
  }
}

// Reads `v` (following one by-reference level) into `out`.
HRESULT ReadScalar(const VARIANT* v, Scalar* out) {
  VARTYPE vt = v->vt;
  if (vt == (VT_BYREF | VT_VARIANT)) {
    if (v->pvarVal == nullptr) return E_POINTER;
    if (v->pvarVal->vt == (VT_BYREF | VT_VARIANT)) return DISP_E_BADVARTYPE;
    return ReadScalar(v->pvarVal, out);
  }
  bool byref = (vt & VT_BYREF) != 0;
  VARTYPE base = vt & ~VT_BYREF;
  if ((vt & ~(VT_BYREF | VT_TYPEMASK)) != 0 || !IsKnownType(base)) return DISP_E_BADVARTYPE;
  if (byref && (base == VT_EMPTY || base == VT_NULL)) return DISP_E_BADVARTYPE;
  if (byref && v->byref == nullptr) return E_POINTER;
  using K = Scalar::Kind;
  switch (base) {
    case VT_EMPTY: out->kind = K::kEmpty; break;
    case VT_NULL: out->kind = K::kNull; break;
    case VT_I1:
      out->kind = K::kSigned;
      out->s = byref ? *v->pcVal : v->cVal;
      break;
    case VT_UI1:
      out->kind = K::kUnsigned;
      out->u = byref ? *v->pbVal : v->bVal;
      break;
    case VT_I2:
      out->kind = K::kSigned;
      out->s = byref ? *v->piVal : v->iVal;
      break;
    case VT_UI2:
      out->kind = K::kUnsigned;
      out->u = byref ? *v->puiVal : v->uiVal;
      break;
    case VT_I4:
      out->kind = K::kSigned;
      out->s = byref ? *v->plVal : v->lVal;
      break;
    case VT_UI4:
      out->kind = K::kUnsigned;
      out->u = byref ? *v->pulVal : v->ulVal;
      break;
    case VT_INT:
      out->kind = K::kSigned;
      out->s = byref ? *v->pintVal : v->intVal;
      break;
    case VT_UINT:
      out->kind = K::kUnsigned;
      out->u = byref ? *v->puintVal : v->uintVal;
      break;
    case VT_I8:
      out->kind = K::kSigned;
      out->s = byref ? *v->pllVal : v->llVal;
      break;
    case VT_UI8:
      out->kind = K::kUnsigned;
      out->u = byref ? *v->pullVal : v->ullVal;
      break;
    case VT_R4:
      out->kind = K::kReal;
      out->r = byref ? *v->pfltVal : v->fltVal;
      out->real_is_single = true;
      break;
    case VT_R8:
      out->kind = K::kReal;
      out->r = byref ? *v->pdblVal : v->dblVal;
      break;
    case VT_BOOL:
      out->kind = K::kBool;
      out->s = (byref ? *v->pboolVal : v->boolVal) != 0 ? -1 : 0;
      break;
    case VT_BSTR:
      out->kind = K::kString;
      out->str = byref ? *v->pbstrVal : v->bstrVal;
      break;
    case VT_DISPATCH:
      out->kind = K::kDispatch;
      out->unk = byref ? *v->ppdispVal : v->pdispVal;
      break;
    case VT_UNKNOWN:
      out->kind = K::kUnknown;
      out->unk = byref ? *v->ppunkVal : v->punkVal;
      break;
    case VT_ERROR:
      out->kind = K::kError;
      out->scode = byref ? *v->pscode : v->scode;
      break;
    default: return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

// The text of a BSTR as ASCII without surrounding blanks; false when it
// holds anything outside ASCII.
bool AsciiTrimmed(BSTR b, std::string* out) {
  out->clear();
  for (OLECHAR c : qvplatform::BstrView(b)) {
    if (c == 0 || c > 0x7F) return false;
    out->push_back(static_cast<char>(c));
  }
  size_t first = out->find_first_not_of(" \t");
  if (first == std::string::npos) {
    out->clear();
    return true;
  }
  size_t last = out->find_last_not_of(" \t");
  *out = out->substr(first, last - first + 1);
  return true;
}

bool EqualsIgnoreCase(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    char y = b[i];
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Turns a string source into a numeric one (signed integer or real).
HRESULT ParseNumber(BSTR b, Scalar* out) {
  std::string text;
  if (!AsciiTrimmed(b, &text) || text.empty()) return DISP_E_TYPEMISMATCH;
  const char* p = text.data();
  const char* end = p + text.size();
  if (*p == '+') {
    ++p;
    if (p == end || *p == '-') return DISP_E_TYPEMISMATCH;
  }
  int64_t integer = 0;
  auto int_result = std::from_chars(p, end, integer);
  if (int_result.ec == std::errc() && int_result.ptr == end) {
    out->kind = Scalar::Kind::kSigned;
    out->s = integer;
    return S_OK;
  }
  double real = 0;
  auto real_result = std::from_chars(p, end, real);
  if (real_result.ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
  if (real_result.ec != std::errc() || real_result.ptr != end) {
    return DISP_E_TYPEMISMATCH;
  }
  if (!std::isfinite(real)) return DISP_E_TYPEMISMATCH;
  out->kind = Scalar::Kind::kReal;
  out->r = real;
  return S_OK;
}

// Integer targets: their range and whether they are signed.
struct IntRange {
  bool is_signed;
  int64_t min;
  uint64_t max;
};

bool IntegerTarget(VARTYPE vt, IntRange* range) {
  switch (vt) {
    case VT_I1: *range = {true, INT8_MIN, INT8_MAX}; return true;
    case VT_UI1: *range = {false, 0, UINT8_MAX}; return true;
    case VT_I2: *range = {true, INT16_MIN, INT16_MAX}; return true;
    case VT_UI2: *range = {false, 0, UINT16_MAX}; return true;
    case VT_I4:
    case VT_INT: *range = {true, INT32_MIN, INT32_MAX}; return true;
    case VT_UI4:
    case VT_UINT: *range = {false, 0, UINT32_MAX}; return true;
    case VT_I8: *range = {true, INT64_MIN, INT64_MAX}; return true;
    case VT_UI8: *range = {false, 0, UINT64_MAX}; return true;
    default: return false;
  }
}

// Stores an in-range integer value (as two's complement bits) into `dest`.
void StoreInteger(VARTYPE vt, uint64_t bits, VARIANT* dest) {
  dest->vt = vt;
  dest->llVal = 0;
  switch (vt) {
    case VT_I1: dest->cVal = static_cast<CHAR>(bits); break;
    case VT_UI1: dest->bVal = static_cast<BYTE>(bits); break;
    case VT_I2: dest->iVal = static_cast<SHORT>(bits); break;
    case VT_UI2: dest->uiVal = static_cast<USHORT>(bits); break;
    case VT_I4: dest->lVal = static_cast<LONG>(bits); break;
    case VT_INT: dest->intVal = static_cast<INT>(bits); break;
    case VT_UI4: dest->ulVal = static_cast<ULONG>(bits); break;
    case VT_UINT: dest->uintVal = static_cast<UINT>(bits); break;
    case VT_I8: dest->llVal = static_cast<LONGLONG>(bits); break;
    case VT_UI8: dest->ullVal = bits; break;
    default: break;
  }
}

HRESULT ToInteger(const Scalar& src, VARTYPE vt, const IntRange& range, VARIANT* dest) {
  using K = Scalar::Kind;
  switch (src.kind) {
    case K::kEmpty: StoreInteger(vt, 0, dest); return S_OK;
    case K::kBool:
      // True is all bits set in every width, as automation does.
      StoreInteger(vt, static_cast<uint64_t>(src.s), dest);
      return S_OK;
    case K::kSigned:
      if (src.s < range.min) return DISP_E_OVERFLOW;
      if (src.s > 0 && static_cast<uint64_t>(src.s) > range.max) return DISP_E_OVERFLOW;
      StoreInteger(vt, static_cast<uint64_t>(src.s), dest);
      return S_OK;
    case K::kUnsigned:
      if (src.u > range.max) return DISP_E_OVERFLOW;
      StoreInteger(vt, src.u, dest);
      return S_OK;
    case K::kReal: {
      double rounded = std::nearbyint(src.r);  // round half to even
      if (!std::isfinite(rounded)) return DISP_E_OVERFLOW;
      if (range.is_signed) {
        if (rounded < static_cast<double>(range.min) ||
            rounded >= -static_cast<double>(range.min)) {
          return DISP_E_OVERFLOW;
        }
        int64_t value = static_cast<int64_t>(rounded);
        if (value > 0 && static_cast<uint64_t>(value) > range.max) return DISP_E_OVERFLOW;
        StoreInteger(vt, static_cast<uint64_t>(value), dest);
      } else {
        if (rounded < 0 || rounded >= static_cast<double>(range.max) + 1.0) {
          return DISP_E_OVERFLOW;
        }
        uint64_t value = static_cast<uint64_t>(rounded);
        if (value > range.max) return DISP_E_OVERFLOW;
        StoreInteger(vt, value, dest);
      }
      return S_OK;
    }
    case K::kString: {
      Scalar parsed;
      HRESULT hr = ParseNumber(src.str, &parsed);
      if (FAILED(hr)) return hr;
      return ToInteger(parsed, vt, range, dest);
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToReal(const Scalar& src, VARTYPE vt, VARIANT* dest) {
  using K = Scalar::Kind;
  double value = 0;
  switch (src.kind) {
    case K::kEmpty: value = 0; break;
    case K::kBool:
    case K::kSigned: value = static_cast<double>(src.s); break;
    case K::kUnsigned: value = static_cast<double>(src.u); break;
    case K::kReal: value = src.r; break;
    case K::kString: {
      Scalar parsed;
      HRESULT hr = ParseNumber(src.str, &parsed);
      if (FAILED(hr)) return hr;
      return ToReal(parsed, vt, dest);
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  dest->llVal = 0;
  if (vt == VT_R4) {
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
      return DISP_E_OVERFLOW;
    }
    dest->vt = VT_R4;
    dest->fltVal = static_cast<float>(value);
  } else {
    dest->vt = VT_R8;
    dest->dblVal = value;
  }
  return S_OK;
}

HRESULT ToBool(const Scalar& src, VARIANT* dest) {
  using K = Scalar::Kind;
  bool value = false;
  switch (src.kind) {
    case K::kEmpty: value = false; break;
    case K::kBool:
    case K::kSigned: value = src.s != 0; break;
    case K::kUnsigned: value = src.u != 0; break;
    case K::kReal: value = src.r != 0; break;
    case K::kString: {
      std::string text;
      if (!AsciiTrimmed(src.str, &text)) return DISP_E_TYPEMISMATCH;
      if (EqualsIgnoreCase(text, "true")) {
        value = true;
      } else if (EqualsIgnoreCase(text, "false")) {
        value = false;
      } else {
        Scalar parsed;
        HRESULT hr = ParseNumber(src.str, &parsed);
        if (FAILED(hr)) return hr;
        return ToBool(parsed, dest);
      }
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  dest->llVal = 0;
  dest->vt = VT_BOOL;
  dest->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

BSTR AsciiBstr(const std::string& text) {
  std::u16string wide(text.begin(), text.end());
  BSTR b = qvplatform::AllocBstr(wide);
  return b;
}

HRESULT ToString(const Scalar& src, USHORT flags, VARIANT* dest) {
  using K = Scalar::Kind;
  BSTR result = nullptr;
  switch (src.kind) {
    case K::kEmpty: result = SysAllocStringLen(u"", 0); break;
    case K::kString:
      result =
          SysAllocStringByteLen(reinterpret_cast<const char*>(src.str), SysStringByteLen(src.str));
      break;
    case K::kSigned: result = AsciiBstr(std::to_string(src.s)); break;
    case K::kUnsigned: result = AsciiBstr(std::to_string(src.u)); break;
    case K::kBool:
      if ((flags & VARIANT_ALPHABOOL) != 0) {
        result = AsciiBstr(src.s != 0 ? "True" : "False");
      } else {
        result = AsciiBstr(src.s != 0 ? "-1" : "0");
      }
      break;
    case K::kReal: {
      char buffer[64];
      std::snprintf(buffer, sizeof(buffer), src.real_is_single ? "%.7G" : "%.15G", src.r);
      result = AsciiBstr(buffer);
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  if (result == nullptr) return E_OUTOFMEMORY;
  dest->llVal = 0;
  dest->vt = VT_BSTR;
  dest->bstrVal = result;
  return S_OK;
}

HRESULT ToInterface(const Scalar& src, VARTYPE vt, VARIANT* dest) {
  using K = Scalar::Kind;
  if (src.kind != K::kDispatch && src.kind != K::kUnknown) return DISP_E_TYPEMISMATCH;
  IUnknown* result = nullptr;
  if (vt == VT_DISPATCH && src.kind == K::kUnknown && src.unk != nullptr) {
    void* p = nullptr;
    if (FAILED(src.unk->QueryInterface(IID_IDispatch, &p))) return DISP_E_TYPEMISMATCH;
    result = static_cast<IDispatch*>(p);
  } else {
    result = src.unk;
    if (result != nullptr) result->AddRef();
  }
  dest->llVal = 0;
  dest->vt = vt;
  if (vt == VT_DISPATCH) {
    dest->pdispVal = static_cast<IDispatch*>(result);
  } else {
    dest->punkVal = result;
  }
  return S_OK;
}

// Converts `src` into a fresh variant of type `vt` in `out` (uninitialised
// on entry, owning its value on success).
HRESULT Convert(const Scalar& src, USHORT flags, VARTYPE vt, VARIANT* out) {
  using K = Scalar::Kind;
  IntRange range;
  if (IntegerTarget(vt, &range)) return ToInteger(src, vt, range, out);
  switch (vt) {
    case VT_EMPTY:
      if (src.kind != K::kEmpty) return DISP_E_TYPEMISMATCH;
      out->vt = VT_EMPTY;
      return S_OK;
    case VT_NULL:
      if (src.kind != K::kNull) return DISP_E_TYPEMISMATCH;
      out->vt = VT_NULL;
      return S_OK;
    case VT_R4:
    case VT_R8: return ToReal(src, vt, out);
    case VT_BOOL: return ToBool(src, out);
    case VT_BSTR: return ToString(src, flags, out);
    case VT_DISPATCH:
    case VT_UNKNOWN: return ToInterface(src, vt, out);
    case VT_ERROR:
      if (src.kind != K::kError) return DISP_E_TYPEMISMATCH;
      out->llVal = 0;
      out->vt = VT_ERROR;
      out->scode = src.scode;
      return S_OK;
    default: return IsKnownType(vt) ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
  }
}

}  // namespace

extern "C" {

void VariantInit(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return;
  std::memset(pvarg, 0, sizeof(*pvarg));
  pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  VARTYPE vt = pvarg->vt;
  if ((vt & VT_BYREF) == 0) {
    switch (vt) {
      case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
      case VT_DISPATCH:
      case VT_UNKNOWN:
        if (pvarg->punkVal != nullptr) pvarg->punkVal->Release();
        break;
      default:
        if (!IsKnownType(vt)) return DISP_E_BADVARTYPE;
        break;
    }
  }
  pvarg->vt = VT_EMPTY;
  pvarg->llVal = 0;
  pvarg->pRecInfo = nullptr;
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  VARIANT copy = *pvargSrc;
  if (pvargSrc->vt == VT_BSTR && pvargSrc->bstrVal != nullptr) {
    copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(pvargSrc->bstrVal),
                                         SysStringByteLen(pvargSrc->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  } else if ((pvargSrc->vt == VT_DISPATCH || pvargSrc->vt == VT_UNKNOWN) &&
             pvargSrc->punkVal != nullptr) {
    pvargSrc->punkVal->AddRef();
  } else if ((pvargSrc->vt & VT_BYREF) == 0 && !IsKnownType(pvargSrc->vt)) {
    return DISP_E_BADVARTYPE;
  }
  HRESULT hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *pvargDest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
  if (pvarDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if ((pvargSrc->vt & VT_BYREF) == 0) return VariantCopy(pvarDest, pvargSrc);
  VARTYPE base = pvargSrc->vt & ~VT_BYREF;
  if (base == VT_VARIANT) {
    if (pvargSrc->pvarVal == nullptr) return E_POINTER;
    return VariantCopyInd(pvarDest, pvargSrc->pvarVal);
  }
  return VariantChangeType(pvarDest, pvargSrc, 0, base);
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt) {
  if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
  if ((vt & ~VT_TYPEMASK) != 0) return DISP_E_BADVARTYPE;
  Scalar src;
  HRESULT hr = ReadScalar(pvarSrc, &src);
  if (FAILED(hr)) return hr;
  VARIANT result;
  VariantInit(&result);
  hr = Convert(src, wFlags, vt, &result);
  if (FAILED(hr)) return hr;
  // The source is no longer needed; clearing the destination may free it
  // when both are the same variant.
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *pvargDest = result;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID, USHORT wFlags,
                            VARTYPE vt) {
  return VariantChangeType(pvargDest, pvarSrc, wFlags, vt);
}

}  // extern "C"
