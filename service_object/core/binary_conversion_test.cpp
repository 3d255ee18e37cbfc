#include "service_object/core/binary_conversion.h"

#include <string>

#include <gtest/gtest.h>

#include "service_object/core/device_flags.h"

namespace {

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  return bytes;
}

TEST(BinaryConversionTest, KnownValues) {
  EXPECT_EQ(BinaryConversionEncode(kFlagBinaryNibble, "\x9A"), "9:");
  EXPECT_EQ(BinaryConversionEncode(kFlagBinaryDecimal, "\x9A"), "154");
  EXPECT_EQ(BinaryConversionEncode(kFlagBinaryDecimal, std::string("\x00\xFF", 2)), "000255");
  EXPECT_EQ(BinaryConversionDecode(kFlagBinaryDecimal, "065066"), "AB");
  EXPECT_EQ(BinaryConversionDecode(kFlagBinaryNibble, "4="), "M");
}

TEST(BinaryConversionTest, RoundTripsEveryByte) {
  const std::string bytes = AllBytes();
  for (uint32_t flags : {kFlagBinaryNone, kFlagBinaryNibble, kFlagBinaryDecimal, 0u}) {
    std::string text = BinaryConversionEncode(flags, bytes);
    EXPECT_EQ(BinaryConversionDecode(flags, text), bytes) << "flags " << flags;
  }
  EXPECT_EQ(BinaryConversionEncode(kFlagBinaryNibble, bytes).size(), 512u);
  EXPECT_EQ(BinaryConversionEncode(kFlagBinaryDecimal, bytes).size(), 768u);
}

TEST(BinaryConversionTest, DecodingLengthRules) {
  struct Case {
    uint32_t flags;
    const char* text;
    std::string bytes;
  };
  const Case cases[] = {
      {kFlagBinaryNibble, "", ""},
      {kFlagBinaryNibble, "4", ""},    // one character
      {kFlagBinaryNibble, "414", ""},  // odd
      {kFlagBinaryNibble, "4142", "AB"},
      {kFlagBinaryDecimal, "", ""},
      {kFlagBinaryDecimal, "06", ""},
      {kFlagBinaryDecimal, "06506", ""},  // five characters
      {kFlagBinaryDecimal, "0650", ""},
      {kFlagBinaryDecimal, "065", "A"},
      // Only the low nibble of each character counts; triples wrap modulo 256.
      {kFlagBinaryNibble, "ab", std::string(1, '\x12')},
      {kFlagBinaryDecimal, "256", std::string(1, '\x00')},
      {kFlagBinaryDecimal, "999", std::string(1, static_cast<char>(999 % 256))},
      {kFlagBinaryDecimal, "???", std::string(1, static_cast<char>(15 * 111 % 256))},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BinaryConversionDecode(c.flags, c.text), c.bytes)
        << "flags " << c.flags << " text \"" << c.text << '"';
  }
}

TEST(BinaryConversionTest, NoneBitWinsAndNoBitMeansNoConversion) {
  EXPECT_EQ(BinaryConversionEncode(kFlagsBinaryConversion, "\x9A"), "\x9A");
  EXPECT_EQ(BinaryConversionEncode(kFlagBinaryNibble | kFlagBinaryDecimal, "\x9A"), "9:");
  EXPECT_EQ(BinaryConversionEncode(kFlagOpen | kFlagClaimed, "\x9A"), "\x9A");
  EXPECT_EQ(BinaryConversionDecode(kFlagOpen, "06506"), "06506");
}

TEST(BinaryConversionTest, PropertyValues) {
  const uint32_t other = kFlagOpen | kFlagClaimed | kFlagFreezeEvents;
  struct Case {
    int32_t value;
    uint32_t bits;
    int32_t reads;
  };
  const Case cases[] = {{0, kFlagBinaryNone, 0},
                        {1, kFlagBinaryNibble, 1},
                        {2, kFlagBinaryDecimal, 2},
                        {3, 0, 0},
                        {-1, 0, 0},
                        {256, 0, 0}};
  for (const Case& c : cases) {
    uint32_t flags = SetBinaryConversion(other | kFlagsBinaryConversion, c.value);
    EXPECT_EQ(flags, other | c.bits) << "value " << c.value;
    EXPECT_EQ(GetBinaryConversion(flags), c.reads) << "value " << c.value;
  }
  // A value other than 0, 1, 2 leaves strings unchanged in both directions.
  uint32_t flags = SetBinaryConversion(kFlagBinaryDecimal, 3);
  EXPECT_EQ(BinaryConversionEncode(flags, "\x9A"), "\x9A");
  EXPECT_EQ(BinaryConversionDecode(flags, "154"), "154");
  EXPECT_EQ(GetBinaryConversion(kFlagBinaryNibble | kFlagBinaryDecimal), 1);
}

}  // namespace
