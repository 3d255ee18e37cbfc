#include "virtual_printer/printer_state.h"

#include <gtest/gtest.h>

namespace qvvp {
namespace {

struct StatusCase {
  const char* what;
  PrinterState state;
  uint8_t expected[4];  // answers to DLE EOT 1..4
};

class StatusByteTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusByteTest, AnswersEachRequestFromTheState) {
  const StatusCase& c = GetParam();
  for (int n = 1; n <= 4; ++n) {
    std::optional<uint8_t> answer = StatusByte(c.state, n);
    ASSERT_TRUE(answer.has_value()) << c.what;
    EXPECT_EQ(*answer, c.expected[n - 1]) << c.what << " DLE EOT " << n;
    EXPECT_EQ(*answer & 0x12, 0x12) << "fixed bits";
  }
}

PrinterState With(bool drawer, bool cover, bool end, bool near_end, bool offline) {
  return PrinterState{drawer, cover, end, near_end, offline};
}

INSTANTIATE_TEST_SUITE_P(
    States, StatusByteTest,
    ::testing::Values(
        StatusCase{"idle", With(false, false, false, false, false), {0x16, 0x12, 0x12, 0x12}},
        StatusCase{"drawer open", With(true, false, false, false, false), {0x12, 0x12, 0x12, 0x12}},
        StatusCase{"cover open", With(false, true, false, false, false), {0x1E, 0x16, 0x12, 0x12}},
        StatusCase{"paper end", With(false, false, true, false, false), {0x1E, 0x32, 0x12, 0x72}},
        StatusCase{"near end", With(false, false, false, true, false), {0x16, 0x12, 0x12, 0x1E}},
        StatusCase{"offline", With(false, false, false, false, true), {0x1E, 0x12, 0x12, 0x12}}));

TEST(StatusByteTest, OtherRequestsAreNotAnswered) {
  PrinterState idle;
  EXPECT_FALSE(StatusByte(idle, 0).has_value());
  EXPECT_FALSE(StatusByte(idle, 5).has_value());
  EXPECT_FALSE(StatusByte(idle, 0x31).has_value());
}

}  // namespace
}  // namespace qvvp
