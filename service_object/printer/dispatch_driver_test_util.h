// Test support: drives a service object only through IDispatch, the way a
// control object does: GetIDsOfNames for the name, then Invoke with the
// arguments in reverse order (DISPATCH_METHOD, IID_NULL, user locale).
#ifndef QV_SERVICE_OBJECT_PRINTER_DISPATCH_DRIVER_TEST_UTIL_H_
#define QV_SERVICE_OBJECT_PRINTER_DISPATCH_DRIVER_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/interfaces.h"
#include "platform/com/variant.h"

// One argument: a long, a string, a boolean or a dispatch pointer.
struct DispArg {
  DispArg(LONG value) {  // NOLINT: implicit by design
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
  }
  DispArg(long value) : DispArg(static_cast<LONG>(value)) {}  // NOLINT
  DispArg(const char16_t* text) {                             // NOLINT
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
  }
  DispArg(const std::u16string& text) {  // NOLINT
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = qvplatform::AllocBstr(text);
  }
  DispArg(IDispatch* dispatch) {  // NOLINT
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = dispatch;
  }
  static DispArg Bool(bool value) {
    DispArg arg(0L);
    arg.v.vt = VT_BOOL;
    arg.v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return arg;
  }
  static DispArg LongRef(LONG* target) {
    DispArg arg(0L);
    arg.v.vt = VT_BYREF | VT_I4;
    arg.v.plVal = target;
    return arg;
  }
  static DispArg BstrRef(BSTR* target) {
    DispArg arg(0L);
    arg.v.vt = VT_BYREF | VT_BSTR;
    arg.v.pbstrVal = target;
    return arg;
  }
  VARIANT v;
};

class DispatchDriver {
 public:
  explicit DispatchDriver(IDispatch* dispatch) : m_dispatch(dispatch) {}

  DISPID IdOf(const char16_t* name) const {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    EXPECT_EQ(hr, S_OK) << "GetIDsOfNames";
    return id;
  }

  // Invokes `name`; the result variant receives the retval (VT_EMPTY when
  // the method has none). Arguments are freed afterwards.
  HRESULT Invoke(const char16_t* name, std::vector<DispArg> args, VARIANT* result) {
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->v);
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VariantInit(result);
    HRESULT hr = m_dispatch->Invoke(IdOf(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                    &params, result, nullptr, nullptr);
    for (DispArg& arg : args) {
      if (arg.v.vt == VT_BSTR) SysFreeString(arg.v.bstrVal);
    }
    return hr;
  }

  // A method with a long retval: its value.
  LONG Call(const char16_t* name, std::initializer_list<DispArg> args = {}) {
    VARIANT result;
    HRESULT hr = Invoke(name, std::vector<DispArg>(args), &result);
    EXPECT_EQ(hr, S_OK) << "Invoke";
    EXPECT_EQ(result.vt, VT_I4);
    return result.lVal;
  }

  // A method without a result parameter.
  void CallVoid(const char16_t* name, std::initializer_list<DispArg> args = {}) {
    VARIANT result;
    HRESULT hr = Invoke(name, std::vector<DispArg>(args), &result);
    EXPECT_EQ(hr, S_OK) << "Invoke";
    VariantClear(&result);
  }

  LONG GetNumber(LONG index) { return Call(u"GetPropertyNumber", {index}); }
  void SetNumber(LONG index, LONG value) { CallVoid(u"SetPropertyNumber", {index, value}); }
  std::u16string GetString(LONG index) {
    VARIANT result;
    HRESULT hr = Invoke(u"GetPropertyString", {index}, &result);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(result.vt, VT_BSTR);
    std::u16string text(qvplatform::BstrView(result.bstrVal));
    VariantClear(&result);
    return text;
  }
  LONG ResultCode() { return GetNumber(6); }

 private:
  IDispatch* m_dispatch;
};

#endif  // QV_SERVICE_OBJECT_PRINTER_DISPATCH_DRIVER_TEST_UTIL_H_
