#include "service_object/core/log_line.h"

#include <gtest/gtest.h>

namespace {

const LogTime kTime{2026, 12, 8, 20, 53, 18, 123};

TEST(FormatLogLineTest, ReferenceLineByteForByte) {
  EXPECT_EQ(FormatLogLine(kTime, 4, "CDevice", 0, ">>> FreezeEvents"),
            "12/08/2026 20:53:18.123  4   CDevice         >>> FreezeEvents");
}

TEST(FormatLogLineTest, PadsEveryTimeField) {
  LogTime early{987, 1, 2, 3, 4, 5, 6};
  EXPECT_EQ(FormatLogLine(early, 1, "X", 0, "t"), "01/02/0987 03:04:05.006  1   X               t");
}

TEST(FormatLogLineTest, SourceTagField) {
  struct Case {
    const char* source;
    const char* expected;
  };
  const Case cases[] = {
      // 14 characters: two spaces before the text.
      {"QVCOposPrinter", "12/08/2026 20:53:18.123  5   QVCOposPrinter  x"},
      // exactly 15: one space.
      {"ABCDEFGHIJKLMNO", "12/08/2026 20:53:18.123  5   ABCDEFGHIJKLMNO x"},
      // longer: written in full, then one space.
      {"CCommArbiterLonger", "12/08/2026 20:53:18.123  5   CCommArbiterLonger x"},
      {"", "12/08/2026 20:53:18.123  5                   x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatLogLine(kTime, 5, c.source, 0, "x"), c.expected) << c.source;
  }
}

TEST(FormatLogLineTest, LevelField) {
  EXPECT_EQ(FormatLogLine(kTime, 10, "S", 0, "t"),
            "12/08/2026 20:53:18.123  10  S               t");
  EXPECT_EQ(FormatLogLine(kTime, -1, "S", 0, "t"),
            "12/08/2026 20:53:18.123  -1  S               t");
  EXPECT_EQ(FormatLogLine(kTime, 100, "S", 0, "t"),
            "12/08/2026 20:53:18.123  100  S               t");
}

TEST(FormatLogLineTest, DepthIndentsTheText) {
  EXPECT_EQ(FormatLogLine(kTime, 5, "S", 2, "pRC: 0"),
            "12/08/2026 20:53:18.123  5   S                   |     | pRC: 0");
}

TEST(LocalLogTimeTest, FieldsInRange) {
  LogTime now = LocalLogTime();
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 60);
  EXPECT_GE(now.millisecond, 0);
  EXPECT_LE(now.millisecond, 999);
}

}  // namespace
