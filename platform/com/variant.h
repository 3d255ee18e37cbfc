// VARIANT handling (oleaut32's Variant* functions), exported with C linkage.
//
// VariantClear frees what a variant owns (a BSTR, an interface reference)
// and leaves it VT_EMPTY; a by-reference variant owns nothing. VariantCopy
// duplicates BSTRs and adds interface references. VariantChangeType
// converts between the scalar types as automation clients expect:
// - integers of every width, VT_R4/VT_R8 and VT_BOOL (true is -1) convert
//   into each other; floating values round half to even; a value outside the
//   target's range gives DISP_E_OVERFLOW;
// - a BSTR converts to a number when it holds one (surrounding blanks
//   allowed) and to VT_BOOL also from "True"/"False"; numbers convert to
//   decimal text, VT_BOOL to "True"/"False" with VARIANT_ALPHABOOL and to
//   "-1"/"0" without;
// - VT_EMPTY converts to 0, false or the empty string; VT_NULL only to
//   VT_NULL; VT_UNKNOWN converts to VT_DISPATCH through QueryInterface;
// - a by-reference source is read through its pointer (also VT_BYREF|
//   VT_VARIANT); anything else gives DISP_E_TYPEMISMATCH, unknown type tags
//   DISP_E_BADVARTYPE.
// On failure the destination is left unchanged. Source and destination may
// be the same variant. Thread-safe as long as the variants are not shared.
//
// On Windows these are oleaut32's own functions (the declarations bind to
// its exports; the VARIANT layout is the same), with oleaut32's conversion
// rules, which follow the locale where ours use the invariant format.
#ifndef QV_PLATFORM_COM_VARIANT_H_
#define QV_PLATFORM_COM_VARIANT_H_

#include "platform/com/types.h"

extern "C" {

void VariantInit(VARIANTARG* pvarg);
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Like VariantCopy, but a by-reference source is copied as its value.
HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt);
// The locale is accepted and ignored: conversions use the invariant format.
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid,
                            USHORT wFlags, VARTYPE vt);

}  // extern "C"

namespace qvplatform {

// RAII owner of a VARIANT: initialised empty, cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* operator->() { return &v_; }
  const VARIANT* operator->() const { return &v_; }

 private:
  VARIANT v_;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_COM_VARIANT_H_
