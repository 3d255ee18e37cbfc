#include "platform/text/codepage.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace qvplatform {
namespace {

// Sets QV_OPOS_CODEPAGE (or removes it, for null) for one test.
class ScopedCodePage {
 public:
  explicit ScopedCodePage(const char* value) {
    if (const char* old = ::getenv("QV_OPOS_CODEPAGE")) previous_ = old;
    if (value) {
      ::setenv("QV_OPOS_CODEPAGE", value, 1);
    } else {
      ::unsetenv("QV_OPOS_CODEPAGE");
    }
  }
  ~ScopedCodePage() {
    if (previous_) {
      ::setenv("QV_OPOS_CODEPAGE", previous_->c_str(), 1);
    } else {
      ::unsetenv("QV_OPOS_CODEPAGE");
    }
  }

 private:
  std::optional<std::string> previous_;
};

TEST(CodePageTest, AnsiCodePageFollowsTheEnvironmentOnEveryCall) {
  struct Case {
    const char* env;
    int expected;
  } cases[] = {
      {nullptr, 1252},  {"", 1252},
      {"936", 936},     {"1251", 1251},
      {"65001", 65001}, {"abc", 1252},
      {"936x", 1252},   {"-5", 1252},
      {"0", 1252},      {"59999", 1252} /* no such code page */,
  };
  for (const Case& c : cases) {
    ScopedCodePage scoped(c.env);
    EXPECT_EQ(AnsiCodePage(), c.expected) << (c.env ? c.env : "(unset)");
  }
}

TEST(CodePageTest, Windows1252RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::u16string wide = CodePageToWide(all, 1252);
  ASSERT_EQ(wide.size(), all.size());
  EXPECT_EQ(wide[0x80 - 1], u'\u20AC');  // euro sign
  EXPECT_EQ(wide[0x9F - 1], u'\u0178');  // Y with diaeresis
  EXPECT_EQ(wide[0xE9 - 1], u'\u00E9');
  EXPECT_EQ(wide[0x81 - 1], u'\u0081');  // the unassigned bytes map to C1 controls
  EXPECT_EQ(WideToCodePage(wide, 1252), all);
}

TEST(CodePageTest, ConvertsBetweenUtf16AndCodePages) {
  struct Case {
    int code_page;
    std::u16string wide;
    std::string bytes;
  } cases[] = {
      {1252, u"Caf\u00e9 \u20ac5",
       "Caf\xe9 \x80"
       "5"},
      {936, u"\u4e2d\u6587 OK", "\xd6\xd0\xce\xc4 OK"},
      {1251, u"\u041f\u0440\u0438", "\xcf\xf0\xe8"},
      {65001, u"\u20ac\U0001F600", "\xe2\x82\xac\xf0\x9f\x98\x80"},
      {1252, u"", ""},
      {1252, std::u16string(u"a\0b", 3), std::string("a\0b", 3)},  // NUL is a character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideToCodePage(c.wide, c.code_page), c.bytes) << c.code_page;
    EXPECT_EQ(CodePageToWide(c.bytes, c.code_page), c.wide) << c.code_page;
  }
}

TEST(CodePageTest, UnmappableCharactersBecomeTheDefaultCharacter) {
  struct Case {
    int code_page;
    std::u16string wide;
    std::string bytes;
  } cases[] = {
      {1252, u"a\u4e2db", "a?b"},
      {1252, u"x\U0001F600y", "x?y"},  // one '?' for a surrogate pair
      {1252,
       std::u16string(u"a\xD800"
                      u"b"),
       "a?b"},                                               // lone high surrogate
      {1252, std::u16string(u"ab\xD800"), "ab?"},            // ... at the very end
      {1252, std::u16string(u"\xDC00"), "?"},                // lone low surrogate
      {936, u"\u20ac\u4e2d\u00e9", "\x80\xd6\xd0\xa8\xa6"},  // 936 holds all three
      {936, u"\u0101\u4e2d", "\xa8\xa1\xd6\xd0"},
      {936, u"\u0e01\u4e2d", "?\xd6\xd0"},  // Thai is not in 936
      {1251, u"\u00e9\u0416", "?\xc6"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideToCodePage(c.wide, c.code_page), c.bytes) << c.code_page;
  }
}

TEST(CodePageTest, MalformedInputBecomesReplacementCharacters) {
  struct Case {
    int code_page;
    std::string bytes;
    std::u16string wide;
  } cases[] = {
      {936, "a\xd6", u"a\uFFFD"},  // lead byte cut off at the end
      {936, "\xd6\xd0\xff\x41",
       u"\u4e2d\uFFFD"
       u"A"},
      {65001, "a\xc3", u"a\uFFFD"},
      {65001, "\xc0\x80", u"\uFFFD\uFFFD"},                      // overlong NUL
      {65001, "\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {65001, "\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {65001,
       "\xe2\x82"
       "x",
       u"\uFFFD\uFFFDx"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CodePageToWide(c.bytes, c.code_page), c.wide) << c.code_page;
  }
}

TEST(CodePageTest, Utf8HandlesUnpairedSurrogates) {
  EXPECT_EQ(WideToUtf8(std::u16string(u"a\xDC00")), "a\xef\xbf\xbd");
  EXPECT_EQ(Utf8ToWide(WideToUtf8(u"\u00e9\u4e2d\U0001F600")), u"\u00e9\u4e2d\U0001F600");
}

TEST(CodePageTest, AnsiConversionUsesTheCurrentCodePage) {
  {
    ScopedCodePage scoped(nullptr);
    EXPECT_EQ(WideToAnsi(u"\u20ac"), "\x80");
    EXPECT_EQ(AnsiToWide("\x80"), u"\u20ac");
  }
  {
    ScopedCodePage scoped("936");
    EXPECT_EQ(WideToAnsi(u"\u4e2d"), "\xd6\xd0");
    EXPECT_EQ(AnsiToWide("\xd6\xd0"), u"\u4e2d");
  }
}

TEST(CodePageTest, UnknownCodePageKeepsAscii) {
  EXPECT_EQ(WideToCodePage(u"ab\u00e9", 59999), "ab?");
  EXPECT_EQ(CodePageToWide("ab\xe9", 59999), u"ab\uFFFD");
}

TEST(CodePageTest, LongTextCrossesIconvBufferBoundaries) {
  std::u16string wide;
  std::string bytes;
  for (int i = 0; i < 3000; ++i) {
    wide += u"\u4e2d\u4e2d\u00e9";
    bytes += "\xd6\xd0\xd6\xd0\xa8\xa6";
  }
  EXPECT_EQ(WideToCodePage(wide, 936), bytes);
  EXPECT_EQ(CodePageToWide(bytes, 936), wide);
}

}  // namespace
}  // namespace qvplatform
