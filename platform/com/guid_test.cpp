#include "platform/com/guid.h"

#include "gtest/gtest.h"
#include "platform/com/interfaces.h"

namespace {

constexpr GUID kPrinter = {
    0xB7B7E528, 0x089A, 0x4577, {0xA0, 0x10, 0xD1, 0xAC, 0x90, 0xD3, 0xE4, 0x4B}};

TEST(GuidTest, TextRoundTrip) {
  OLECHAR buffer[39];
  ASSERT_EQ(StringFromGUID2(kPrinter, buffer, 39), 39);
  EXPECT_EQ(std::u16string(buffer), u"{B7B7E528-089A-4577-A010-D1AC90D3E44B}");
  GUID parsed{};
  ASSERT_EQ(CLSIDFromString(u"{b7b7e528-089a-4577-a010-d1ac90d3e44b}", &parsed), S_OK);
  EXPECT_TRUE(IsEqualGUID(parsed, kPrinter));
  EXPECT_EQ(qvplatform::GuidToNarrowString(IID_IDispatch),
            "{00020400-0000-0000-C000-000000000046}");
}

TEST(GuidTest, TooSmallBufferWritesNothing) {
  OLECHAR buffer[38] = {u'q'};
  EXPECT_EQ(StringFromGUID2(kPrinter, buffer, 38), 0);
  EXPECT_EQ(buffer[0], u'q');
}

TEST(GuidTest, MalformedTextIsRejected) {
  const char16_t* bad[] = {
      u"",
      u"B7B7E528-089A-4577-A010-D1AC90D3E44B",
      u"{B7B7E528-089A-4577-A010-D1AC90D3E44}",
      u"{B7B7E528-089A-4577-A010-D1AC90D3E44BX}",
      u"{B7B7E528+089A-4577-A010-D1AC90D3E44B}",
      u"{G7B7E528-089A-4577-A010-D1AC90D3E44B}",
      u"{B7B7E528-089A-4577-A010-D1AC90D3E4 B}",
  };
  for (const char16_t* text : bad) {
    GUID g = kPrinter;
    EXPECT_EQ(CLSIDFromString(text, &g), CO_E_CLASSSTRING) << std::u16string(text).size();
    EXPECT_TRUE(IsEqualGUID(g, kPrinter));
  }
  EXPECT_EQ(IIDFromString(u"nonsense", nullptr), E_INVALIDARG);
}

TEST(GuidTest, StringFromClsidUsesTaskMemory) {
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(kPrinter, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"{B7B7E528-089A-4577-A010-D1AC90D3E44B}");
  CoTaskMemFree(text);
}

}  // namespace
