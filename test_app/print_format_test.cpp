// The page's argument building, case by case.
#include "test_app/print_format.h"

#include <gtest/gtest.h>

#include "test_app/result_text.h"

namespace qvtestapp {
namespace {

TEST(PrintFormatTest, FormattedTextPutsTheSequencesInTheirOrder) {
  const QString esc{QChar(kEsc)};
  struct Case {
    TextFormat format;
    QString expected;
  };
  const Case cases[] = {
      // The documented example: bold, no underline, centred, double wide, Font A.
      {{true, false, 1, 1, 0},
       esc + "|bC" + esc + "|!uC" + esc + "|cA" + esc + "|2C" + esc + "|0fTABC\n"},
      // Cleared boxes still switch bold and underline off.
      {{false, false, 0, 0, 0},
       esc + "|!bC" + esc + "|!uC" + esc + "|lA" + esc + "|1C" + esc + "|0fTABC\n"},
      {{false, true, 2, 3, 1},
       esc + "|!bC" + esc + "|uC" + esc + "|rA" + esc + "|4C" + esc + "|1fTABC\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormattedPrintText(c.format, "ABC"), c.expected);
}

TEST(PrintFormatTest, ListItemsMapToTheirOposNumbers) {
  const int32_t symbologies[] = {101, 102, 104, 103, 108, 106, 107, 109, 110, 204, 201};
  for (int item = 0; item < 11; ++item) EXPECT_EQ(SymbologyOfItem(item), symbologies[item]);
  EXPECT_EQ(SymbologyOfItem(-1), 0);
  EXPECT_EQ(SymbologyOfItem(11), 0);
  EXPECT_EQ(BarcodeAlignmentOfItem(0), -1);
  EXPECT_EQ(BarcodeAlignmentOfItem(2), -3);
  EXPECT_EQ(BarcodeTextPositionOfItem(0), -11);
  EXPECT_EQ(BarcodeTextPositionOfItem(2), -13);
}

TEST(PrintFormatTest, WtoiReadsLeadingDecimalsAndSaturates) {
  EXPECT_EQ(Wtoi(u"123"), 123);
  EXPECT_EQ(Wtoi(u"  -42abc"), -42);
  EXPECT_EQ(Wtoi(u"+7"), 7);
  EXPECT_EQ(Wtoi(u""), 0);
  EXPECT_EQ(Wtoi(u"x12"), 0);
  EXPECT_EQ(Wtoi(u"99999999999999"), 2147483647);
  EXPECT_EQ(Wtoi(u"-99999999999999"), -2147483647 - 1);
}

TEST(ResultTextTest, TableTextsAreExactAndOtherCodesEmpty) {
  EXPECT_EQ(ResultText(104),
            "ErrorCode(NoService) \r\nThe Control cannot communicate with the Service Object. "
            "\r\n\t\t\tMost likely, a setup or configuration error must be corrected");
  EXPECT_EQ(ResultText(106),
            "ErrorCode(Illegal) \r\n  Attempt was made to perform an illegal or unsupported "
            "operation with the device, or an invalid.");
  EXPECT_EQ(ResultText(113),
            "ErrorCode(Busy) \r\n   The current Service state does not allow this request.");
  for (int code = 101; code <= 115; ++code) {
    EXPECT_EQ(ResultText(code).isEmpty(), code == 114) << code;
  }
  for (int code : {0, 100, 116, 201, -1}) EXPECT_TRUE(ResultText(code).isEmpty()) << code;
}

}  // namespace
}  // namespace qvtestapp
