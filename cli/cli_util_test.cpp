#include "cli/cli_util.h"

#include <gtest/gtest.h>

namespace qvcli {
namespace {

TEST(ParseNumberTest, AcceptsDecimalAndHexadecimal) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"-13", -13},
      {"+7", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"0x1B", 0x1B},
      {"0X3102", 0x3102},
      {"0xffffffff", -1},
      {"0x80000000", INT32_MIN},
  };
  for (const auto& c : cases) {
    std::optional<int32_t> number = ParseNumber(c.text);
    ASSERT_TRUE(number.has_value()) << c.text;
    EXPECT_EQ(*number, c.value) << c.text;
  }
}

TEST(ParseNumberTest, RefusesEverythingElse) {
  for (const char* text : {"", "-", "0x", "12a", " 1", "1 ", "2147483648", "-2147483649",
                           "0x100000000", "0xG1", "99999999999", "1.5", "--1"}) {
    EXPECT_FALSE(ParseNumber(text).has_value()) << text;
  }
}

TEST(PrintableTest, ShowsControlCharactersAsHex) {
  EXPECT_EQ(Printable(u"Hello"), "Hello");
  EXPECT_EQ(Printable(u"\x1b|bCTotal\n"), "\\x1B|bCTotal\\x0A");
  EXPECT_EQ(Printable(std::u16string(u"a\0b", 3)), "a\\x00b");
  EXPECT_EQ(Printable(u"Gr\u00FC\u00DFe"),
            "Gr\xC3\xBC\xC3\x9F"
            "e");
}

TEST(TakeOptionsTest, SplitsOptionsFromPositionalArguments) {
  Args args = {"Front", "--interface", "ENet", "--ip", "10.0.0.2"};
  std::optional<std::string> interface, ip, port;
  std::string reason;
  ASSERT_TRUE(
      TakeOptions(&args, {{"--interface", &interface}, {"--ip", &ip}, {"--port", &port}}, &reason));
  EXPECT_EQ(args, Args{"Front"});
  EXPECT_EQ(interface, "ENet");
  EXPECT_EQ(ip, "10.0.0.2");
  EXPECT_FALSE(port.has_value());
}

TEST(TakeOptionsTest, RefusesUnknownOptionsAndMissingValues) {
  std::optional<std::string> ip;
  std::string reason;
  Args unknown = {"--speed", "9600"};
  EXPECT_FALSE(TakeOptions(&unknown, {{"--ip", &ip}}, &reason));
  EXPECT_NE(reason.find("--speed"), std::string::npos);
  Args missing = {"Front", "--ip"};
  EXPECT_FALSE(TakeOptions(&missing, {{"--ip", &ip}}, &reason));
  EXPECT_NE(reason.find("needs a value"), std::string::npos);
}

}  // namespace
}  // namespace qvcli
