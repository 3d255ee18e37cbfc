#include "platform/com/dispatch.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>

#include "platform/com/bstr.h"
#include "platform/com/variant.h"

namespace qvplatform {

namespace dispatch_internal {

DispMember MakeMember(const char16_t* name, DISPID dispid, DispKind kind,
                      std::initializer_list<VARTYPE> params, bool lastIsRetval, DispThunk thunk,
                      DispAccepts accepts, size_t arity) {
  DispMember member{};
  member.name = name;
  member.dispid = dispid;
  member.kind = kind;
  member.lastIsRetval = lastIsRetval;
  member.paramCount = params.size();
  member.params.fill(VT_EMPTY);
  size_t i = 0;
  for (VARTYPE vt : params) {
    if (i < kDispMaxParams) member.params[i] = vt;
    ++i;
  }
  member.thunk = thunk;
  member.accepts = accepts;
  member.arity = arity;
  return member;
}

}  // namespace dispatch_internal

namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c - u'A' + u'a');
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  return c;
}

std::string Describe(const DispMember& m) {
  std::string name;
  for (const char16_t* p = m.name; p != nullptr && *p != 0; ++p) {
    name.push_back(*p < 0x80 ? static_cast<char>(*p) : '?');
  }
  return name + " (dispid " + std::to_string(m.dispid) + ")";
}

void CheckMember(const DispMember& m) {
  if (m.name == nullptr || m.thunk == nullptr || m.accepts == nullptr) {
    throw std::logic_error("dispatch table row without name or function");
  }
  if (m.paramCount > kDispMaxParams || m.paramCount != m.arity) {
    throw std::logic_error("dispatch table row " + Describe(m) +
                           ": parameter count does not match the member function");
  }
  for (size_t i = 0; i < m.paramCount; ++i) {
    if (!m.accepts(i, m.params[i])) {
      throw std::logic_error("dispatch table row " + Describe(m) + ": parameter " +
                             std::to_string(i) + " has a type its member function cannot take");
    }
  }
  if (m.lastIsRetval && (m.paramCount == 0 || (m.params[m.paramCount - 1] & VT_BYREF) == 0)) {
    throw std::logic_error("dispatch table row " + Describe(m) + ": retval is not a pointer");
  }
}

// A member's temporary for one parameter while Invoke runs.
struct Slot {
  VARIANT arg;    // what the member receives
  VARIANT local;  // converted value when the caller's could not be used
  bool owns_local = false;
  VARIANT* write_back = nullptr;  // caller's by-reference variant to update
};

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

// The caller's variant behind one level of VT_BYREF|VT_VARIANT.
const VARIANT* Unwrap(const VARIANT* v) {
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal != nullptr) return v->pvarVal;
  return v;
}

// Points `arg` at the storage of a variant holding a value of `base` type.
void PointAt(VARIANT* value, VARTYPE base, VARIANT* arg) {
  arg->vt = static_cast<VARTYPE>(VT_BYREF | base);
  switch (base) {
    case VT_I4: arg->plVal = &value->lVal; break;
    case VT_I2: arg->piVal = &value->iVal; break;
    case VT_BOOL: arg->pboolVal = &value->boolVal; break;
    case VT_BSTR: arg->pbstrVal = &value->bstrVal; break;
    default: arg->byref = &value->llVal; break;
  }
}

// Prepares a by-value parameter of type `vt` from the caller's `in`.
HRESULT PrepareValue(VARIANT* in, VARTYPE vt, Slot* slot) {
  const VARIANT* src = Unwrap(in);
  if (src->vt == vt) {
    // Exact type: lend the caller's value (BSTRs and interfaces included).
    slot->arg = *src;
    return S_OK;
  }
  HRESULT hr = VariantChangeType(&slot->local, in, 0, vt);
  if (FAILED(hr)) return hr;
  slot->owns_local = true;
  slot->arg = slot->local;
  return S_OK;
}

// Prepares a pointer parameter of type VT_BYREF|`base` from the caller's `in`.
HRESULT PrepareReference(VARIANT* in, VARTYPE base, Slot* slot) {
  VARTYPE wanted = static_cast<VARTYPE>(VT_BYREF | base);
  if (in->vt == wanted) {
    slot->arg = *in;
    return in->byref == nullptr ? DISP_E_TYPEMISMATCH : S_OK;
  }
  if (in->vt == (VT_BYREF | VT_VARIANT) && in->pvarVal != nullptr) {
    VARIANT* inner = in->pvarVal;
    if (inner->vt == base) {
      PointAt(inner, base, &slot->arg);
      return S_OK;
    }
    if (inner->vt == wanted && inner->byref != nullptr) {
      slot->arg = *inner;
      return S_OK;
    }
  }
  HRESULT hr = VariantChangeType(&slot->local, in, 0, base);
  if (FAILED(hr)) return hr;
  slot->owns_local = true;
  PointAt(&slot->local, base, &slot->arg);
  if ((in->vt & VT_BYREF) != 0) slot->write_back = in;
  return S_OK;
}

// Writes a converted temporary back through the caller's reference.
void WriteBack(Slot* slot) {
  VARIANT* target = slot->write_back;
  if (target->vt == (VT_BYREF | VT_VARIANT)) {
    VariantCopy(target->pvarVal, &slot->local);
    return;
  }
  VARTYPE base = target->vt & ~VT_BYREF;
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, &slot->local, 0, base))) return;
  switch (base) {
    case VT_BSTR:
      SysFreeString(*target->pbstrVal);
      *target->pbstrVal = converted.bstrVal;
      converted.vt = VT_EMPTY;  // ownership moved to the caller
      break;
    case VT_I1: *target->pcVal = converted.cVal; break;
    case VT_UI1: *target->pbVal = converted.bVal; break;
    case VT_I2: *target->piVal = converted.iVal; break;
    case VT_UI2: *target->puiVal = converted.uiVal; break;
    case VT_I4: *target->plVal = converted.lVal; break;
    case VT_UI4: *target->pulVal = converted.ulVal; break;
    case VT_INT: *target->pintVal = converted.intVal; break;
    case VT_UINT: *target->puintVal = converted.uintVal; break;
    case VT_I8: *target->pllVal = converted.llVal; break;
    case VT_UI8: *target->pullVal = converted.ullVal; break;
    case VT_R4: *target->pfltVal = converted.fltVal; break;
    case VT_R8: *target->pdblVal = converted.dblVal; break;
    case VT_BOOL: *target->pboolVal = converted.boolVal; break;
    default: break;
  }
  VariantClear(&converted);
}

void FillException(EXCEPINFO* info, SCODE code, const char* text) {
  if (info == nullptr) return;
  *info = EXCEPINFO{};
  info->scode = code;
  if (text != nullptr) {
    std::u16string wide;
    for (const char* p = text; *p != 0; ++p) {
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
    }
    info->bstrDescription = AllocBstr(wide);
  }
}

HRESULT CallMember(const DispMember& member, void* object, VARIANT* args, EXCEPINFO* info) {
  HRESULT hr;
  try {
    hr = member.thunk(object, args);
  } catch (const std::exception& e) {
    FillException(info, E_FAIL, e.what());
    return DISP_E_EXCEPTION;
  } catch (...) {
    FillException(info, E_FAIL, nullptr);
    return DISP_E_EXCEPTION;
  }
  if (FAILED(hr)) {
    FillException(info, hr, nullptr);
    return DISP_E_EXCEPTION;
  }
  return S_OK;
}

}  // namespace

bool DispNamesEqual(const char16_t* a, const char16_t* b) {
  if (a == nullptr || b == nullptr) return false;
  for (;; ++a, ++b) {
    if (FoldCase(*a) != FoldCase(*b)) return false;
    if (*a == 0) return true;
  }
}

DispatchTable::DispatchTable(std::vector<DispMember> members) : members_(std::move(members)) {
  for (const DispMember& m : members_) CheckMember(m);
  std::stable_sort(members_.begin(), members_.end(),
                   [](const DispMember& a, const DispMember& b) { return a.dispid < b.dispid; });
}

const DispMember* DispatchTable::Find(DISPID dispid, DispKind kind) const {
  auto it = std::lower_bound(members_.begin(), members_.end(), dispid,
                             [](const DispMember& m, DISPID id) { return m.dispid < id; });
  for (; it != members_.end() && it->dispid == dispid; ++it) {
    if (it->kind == kind) return &*it;
  }
  return nullptr;
}

HRESULT DispatchTable::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo == nullptr) return E_INVALIDARG;
  *pctinfo = 0;
  return S_OK;
}

HRESULT DispatchTable::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo != nullptr) *ppTInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT DispatchTable::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                     DISPID* rgDispId) const {
  if (!IsEqualGUID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (cNames == 0) return S_OK;
  if (rgszNames == nullptr || rgDispId == nullptr) return E_INVALIDARG;
  for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  for (const DispMember& m : members_) {
    if (DispNamesEqual(m.name, rgszNames[0])) {
      rgDispId[0] = m.dispid;
      break;
    }
  }
  // Parameter names are not known to the table.
  if (rgDispId[0] == DISPID_UNKNOWN || cNames > 1) return DISP_E_UNKNOWNNAME;
  return S_OK;
}

HRESULT DispatchTable::Invoke(void* object, DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                              DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                              UINT* puArgErr) const {
  if (!IsEqualGUID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (pDispParams == nullptr) return E_INVALIDARG;
  const DispMember* member = nullptr;
  bool put = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    member = Find(dispIdMember, DispKind::kPropertyPut);
  } else {
    if ((wFlags & DISPATCH_METHOD) != 0) member = Find(dispIdMember, DispKind::kMethod);
    if (member == nullptr && (wFlags & DISPATCH_PROPERTYGET) != 0) {
      member = Find(dispIdMember, DispKind::kPropertyGet);
    }
  }
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;

  UINT cArgs = pDispParams->cArgs;
  if (cArgs > 0 && pDispParams->rgvarg == nullptr) return E_INVALIDARG;
  if (put) {
    if (pDispParams->cNamedArgs != 1 || pDispParams->rgdispidNamedArgs == nullptr ||
        pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTFOUND;
    }
  } else if (pDispParams->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }
  size_t inputs = member->paramCount - (member->lastIsRetval ? 1 : 0);
  if (cArgs != inputs) return DISP_E_BADPARAMCOUNT;

  Slot slots[kDispMaxParams];
  for (size_t i = 0; i < member->paramCount; ++i) {
    VariantInit(&slots[i].arg);
    VariantInit(&slots[i].local);
  }
  auto release = [&]() {
    for (size_t i = 0; i < member->paramCount; ++i) {
      if (slots[i].owns_local) VariantClear(&slots[i].local);
    }
  };

  for (size_t i = 0; i < inputs; ++i) {
    UINT index = static_cast<UINT>(cArgs - 1 - i);
    VARIANT* in = &pDispParams->rgvarg[index];
    HRESULT hr;
    if (IsMissing(*in)) {
      hr = DISP_E_PARAMNOTOPTIONAL;
    } else {
      VARTYPE vt = member->params[i];
      hr = (vt & VT_BYREF) != 0 ? PrepareReference(in, vt & ~VT_BYREF, &slots[i])
                                : PrepareValue(in, vt, &slots[i]);
      if (FAILED(hr)) hr = DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr)) {
      if (puArgErr != nullptr) *puArgErr = index;
      release();
      return hr;
    }
  }
  if (member->lastIsRetval) {
    Slot& ret = slots[member->paramCount - 1];
    VARTYPE base = member->params[member->paramCount - 1] & ~VT_BYREF;
    ret.local.vt = base;
    ret.owns_local = true;
    PointAt(&ret.local, base, &ret.arg);
  }

  VARIANT args[kDispMaxParams];
  for (size_t i = 0; i < member->paramCount; ++i) args[i] = slots[i].arg;
  HRESULT hr = CallMember(*member, object, args, pExcepInfo);

  for (size_t i = 0; i < inputs; ++i) {
    if (slots[i].write_back != nullptr) WriteBack(&slots[i]);
  }
  if (pVarResult != nullptr) VariantInit(pVarResult);
  if (SUCCEEDED(hr) && member->lastIsRetval && pVarResult != nullptr) {
    Slot& ret = slots[member->paramCount - 1];
    *pVarResult = ret.local;
    ret.owns_local = false;
  }
  release();
  return hr;
}

}  // namespace qvplatform
