#include "platform/com/bstr.h"

#include <cstring>

#include "gtest/gtest.h"

namespace {

TEST(BstrTest, LengthPrefixAndTerminator) {
  BSTR b = SysAllocString(u"abc");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(SysStringByteLen(b), 6u);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(b) - 4, 4);
  EXPECT_EQ(prefix, 6u);
  EXPECT_EQ(b[3], u'\0');
  SysFreeString(b);
}

TEST(BstrTest, EmbeddedNulsKeepTheirLength) {
  const char16_t text[] = {u'a', 0, u'b', 0, 0};
  BSTR b = SysAllocStringLen(text, 4);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 4u);
  EXPECT_EQ(qvplatform::BstrView(b), std::u16string_view(text, 4));
  // SysAllocString stops at the first NUL; the copy made by length does not.
  BSTR c = SysAllocString(b);
  EXPECT_EQ(SysStringLen(c), 1u);
  SysFreeString(c);
  SysFreeString(b);
}

TEST(BstrTest, NullIsTheEmptyString) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR zeroed = SysAllocStringLen(nullptr, 3);
  ASSERT_NE(zeroed, nullptr);
  EXPECT_EQ(SysStringLen(zeroed), 3u);
  EXPECT_EQ(zeroed[0], 0);
  EXPECT_EQ(zeroed[3], 0);
  SysFreeString(zeroed);
}

TEST(BstrTest, OddByteLengths) {
  BSTR b = SysAllocStringByteLen("xyz", 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringByteLen(b), 3u);
  EXPECT_EQ(SysStringLen(b), 1u);
  EXPECT_EQ(std::memcmp(b, "xyz", 3), 0);
  EXPECT_EQ(reinterpret_cast<char*>(b)[3], 0);
  SysFreeString(b);
}

TEST(BstrTest, ReallocReplacesAndAcceptsItsOwnText) {
  BSTR b = SysAllocString(u"hello");
  ASSERT_TRUE(SysReAllocStringLen(&b, b + 1, 3));
  EXPECT_EQ(qvplatform::BstrView(b), u"ell");
  ASSERT_TRUE(SysReAllocString(&b, u"x"));
  EXPECT_EQ(qvplatform::BstrView(b), u"x");
  SysFreeString(b);
}

TEST(BstrTest, ImpossibleLengthsFailCleanly) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(BstrTest, OwnerFrees) {
  qvplatform::Bstr owner(u"abc");
  EXPECT_EQ(owner.view(), u"abc");
  *owner.receive() = SysAllocString(u"de");
  EXPECT_EQ(owner.view(), u"de");
  BSTR raw = owner.Detach();
  EXPECT_EQ(owner.get(), nullptr);
  SysFreeString(raw);
}

}  // namespace
