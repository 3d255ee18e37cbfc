#include "common/toolreg/opos_tool_reg_key.h"

#include <string>

#include <gtest/gtest.h>

#include "common/toolreg/reg_test_util.h"
#include "test_support/temp_prefix.h"

namespace {

using namespace qvtoolreg_test;

const std::u16string kFrontDesk = kPrinterClassKey + u"\\Front Desk";

class ToolRegKeyTest : public ::testing::Test {
 protected:
  TempPrefix m_prefix;
  COposToolRegKey m_printer{u"POSPrinter", u"Front Desk"};
};

TEST_F(ToolRegKeyTest, BuildsItsPathsFromClassAndLdn) {
  EXPECT_EQ(m_printer.DeviceKeyPath(),
            u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk\\");
  EXPECT_EQ(m_printer.InfoKeyPath(), u"SOFTWARE\\OLEforRetail\\ServiceInfo\\QV\\");
  for (COposToolRegKey key : {COposToolRegKey(u"", u"X"), COposToolRegKey(u"POSPrinter", u""),
                              COposToolRegKey(u"", u"")}) {
    EXPECT_TRUE(key.DeviceKeyPath().empty());
    EXPECT_EQ(key.InfoKeyPath(), u"SOFTWARE\\OLEforRetail\\ServiceInfo\\QV\\");
  }
}

TEST_F(ToolRegKeyTest, ReadsNeverFailLoudly) {
  EXPECT_EQ(m_printer.GetString(u"IOType"), u"");  // no key at all
  EXPECT_EQ(m_printer.GetNumber(u"BaudRate"), 0);
  EXPECT_EQ(m_printer.GetInfoNumber(u"LogVerbosity"), 0);

  uint32_t dword = 9600;
  PutRaw(kFrontDesk, u"BaudRate", REG_DWORD, &dword, sizeof(dword));
  EXPECT_EQ(m_printer.GetNumber(u"BaudRate"), 0);  // not REG_SZ
  EXPECT_EQ(m_printer.GetString(u"BaudRate"), u"");

  std::u16string tooLong(2048, u'x');
  PutString(kFrontDesk, u"Long", tooLong);
  EXPECT_EQ(m_printer.GetString(u"Long"), u"");
  std::u16string longest(2047, u'y');
  PutString(kFrontDesk, u"Longest", longest);
  EXPECT_EQ(m_printer.GetString(u"Longest"), longest);
}

TEST_F(ToolRegKeyTest, AStringWithoutTerminatorReadsTheSame) {
  const char16_t bare[] = {u'Q', u'V', u'.', u'O', u'p', u'o', u's', u'.',
                           u'P', u'r', u'i', u'n', u't', u'e', u'r'};
  PutRaw(kFrontDesk, u"", REG_SZ, bare, sizeof(bare));
  EXPECT_EQ(m_printer.GetString(u""), u"QV.Opos.Printer");
  PutString(kFrontDesk, u"Serial Port", u"COM1");
  EXPECT_EQ(m_printer.GetString(u"Serial Port"), u"COM1");
}

TEST_F(ToolRegKeyTest, NumbersParseLikeTheTools) {
  struct Case {
    const char16_t* text;
    int32_t number;
  };
  const Case cases[] = {
      {u"12abc", 12},
      {u"abc", 0},
      {u"  -48", -48},
      {u"+7", 7},
      {u"", 0},
      {u"- 5", 0},
      {u"\t19200 baud", 19200},
      {u"99999999999", 2147483647},
      {u"-99999999999", -2147483647 - 1},
  };
  for (const Case& c : cases) {
    PutString(kFrontDesk, u"N", c.text);
    EXPECT_EQ(m_printer.GetNumber(u"N"), c.number);
    PutString(kInfoKey, u"N", c.text);
    EXPECT_EQ(m_printer.GetInfoNumber(u"N"), c.number);
  }
}

TEST_F(ToolRegKeyTest, CreateAndSetStringMarksTheKeyWithTheClassProgId) {
  ASSERT_EQ(m_printer.CreateAndSetString(u"IOType", u"COM"), ERROR_SUCCESS);
  auto values = ValuesOf(kFrontDesk);
  EXPECT_EQ(values[u""], u"QV.Opos.Printer");
  EXPECT_EQ(values[u"IOType"], u"COM");

  COposToolRegKey drawer(u"CashDrawer", u"Till");
  ASSERT_EQ(drawer.CreateAndSetString(u"Uses", u"Front Desk"), ERROR_SUCCESS);
  EXPECT_EQ(ValuesOf(kDrawerClassKey + u"\\Till")[u""], u"QV.OPOS.CashDrawer");

  // Another writer's mark is put right by the next write.
  PutString(kFrontDesk, u"", u"Other.Vendor.Printer");
  ASSERT_EQ(m_printer.CreateAndSetString(u"Model", u"80"), ERROR_SUCCESS);
  EXPECT_EQ(ValuesOf(kFrontDesk)[u""], u"QV.Opos.Printer");

  // An unknown class leaves the default value alone.
  COposToolRegKey other(u"Scanner", u"S1");
  ASSERT_EQ(other.CreateAndSetString(u"X", u"1"), ERROR_SUCCESS);
  EXPECT_EQ(ValuesOf(u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\Scanner\\S1").count(u""), 0u);
}

TEST_F(ToolRegKeyTest, SetNumberWritesDecimalTextOnlyIntoAnExistingKey) {
  EXPECT_NE(m_printer.SetNumber(u"BaudRate", 9600), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(kFrontDesk));

  ASSERT_EQ(m_printer.CreateAndSetString(u"IOType", u"COM"), ERROR_SUCCESS);
  EXPECT_EQ(m_printer.SetNumber(u"BaudRate", 115200), ERROR_SUCCESS);
  EXPECT_EQ(m_printer.SetNumber(u"Parity", -1), ERROR_SUCCESS);
  EXPECT_EQ(m_printer.SetNumber(u"ByteSize", 0), ERROR_SUCCESS);
  auto values = ValuesOf(kFrontDesk);
  EXPECT_EQ(values[u"BaudRate"], u"115200");
  EXPECT_EQ(values[u"Parity"], u"-1");
  EXPECT_EQ(values[u"ByteSize"], u"0");
}

TEST_F(ToolRegKeyTest, InfoWritesCreateTheServiceInformationKey) {
  COposToolRegKey info(u"", u"");
  ASSERT_EQ(info.SetInfoNumber(u"LogVerbosity", 5), ERROR_SUCCESS);
  ASSERT_EQ(info.SetInfoString(u"PrimaryConfig", u"TORVEX"), ERROR_SUCCESS);
  auto values = ValuesOf(kInfoKey);
  EXPECT_EQ(values.size(), 2u);  // no default value is written there
  EXPECT_EQ(values[u"LogVerbosity"], u"5");
  EXPECT_EQ(values[u"PrimaryConfig"], u"TORVEX");
  EXPECT_EQ(info.GetInfoNumber(u"LogVerbosity"), 5);
}

TEST_F(ToolRegKeyTest, AnAccessorWithoutDeviceKeyWritesNothingIntoTheRoot) {
  COposToolRegKey info(u"", u"");
  EXPECT_EQ(info.CreateAndSetString(u"IOType", u"COM"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(info.SetNumber(u"BaudRate", 1), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(ValuesOf(u"").empty());
  EXPECT_EQ(info.GetString(u"IOType"), u"");
}

}  // namespace
