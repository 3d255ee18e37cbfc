#include "common/ports/port_names.h"

#include <string>

#include <gtest/gtest.h>

namespace {

struct NameCase {
  const char16_t* name;
  int32_t com;
  int32_t lpt;
};

TEST(PortNames, IsComAndIsLptWantThePrefixAndATrailingColon) {
  const NameCase cases[] = {
      {u"COM3:", 1, 0},  {u"COM3", 0, 0},        {u"com3:", 1, 0}, {u"CoM10:", 1, 0},
      {u"LPT1:", 0, 1},  {u"lpt2:", 0, 1},       {u"LPT1", 0, 0},  {u"FILE:", 0, 0},
      {u"", 0, 0},       {u"CO", 0, 0},          {u":", 0, 0},     {u"COM:", 1, 0},
      {u"XCOM1:", 0, 0}, {u"IP_10.0.0.5", 0, 0},
  };
  for (const NameCase& c : cases) {
    std::u16string name = c.name;
    EXPECT_EQ(isCOM(c.name), c.com) << std::string(name.begin(), name.end());
    EXPECT_EQ(isLPT(c.name), c.lpt) << std::string(name.begin(), name.end());
  }
  EXPECT_EQ(isCOM(nullptr), 0);
  EXPECT_EQ(isLPT(nullptr), 0);
}

class IsPhysicalCom : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<qvports::SerialInterface> ports;
    for (const char16_t* friendly : m_friendly) {
      ports.push_back({u"path", std::u16string(friendly), u"d", std::nullopt});
    }
    ASSERT_EQ(qvports::BuildSSerInfoList(ports, &m_list), 1);
  }
  void TearDown() override { ReleaseSSerInfo(m_list); }

  std::vector<const char16_t*> m_friendly = {u"Communications Port (COM1)"};
  SSerInfo* m_list = nullptr;
};

TEST_F(IsPhysicalCom, MatchesPortNamesAsSubstrings) {
  EXPECT_EQ(isPhysicalCOM(u"COM1:", m_list), 1);
  // COM1 occurs in COM10: a plain substring search.
  EXPECT_EQ(isPhysicalCOM(u"COM10:", m_list), 1);
  EXPECT_EQ(isPhysicalCOM(u"COM2:", m_list), 0);
  EXPECT_EQ(isPhysicalCOM(u"COM1", m_list), 0);  // not a spooler name
  EXPECT_EQ(isPhysicalCOM(u"LPT1:", m_list), 0);
}

TEST_F(IsPhysicalCom, WithoutAListEveryComNameCounts) {
  EXPECT_EQ(isPhysicalCOM(u"COM9:", nullptr), 1);
  EXPECT_EQ(isPhysicalCOM(u"LPT1:", nullptr), 0);
}

TEST(IsPhysicalComModem, ANodeWithoutPortNameMatchesEveryComName) {
  SSerInfo* list = nullptr;
  ASSERT_EQ(qvports::BuildSSerInfoList({{u"p", u"Standard Modem", u"d", std::nullopt}}, &list), 1);
  EXPECT_EQ(isPhysicalCOM(u"COM42:", list), 1);
  EXPECT_EQ(isPhysicalCOM(u"LPT1:", list), 0);
  ReleaseSSerInfo(list);
}

TEST(WcharIsDigit, OnlyTheTenDigitUnits) {
  for (int32_t c = 0; c < 0x10000; ++c) {
    EXPECT_EQ(wcharIsDigit(c), (c >= '0' && c <= '9') ? 1 : 0) << c;
  }
  // The unit is compared as 16 bits after the subtraction.
  EXPECT_EQ(wcharIsDigit(0x10030), 1);
  EXPECT_EQ(wcharIsDigit(-1), 0);
}

}  // namespace
