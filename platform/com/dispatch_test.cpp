#include "platform/com/dispatch.h"

#include <stdexcept>
#include <string>

#include "gtest/gtest.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"

namespace qvplatform {
namespace {

// A stand-in automation object whose members the tests invoke by dispid.
class CCalculator {
 public:
  HRESULT Add(LONG a, LONG b, LONG* pResult) {
    *pResult = a + b;
    lastA = a;
    return S_OK;
  }
  HRESULT SetName(BSTR name) {
    this->name.assign(BstrView(name));
    return S_OK;
  }
  HRESULT GetName(BSTR* pName) {
    *pName = AllocBstr(name);
    return S_OK;
  }
  HRESULT Exchange(LONG command, LONG* pData, BSTR* pString, LONG* pRC) {
    *pData = *pData * 10 + command;
    std::u16string text(BstrView(*pString));
    SysFreeString(*pString);
    *pString = AllocBstr(text + u"!");
    *pRC = 0;
    return S_OK;
  }
  HRESULT Freeze(VARIANT_BOOL freeze, LONG* pRC) {
    frozen = freeze;
    *pRC = freeze == VARIANT_TRUE ? 1 : 0;
    return S_OK;
  }
  HRESULT Fail() { return E_ACCESSDENIED; }
  HRESULT Throw() { throw std::runtime_error("broken"); }
  HRESULT GetValue(LONG* pValue) {
    *pValue = value;
    return S_OK;
  }
  HRESULT PutValue(LONG v) {
    value = v;
    return S_OK;
  }
  HRESULT Attach(IDispatch* p) {
    attached = p;
    return S_OK;
  }
  HRESULT Small(SHORT s) {
    small = s;
    return S_OK;
  }

  LONG lastA = 0;
  std::u16string name;
  VARIANT_BOOL frozen = 0;
  LONG value = 0;
  IDispatch* attached = reinterpret_cast<IDispatch*>(1);
  SHORT small = 0;
};

const DispatchTable& Table() {
  static const DispMember kMembers[] = {
      DispMethod<&CCalculator::Add>(u"Add", 1, {VT_I4, VT_I4, VT_BYREF | VT_I4}, kDispRetval),
      DispMethod<&CCalculator::SetName>(u"SetName", 2, {VT_BSTR}),
      DispMethod<&CCalculator::GetName>(u"GetName", 3, {VT_BYREF | VT_BSTR}, kDispRetval),
      DispMethod<&CCalculator::Exchange>(
          u"Exchange", 4, {VT_I4, VT_BYREF | VT_I4, VT_BYREF | VT_BSTR, VT_BYREF | VT_I4},
          kDispRetval),
      DispMethod<&CCalculator::Freeze>(u"Freeze", 5, {VT_BOOL, VT_BYREF | VT_I4}, kDispRetval),
      DispMethod<&CCalculator::Fail>(u"Fail", 6, {}),
      DispMethod<&CCalculator::Throw>(u"Throw", 7, {}),
      DispEntry<&CCalculator::GetValue>(u"Value", 8, DispKind::kPropertyGet, {VT_BYREF | VT_I4},
                                        kDispRetval),
      DispEntry<&CCalculator::PutValue>(u"Value", 8, DispKind::kPropertyPut, {VT_I4}),
      DispMethod<&CCalculator::Attach>(u"Attach", 9, {VT_DISPATCH}),
      DispMethod<&CCalculator::Small>(u"Small", 10, {VT_I2}),
  };
  static const DispatchTable table(kMembers);
  return table;
}

VARIANT I4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}

class DispatchTest : public ::testing::Test {
 protected:
  // Invokes `dispid` as a method with `args` given in declared order.
  HRESULT Call(DISPID dispid, std::vector<VARIANT> args, VARIANT* result = nullptr,
               WORD flags = DISPATCH_METHOD) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                      static_cast<UINT>(reversed.size()), 0};
    argErr = 12345;
    excep = EXCEPINFO{};
    return Table().Invoke(&object, dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                          &excep, &argErr);
  }
  void TearDown() override {
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
  }

  CCalculator object;
  UINT argErr = 0;
  EXCEPINFO excep{};
};

TEST_F(DispatchTest, NamesResolveCaseInsensitively) {
  const char16_t* names[] = {u"add", u"ADD", u"Add", u"gEtNaMe", u"value"};
  const DISPID expected[] = {1, 1, 1, 3, 8};
  for (size_t i = 0; i < 5; ++i) {
    LPOLESTR name = const_cast<LPOLESTR>(names[i]);
    DISPID id = 0;
    ASSERT_EQ(Table().GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, expected[i]);
  }
}

TEST_F(DispatchTest, UnknownNamesAndParameterNames) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"SOStatusUpdate")};
  DISPID id = 5;
  EXPECT_EQ(Table().GetIDsOfNames(IID_NULL, names, 1, 0x800, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  LPOLESTR with_param[] = {const_cast<LPOLESTR>(u"Add"), const_cast<LPOLESTR>(u"a")};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(Table().GetIDsOfNames(IID_NULL, with_param, 2, 0x800, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(Table().GetIDsOfNames(IID_IDispatch, names, 1, 0x800, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, PositionalArgumentsAndRetval) {
  Variant result;
  ASSERT_EQ(Call(1, {I4(40), I4(2)}, result.get()), S_OK);
  EXPECT_EQ(result->vt, VT_I4);
  EXPECT_EQ(result->lVal, 42);
  EXPECT_EQ(object.lastA, 40) << "arguments arrive in declared order";
}

TEST_F(DispatchTest, ArgumentsAreCoercedAsClientsExpect) {
  Variant text;
  text->vt = VT_BSTR;
  text->bstrVal = SysAllocString(u" 7 ");
  VARIANT real;
  VariantInit(&real);
  real.vt = VT_R8;
  real.dblVal = 2.5;
  Variant result;
  ASSERT_EQ(Call(1, {*text.get(), real}, result.get()), S_OK);
  EXPECT_EQ(result->lVal, 9);
  EXPECT_EQ(object.lastA, 7);
  // The caller's string is untouched.
  EXPECT_EQ(BstrView(text->bstrVal), u" 7 ");

  // Numbers become BOOL and BOOL becomes a number.
  ASSERT_EQ(Call(5, {I4(3)}, result.get()), S_OK);
  EXPECT_EQ(object.frozen, VARIANT_TRUE);
  EXPECT_EQ(result->lVal, 1);
  VARIANT b;
  VariantInit(&b);
  b.vt = VT_BOOL;
  b.boolVal = VARIANT_TRUE;
  ASSERT_EQ(Call(10, {b}), S_OK);
  EXPECT_EQ(object.small, -1);
  ASSERT_EQ(Call(10, {I4(300)}), S_OK);
  EXPECT_EQ(object.small, 300);
}

TEST_F(DispatchTest, StringsWithEmbeddedNulsPassWhole) {
  const char16_t raw[] = {u'a', 0, u'b'};
  Variant text;
  text->vt = VT_BSTR;
  text->bstrVal = SysAllocStringLen(raw, 3);
  ASSERT_EQ(Call(2, {*text.get()}), S_OK);
  EXPECT_EQ(object.name, std::u16string(raw, 3));
  Variant result;
  ASSERT_EQ(Call(3, {}, result.get()), S_OK);
  ASSERT_EQ(result->vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(result->bstrVal), 3u);
  EXPECT_EQ(BstrView(result->bstrVal), std::u16string_view(raw, 3));
}

TEST_F(DispatchTest, ByReferenceOutParametersAreWrittenBack) {
  LONG data = 4;
  BSTR text = SysAllocString(u"hi");
  VARIANT pdata;
  VariantInit(&pdata);
  pdata.vt = VT_BYREF | VT_I4;
  pdata.plVal = &data;
  VARIANT ptext;
  VariantInit(&ptext);
  ptext.vt = VT_BYREF | VT_BSTR;
  ptext.pbstrVal = &text;
  Variant rc;
  ASSERT_EQ(Call(4, {I4(3), pdata, ptext}, rc.get()), S_OK);
  EXPECT_EQ(data, 43);
  EXPECT_EQ(BstrView(text), u"hi!");
  EXPECT_EQ(rc->vt, VT_I4);
  SysFreeString(text);
}

TEST_F(DispatchTest, ByReferenceThroughVariantsAndOtherTypes) {
  // VT_BYREF|VT_VARIANT holding an I4 and a BSTR, as scripting clients pass.
  Variant data;
  data->vt = VT_I4;
  data->lVal = 1;
  Variant text;
  text->vt = VT_BSTR;
  text->bstrVal = SysAllocString(u"x");
  VARIANT pdata;
  VariantInit(&pdata);
  pdata.vt = VT_BYREF | VT_VARIANT;
  pdata.pvarVal = data.get();
  VARIANT ptext;
  VariantInit(&ptext);
  ptext.vt = VT_BYREF | VT_VARIANT;
  ptext.pvarVal = text.get();
  ASSERT_EQ(Call(4, {I4(5), pdata, ptext}), S_OK);
  EXPECT_EQ(data->lVal, 15);
  EXPECT_EQ(BstrView(text->bstrVal), u"x!");

  // A by-reference I2 is converted in and the result converted back.
  SHORT small = 2;
  VARIANT psmall;
  VariantInit(&psmall);
  psmall.vt = VT_BYREF | VT_I2;
  psmall.piVal = &small;
  // A variant holding a string for a pointer-to-long parameter is written
  // back as the method's type.
  Variant holder;
  holder->vt = VT_BSTR;
  holder->bstrVal = SysAllocString(u"keep");
  VARIANT pholder;
  VariantInit(&pholder);
  pholder.vt = VT_BYREF | VT_VARIANT;
  pholder.pvarVal = holder.get();
  ASSERT_EQ(Call(4, {I4(1), psmall, pholder}), S_OK);
  EXPECT_EQ(small, 21);
  ASSERT_EQ(holder->vt, VT_BSTR);
  EXPECT_EQ(BstrView(holder->bstrVal), u"keep!");
}

TEST_F(DispatchTest, ByValueArgumentForAPointerParameterIsAccepted) {
  Variant text;
  text->vt = VT_BSTR;
  text->bstrVal = SysAllocString(u"v");
  Variant rc;
  ASSERT_EQ(Call(4, {I4(1), I4(2), *text.get()}, rc.get()), S_OK);
  EXPECT_EQ(BstrView(text->bstrVal), u"v") << "the caller's value is not a reference";
}

TEST_F(DispatchTest, StandardFailures) {
  VARIANT missing;
  VariantInit(&missing);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  Variant word;
  word->vt = VT_BSTR;
  word->bstrVal = SysAllocString(u"seven");
  VARIANT null;
  VariantInit(&null);
  null.vt = VT_NULL;

  EXPECT_EQ(Call(99, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(1, {I4(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(1, {I4(1), I4(2), I4(3)}), DISP_E_BADPARAMCOUNT);

  // Argument-error index counts in rgvarg, which is in reverse order.
  EXPECT_EQ(Call(1, {*word.get(), I4(2)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);
  EXPECT_EQ(Call(1, {I4(1), *word.get()}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);
  EXPECT_EQ(Call(1, {I4(1), null}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);
  EXPECT_EQ(Call(1, {missing, I4(2)}), DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(argErr, 1u);
  EXPECT_EQ(Call(10, {I4(70000)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);
  EXPECT_EQ(Call(9, {I4(5)}), DISP_E_TYPEMISMATCH);

  // A property get is not a method put, and a method is not a put.
  EXPECT_EQ(Call(1, {I4(1)}, nullptr, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);

  std::vector<VARIANT> args = {I4(1), I4(2)};
  DISPID named = 0;
  DISPPARAMS params{args.data(), &named, 2, 1};
  EXPECT_EQ(
      Table().Invoke(&object, 1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
      DISP_E_NONAMEDARGS);
  DISPPARAMS plain{args.data(), nullptr, 2, 0};
  EXPECT_EQ(Table().Invoke(&object, 1, IID_IDispatch, 0, DISPATCH_METHOD, &plain, nullptr, nullptr,
                           nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(object.lastA, 0) << "no failed call reached the member";
}

TEST_F(DispatchTest, MemberFailuresBecomeExceptions) {
  EXPECT_EQ(Call(6, {}), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, E_ACCESSDENIED);
  TearDown();
  EXPECT_EQ(Call(7, {}), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, E_FAIL);
  EXPECT_EQ(BstrView(excep.bstrDescription), u"broken");
}

TEST_F(DispatchTest, PropertiesGetAndPut) {
  VARIANT v = I4(12);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&v, &put, 1, 1};
  ASSERT_EQ(Table().Invoke(&object, 8, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                           nullptr),
            S_OK);
  EXPECT_EQ(object.value, 12);
  Variant result;
  ASSERT_EQ(Call(8, {}, result.get(), DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(result->lVal, 12);
  // Visual Basic asks for method-or-get.
  ASSERT_EQ(Call(8, {}, result.get(), DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(result->lVal, 12);
  // A put without its named argument is refused.
  DISPPARAMS unnamed{&v, nullptr, 1, 0};
  EXPECT_EQ(Table().Invoke(&object, 8, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr,
                           nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
}

TEST_F(DispatchTest, NullDispatchIsAValidArgument) {
  VARIANT p;
  VariantInit(&p);
  p.vt = VT_DISPATCH;
  p.pdispVal = nullptr;
  ASSERT_EQ(Call(9, {p}), S_OK);
  EXPECT_EQ(object.attached, nullptr);
}

TEST(DispatchTableTest, RowsThatDoNotFitTheirMemberAreRejected) {
  EXPECT_THROW(
      DispatchTable({DispMethod<&CCalculator::Add>(u"Add", 1, {VT_I4, VT_BSTR, VT_BYREF | VT_I4})}),
      std::logic_error);
  EXPECT_THROW(DispatchTable({DispMethod<&CCalculator::Add>(u"Add", 1, {VT_I4, VT_I4})}),
               std::logic_error);
  EXPECT_THROW(
      DispatchTable({DispMethod<&CCalculator::SetName>(u"SetName", 2, {VT_BSTR}, kDispRetval)}),
      std::logic_error);
  EXPECT_NO_THROW(DispatchTable(
      {DispMethod<&CCalculator::Freeze>(u"Freeze", 5, {VT_I2, VT_BYREF | VT_I4}, kDispRetval)}));
}

}  // namespace
}  // namespace qvplatform
