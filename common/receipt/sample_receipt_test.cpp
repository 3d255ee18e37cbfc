// The receipt's date and time texts. The printing itself runs against the real service
// objects in the test application's and `qvopos demo`'s tests.
#include "common/receipt/sample_receipt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace qvreceipt {
namespace {

TEST(SampleReceiptTest, DateIsLongFormAndTimeATwelveHourClockAfterItsMarker) {
  setenv("TZ", "UTC", 1);
  tzset();
  const std::time_t afternoon = 1704467040;  // 2024-01-05 15:04 UTC
  EXPECT_EQ(ReceiptDateText(afternoon), u"January 05, 2024");
  EXPECT_EQ(ReceiptTimeText(afternoon), u"PM 03:04");
  EXPECT_EQ(ReceiptTimeText(afternoon - 15 * 3600), u"AM 12:04");
}

}  // namespace
}  // namespace qvreceipt
