// Answers IDispatch::GetIDsOfNames and IDispatch::Invoke from a static
// table of members, the way a type library drives oleaut32's dispatch.
//
// A table row names a member, its dispid, whether it is a method or a
// property get/put, its parameter types in declared order (VT_I4, VT_I2,
// VT_BOOL, VT_BSTR, VT_DISPATCH, and VT_BYREF|VT_I4, VT_BYREF|VT_I2,
// VT_BYREF|VT_BOOL, VT_BYREF|VT_BSTR for pointer parameters), whether the
// last parameter is the retval, and the C++ member function to call:
//
//   const qvplatform::DispMember kMembers[] = {
//       qvplatform::DispMethod<&CMine::SetValue>(u"SetValue", 3, {VT_I4, VT_BSTR}),
//       qvplatform::DispMethod<&CMine::GetValue>(u"GetValue", 4,
//                                                 {VT_I4, VT_BYREF | VT_I4}, kDispRetval),
//   };
//   static const qvplatform::DispatchTable kTable(kMembers);
//
// Member functions return HRESULT and take LONG, SHORT/VARIANT_BOOL, BSTR,
// IDispatch*, LONG*, SHORT*/VARIANT_BOOL* or BSTR* parameters; the table
// checks, when it is built, that each declared type fits its C++ parameter
// and throws std::logic_error when one does not (a programming error).
//
// Invoke:
// - riid must be IID_NULL (else DISP_E_UNKNOWNINTERFACE); an unknown dispid,
//   or a dispid without a member of the requested kind, gives
//   DISP_E_MEMBERNOTFOUND. DISPATCH_METHOD|DISPATCH_PROPERTYGET finds either.
// - Arguments arrive in reverse order. The count must equal the parameters
//   without the retval (DISP_E_BADPARAMCOUNT). A missing argument (VT_ERROR
//   holding DISP_E_PARAMNOTFOUND) gives DISP_E_PARAMNOTOPTIONAL; one that
//   cannot be converted gives DISP_E_TYPEMISMATCH; in both cases *puArgErr
//   (when given) receives the argument's index in rgvarg. Named arguments
//   other than the DISPID_PROPERTYPUT of a property put give
//   DISP_E_NONAMEDARGS.
// - By-value arguments are converted with VariantChangeType; a BSTR or
//   IDispatch* of the exact type is lent to the member, not copied (members
//   never free their in-parameters).
// - A pointer parameter points straight into the caller's by-reference
//   variant when the types match (also through VT_BYREF|VT_VARIANT);
//   otherwise the value is converted into a temporary and, after the call,
//   converted back and written through the caller's reference. A by-value
//   argument for a pointer parameter is accepted; the change is then lost.
// - The retval goes to *pVarResult (overwritten, not cleared, as the caller
//   passes it initialised); without pVarResult it is freed.
// - A member that returns a failing HRESULT, or throws, gives
//   DISP_E_EXCEPTION with the code (E_FAIL for a throw, the exception's text
//   as description) in *pExcepInfo when given.
//
// The table is immutable after construction: any thread may use it.
#ifndef QV_PLATFORM_COM_DISPATCH_H_
#define QV_PLATFORM_COM_DISPATCH_H_

#include <array>
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/com/interfaces.h"
#include "platform/com/types.h"

namespace qvplatform {

enum class DispKind : uint8_t { kMethod, kPropertyGet, kPropertyPut };

constexpr bool kDispRetval = true;
constexpr size_t kDispMaxParams = 12;

// Calls the member on `object` with one prepared variant per declared
// parameter: by-value parameters hold their value, pointer parameters a
// VT_BYREF pointer.
using DispThunk = HRESULT (*)(void* object, VARIANT* args);
// True when the C++ parameter `index` can take the declared type `vt`.
using DispAccepts = bool (*)(size_t index, VARTYPE vt);

struct DispMember {
  const char16_t* name;
  DISPID dispid;
  DispKind kind;
  bool lastIsRetval;
  size_t paramCount;
  std::array<VARTYPE, kDispMaxParams> params;
  DispThunk thunk;
  DispAccepts accepts;
  size_t arity;
};

namespace dispatch_internal {

template <typename T>
struct Arg;

template <>
struct Arg<LONG> {
  static LONG Get(VARIANT* v) { return v->lVal; }
  static bool Accepts(VARTYPE vt) { return vt == VT_I4; }
};
template <>
struct Arg<SHORT> {  // also VARIANT_BOOL, the same C++ type
  static SHORT Get(VARIANT* v) { return v->iVal; }
  static bool Accepts(VARTYPE vt) { return vt == VT_I2 || vt == VT_BOOL; }
};
template <>
struct Arg<BSTR> {
  static BSTR Get(VARIANT* v) { return v->bstrVal; }
  static bool Accepts(VARTYPE vt) { return vt == VT_BSTR; }
};
template <>
struct Arg<IDispatch*> {
  static IDispatch* Get(VARIANT* v) { return v->pdispVal; }
  static bool Accepts(VARTYPE vt) { return vt == VT_DISPATCH; }
};
template <>
struct Arg<LONG*> {
  static LONG* Get(VARIANT* v) { return v->plVal; }
  static bool Accepts(VARTYPE vt) { return vt == (VT_BYREF | VT_I4); }
};
template <>
struct Arg<SHORT*> {
  static SHORT* Get(VARIANT* v) { return v->piVal; }
  static bool Accepts(VARTYPE vt) { return vt == (VT_BYREF | VT_I2) || vt == (VT_BYREF | VT_BOOL); }
};
template <>
struct Arg<BSTR*> {
  static BSTR* Get(VARIANT* v) { return v->pbstrVal; }
  static bool Accepts(VARTYPE vt) { return vt == (VT_BYREF | VT_BSTR); }
};

template <auto Member>
struct MemberCall;

template <typename C, typename... A, HRESULT (C::*Member)(A...)>
struct MemberCall<Member> {
  static constexpr size_t kArity = sizeof...(A);

  static HRESULT Call(void* object, VARIANT* args) {
    return Invoke(object, args, std::index_sequence_for<A...>{});
  }

  static bool Accepts(size_t index, VARTYPE vt) {
    if constexpr (sizeof...(A) == 0) {
      (void)index;
      (void)vt;
      return false;
    } else {
      constexpr bool (*kChecks[])(VARTYPE) = {&Arg<A>::Accepts...};
      return index < kArity && kChecks[index](vt);
    }
  }

 private:
  template <size_t... I>
  static HRESULT Invoke(void* object, [[maybe_unused]] VARIANT* args, std::index_sequence<I...>) {
    return (static_cast<C*>(object)->*Member)(Arg<A>::Get(&args[I])...);
  }
};

DispMember MakeMember(const char16_t* name, DISPID dispid, DispKind kind,
                      std::initializer_list<VARTYPE> params, bool lastIsRetval, DispThunk thunk,
                      DispAccepts accepts, size_t arity);

}  // namespace dispatch_internal

// A row for `Member` (HRESULT C::Member(...)), called on the object handed
// to DispatchTable::Invoke, which must be a C.
template <auto Member>
DispMember DispEntry(const char16_t* name, DISPID dispid, DispKind kind,
                     std::initializer_list<VARTYPE> params, bool lastIsRetval = false) {
  using Call = dispatch_internal::MemberCall<Member>;
  return dispatch_internal::MakeMember(name, dispid, kind, params, lastIsRetval, &Call::Call,
                                       &Call::Accepts, Call::kArity);
}

template <auto Member>
DispMember DispMethod(const char16_t* name, DISPID dispid, std::initializer_list<VARTYPE> params,
                      bool lastIsRetval = false) {
  return DispEntry<Member>(name, dispid, DispKind::kMethod, params, lastIsRetval);
}

class DispatchTable {
 public:
  // Copies and checks the rows; throws std::logic_error on a row whose
  // declared types do not fit its member function.
  template <size_t N>
  explicit DispatchTable(const DispMember (&members)[N])
      : DispatchTable(std::vector<DispMember>(members, members + N)) {}
  explicit DispatchTable(std::vector<DispMember> members);

  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                        DISPID* rgDispId) const;
  HRESULT Invoke(void* object, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                 DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                 UINT* puArgErr) const;

  // The helper has no type information: no ITypeInfo is offered.
  static HRESULT GetTypeInfoCount(UINT* pctinfo);
  static HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo);

  // The row for `dispid` of `kind`, or null.
  const DispMember* Find(DISPID dispid, DispKind kind) const;

 private:
  std::vector<DispMember> members_;  // sorted by dispid
};

// Case-insensitive comparison of member names (ASCII and Latin-1 letters).
bool DispNamesEqual(const char16_t* a, const char16_t* b);

}  // namespace qvplatform

#endif  // QV_PLATFORM_COM_DISPATCH_H_
