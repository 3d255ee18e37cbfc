// How the encoder reads barcode data the way a printer does.
#include "virtual_printer/render/symbol_encoder.h"

#include <gtest/gtest.h>

namespace qvvp {
namespace {

TEST(SymbolEncoderTest, UpcADigitsZeroSuppressToUpcE) {
  struct Case {
    const char* upcA;
    const char* upcE;  // nullptr: does not suppress
  };
  const Case cases[] = {
      {"04210000526", "04252614"},   // manufacturer ends in 100, product 00xxx
      {"01230000064", "01236432"},   // ends in 00 (digit 3 or above), product 000xx
      {"01234000005", "01234543"},   // ends in 0, product 0000x
      {"01234500007", "01234572"},   // product 00005..00009
      {"012345000072", "01234572"},  // with its check digit
      {"01234500001", nullptr},      // product 00001 after a full manufacturer code
      {"11234500007", nullptr},      // number system 1
      {"0123450000", nullptr},       // 10 digits
  };
  for (const Case& c : cases) {
    std::string upcE;
    const bool suppressed = UpcAToUpcE(c.upcA, &upcE);
    EXPECT_EQ(suppressed, c.upcE != nullptr) << c.upcA;
    if (suppressed && c.upcE != nullptr) {
      EXPECT_EQ(upcE, c.upcE) << c.upcA;
    }
  }
}

TEST(SymbolEncoderTest, Code128CodeSetsResolveToTheirCharacters) {
  struct Case {
    std::vector<uint8_t> data;
    const char* content;  // nullptr: refused
  };
  auto bytes = [](const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
  };
  const Case cases[] = {
      {bytes("{A12345"), "12345"},
      {bytes("{BAbc{{x"), "Abc{x"},
      {{'{', 'C', 0, 7, 99}, "000799"},
      {{'{', 'A', 'A', 'B', '{', 'B', 'c', 'D', '{', 'C', 42}, "ABcD42"},
      {bytes("{AA{Sb"), "Ab"},  // shift: one character from code set B
      {bytes("12345"), nullptr},
      {bytes("{Aab"), nullptr},
      {{'{', 'C', 100}, nullptr},
      {bytes("{A{1AB"), nullptr},
      {bytes("{X12"), nullptr},
      {bytes("{A"), nullptr},
  };
  for (const Case& c : cases) {
    std::string content;
    std::string error;
    const bool ok = Code128Content(c.data, &content, &error);
    EXPECT_EQ(ok, c.content != nullptr) << std::string(c.data.begin(), c.data.end());
    if (ok && c.content != nullptr) {
      EXPECT_EQ(content, c.content);
    }
    if (!ok) {
      EXPECT_FALSE(error.empty());
    }
  }
}

}  // namespace
}  // namespace qvvp
