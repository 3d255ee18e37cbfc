#include "platform/com/variant.h"

#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "platform/com/bstr.h"
#include "platform/com/interfaces.h"

namespace {

using qvplatform::BstrView;
using qvplatform::Variant;

VARIANT I4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}
VARIANT R8(double v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_R8;
  x.dblVal = v;
  return x;
}
VARIANT Bool(bool v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_BOOL;
  x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  return x;
}

TEST(VariantTest, LayoutIsCom) {
  EXPECT_EQ(sizeof(VARIANT), 24u);
  EXPECT_EQ(offsetof(VARIANT, lVal), 8u);
  EXPECT_EQ(offsetof(VARIANT, bstrVal), 8u);
  EXPECT_EQ(sizeof(DISPPARAMS), 24u);
  EXPECT_EQ(sizeof(EXCEPINFO), 64u);
  EXPECT_EQ(sizeof(GUID), 16u);
}

struct NumericCase {
  const char* label;
  VARIANT source;
  VARTYPE target;
  HRESULT expected;
  int64_t value;  // read from the result's target field
};

int64_t ReadInteger(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_I8: return v.llVal;
    case VT_BOOL: return v.boolVal;
    default: return -999999;
  }
}

TEST(VariantTest, NumericCoercions) {
  VARIANT empty;
  VariantInit(&empty);
  const NumericCase cases[] = {
      {"I4 to I2", I4(-1234), VT_I2, S_OK, -1234},
      {"I4 to I2 overflow", I4(40000), VT_I2, DISP_E_OVERFLOW, 0},
      {"I4 to UI1 negative", I4(-1), VT_UI1, DISP_E_OVERFLOW, 0},
      {"I4 to UI1", I4(255), VT_UI1, S_OK, 255},
      {"R8 rounds half to even (2.5)", R8(2.5), VT_I4, S_OK, 2},
      {"R8 rounds half to even (3.5)", R8(3.5), VT_I4, S_OK, 4},
      {"R8 rounds negative", R8(-1.5), VT_I4, S_OK, -2},
      {"R8 too large for I4", R8(3e9), VT_I4, DISP_E_OVERFLOW, 0},
      {"R8 into I8", R8(-3e9), VT_I8, S_OK, -3000000000LL},
      {"BOOL true to I4", Bool(true), VT_I4, S_OK, -1},
      {"BOOL false to I2", Bool(false), VT_I2, S_OK, 0},
      {"I4 nonzero to BOOL", I4(5), VT_BOOL, S_OK, VARIANT_TRUE},
      {"I4 zero to BOOL", I4(0), VT_BOOL, S_OK, VARIANT_FALSE},
      {"R8 to BOOL", R8(0.25), VT_BOOL, S_OK, VARIANT_TRUE},
      {"EMPTY to I4", empty, VT_I4, S_OK, 0},
      {"I4 to UI4 negative", I4(-5), VT_UI4, DISP_E_OVERFLOW, 0},
  };
  for (const auto& c : cases) {
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &c.source, 0, c.target), c.expected) << c.label;
    if (c.expected == S_OK) {
      EXPECT_EQ(out.vt, c.target) << c.label;
      EXPECT_EQ(ReadInteger(out), c.value) << c.label;
    } else {
      EXPECT_EQ(out.vt, VT_EMPTY) << c.label << ": destination left unchanged";
    }
  }
}

struct StringCase {
  const char16_t* text;
  VARTYPE target;
  HRESULT expected;
  int64_t value;
};

TEST(VariantTest, StringsToNumbersAndBooleans) {
  const StringCase cases[] = {
      {u"42", VT_I4, S_OK, 42},
      {u"  -17 ", VT_I4, S_OK, -17},
      {u"+8", VT_I2, S_OK, 8},
      {u"2.5", VT_I4, S_OK, 2},
      {u"1e3", VT_I4, S_OK, 1000},
      {u"70000", VT_I2, DISP_E_OVERFLOW, 0},
      {u"12abc", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"+-3", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"nan", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {u"True", VT_BOOL, S_OK, VARIANT_TRUE},
      {u"false", VT_BOOL, S_OK, VARIANT_FALSE},
      {u"0", VT_BOOL, S_OK, VARIANT_FALSE},
      {u"yes", VT_BOOL, DISP_E_TYPEMISMATCH, 0},
      {u"True", VT_I4, DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& c : cases) {
    Variant in;
    in->vt = VT_BSTR;
    in->bstrVal = SysAllocString(c.text);
    Variant out;
    std::string label(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    EXPECT_EQ(VariantChangeType(out.get(), in.get(), 0, c.target), c.expected) << label;
    if (c.expected == S_OK) {
      EXPECT_EQ(ReadInteger(*out.get()), c.value) << label;
    }
  }
}

TEST(VariantTest, ValuesToStrings) {
  struct Case {
    VARIANT source;
    USHORT flags;
    const char16_t* text;
  } cases[] = {
      {I4(-42), 0, u"-42"},
      {R8(2.5), 0, u"2.5"},
      {R8(0.1), 0, u"0.1"},
      {Bool(true), VARIANT_ALPHABOOL, u"True"},
      {Bool(false), VARIANT_ALPHABOOL, u"False"},
      {Bool(true), 0, u"-1"},
  };
  for (auto& c : cases) {
    Variant out;
    ASSERT_EQ(VariantChangeType(out.get(), &c.source, c.flags, VT_BSTR), S_OK);
    ASSERT_EQ(out->vt, VT_BSTR);
    EXPECT_EQ(BstrView(out->bstrVal), std::u16string_view(c.text));
  }
}

TEST(VariantTest, InPlaceConversionFreesTheOldString) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"123");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 123);
  // A failed conversion leaves the variant alone.
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"x");
  EXPECT_EQ(VariantChangeType(&v, &v, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(v.vt, VT_BSTR);
  VariantClear(&v);
}

TEST(VariantTest, ByReferenceSourcesAreRead) {
  LONG value = 77;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &value;
  Variant out;
  ASSERT_EQ(VariantChangeType(out.get(), &ref, 0, VT_I2), S_OK);
  EXPECT_EQ(out->iVal, 77);
  VARIANT inner = I4(9);
  VARIANT outer;
  VariantInit(&outer);
  outer.vt = VT_BYREF | VT_VARIANT;
  outer.pvarVal = &inner;
  ASSERT_EQ(VariantCopyInd(out.get(), &outer), S_OK);
  EXPECT_EQ(out->vt, VT_I4);
  EXPECT_EQ(out->lVal, 9);
  // Clearing a by-reference variant frees nothing.
  EXPECT_EQ(VariantClear(&ref), S_OK);
  EXPECT_EQ(value, 77);
}

TEST(VariantTest, NullAndBadTypes) {
  VARIANT null;
  VariantInit(&null);
  null.vt = VT_NULL;
  Variant out;
  EXPECT_EQ(VariantChangeType(out.get(), &null, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(out.get(), &null, 0, VT_NULL), S_OK);
  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 0x0FFF;
  EXPECT_EQ(VariantChangeType(out.get(), &bad, 0, VT_I4), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
}

class CountingUnknown : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualGUID(riid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  ULONG refs = 1;
};

TEST(VariantTest, CopyAndClearManageReferencesAndStrings) {
  CountingUnknown unk;
  Variant a;
  a->vt = VT_UNKNOWN;
  a->punkVal = &unk;
  unk.AddRef();
  {
    Variant b;
    ASSERT_EQ(VariantCopy(b.get(), a.get()), S_OK);
    EXPECT_EQ(unk.refs, 3u);
    // An IUnknown without IDispatch does not become VT_DISPATCH.
    Variant d;
    EXPECT_EQ(VariantChangeType(d.get(), a.get(), 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
  }
  EXPECT_EQ(unk.refs, 2u);
  VariantClear(a.get());
  EXPECT_EQ(unk.refs, 1u);

  const char16_t text[] = {u'a', 0, u'b'};
  Variant s;
  s->vt = VT_BSTR;
  s->bstrVal = SysAllocStringLen(text, 3);
  Variant copy;
  ASSERT_EQ(VariantCopy(copy.get(), s.get()), S_OK);
  EXPECT_NE(copy->bstrVal, s->bstrVal);
  EXPECT_EQ(SysStringLen(copy->bstrVal), 3u);
  EXPECT_EQ(std::memcmp(copy->bstrVal, text, sizeof(text)), 0);
}

}  // namespace
