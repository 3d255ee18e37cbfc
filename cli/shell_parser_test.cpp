#include "cli/shell_parser.h"

#include <gtest/gtest.h>

namespace qvcli {
namespace {

std::vector<std::u16string> Texts(const ParsedLine& line) {
  std::vector<std::u16string> texts;
  for (const ShellToken& token : line.tokens) texts.push_back(token.text);
  return texts;
}

TEST(ShellParserTest, SplitsAtBlanksAndSkipsCommentsAndBlankLines) {
  const struct {
    const char* line;
    std::vector<std::u16string> tokens;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"# printer PrintNormal 2 x", {}},
      {"   # indented comment", {}},
      {"open printer Front", {u"open", u"printer", u"Front"}},
      {"  printer\tClaimDevice   1000  ", {u"printer", u"ClaimDevice", u"1000"}},
      {"wait 500\r", {u"wait", u"500"}},
      {"printer set RecLineSpacing 0x1E", {u"printer", u"set", u"RecLineSpacing", u"0x1E"}},
      {"a#b", {u"a#b"}},
  };
  for (const auto& c : cases) {
    const ParsedLine parsed = ParseShellLine(c.line);
    ASSERT_TRUE(parsed.ok) << c.line << ": " << parsed.error;
    EXPECT_EQ(Texts(parsed), c.tokens) << c.line;
  }
}

TEST(ShellParserTest, QuotedTokensHoldBlanksAndEscapes) {
  const struct {
    const char* line;
    std::u16string text;
  } cases[] = {
      {R"("Hello world")", u"Hello world"},
      {R"("")", u""},
      {R"("a\\b")", u"a\\b"},
      {R"("say \"hi\"")", u"say \"hi\""},
      {R"("\n\r\t")", u"\n\r\t"},
      {R"("\e|bCTotal\n")", u"\x1b|bCTotal\n"},
      {R"("\x1B\x7f\x00")", std::u16string(u"\x1b\x7f\0", 3)},
      {R"("\xE9")", u"\u00E9"},
      {"\"Gr\xC3\xBC\xC3\x9F"
       "e\"",
       u"Gr\u00FC\u00DFe"},
      {"\"\xF0\x9F\x98\x80\"", u"\U0001F600"},
  };
  for (const auto& c : cases) {
    const ParsedLine parsed = ParseShellLine(std::string("printer PrintNormal 2 ") + c.line);
    ASSERT_TRUE(parsed.ok) << c.line << ": " << parsed.error;
    ASSERT_EQ(parsed.tokens.size(), 4u) << c.line;
    EXPECT_EQ(parsed.tokens[3].text, c.text) << c.line;
    EXPECT_TRUE(parsed.tokens[3].quoted);
    EXPECT_FALSE(parsed.tokens[2].quoted);
  }
}

TEST(ShellParserTest, RefusesMalformedLinesWithAReason) {
  const struct {
    const char* line;
    const char* reason;
  } cases[] = {
      {R"(print "unterminated)", "unterminated"},
      {R"(print "ends in backslash\)", "unterminated"},
      {R"(print "\q")", "unknown escape"},
      {R"(print "\x4")", "two hexadecimal"},
      {R"(print "\xZZ")", "two hexadecimal"},
      {R"(print "a"b)", "followed by a blank"},
      {R"(print a"b")", "double quote inside"},
      {"print \xC3", "UTF-8"},
      {"print \"\xC0\x80\"", "UTF-8"},          // overlong
      {"print \xED\xA0\x80", "UTF-8"},          // a surrogate
      {"print \xF8\x88\x80\x80\x80", "UTF-8"},  // five bytes
  };
  for (const auto& c : cases) {
    const ParsedLine parsed = ParseShellLine(c.line);
    EXPECT_FALSE(parsed.ok) << c.line;
    EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << c.line << ": " << parsed.error;
    EXPECT_TRUE(parsed.tokens.empty());
  }
}

}  // namespace
}  // namespace qvcli
