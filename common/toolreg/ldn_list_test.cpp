#include "common/toolreg/ldn_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/toolreg/reg_test_util.h"
#include "test_support/temp_prefix.h"

namespace {

using namespace qvtoolreg_test;
using Names = std::vector<std::u16string>;

class LdnListTest : public ::testing::Test {
 protected:
  // Printers: two of ours, and keys that only look like ours.
  void AddMixedPrinters() {
    PutString(kPrinterClassKey + u"\\Front", u"", u"QV.Opos.Printer");
    PutString(kPrinterClassKey + u"\\Front", u"IOType", u"COM");
    PutString(kPrinterClassKey + u"\\Blank", u"", u"QV.Opos.Printer ");
    PutString(kPrinterClassKey + u"\\Lower", u"", u"qv.opos.printer");
    PutString(kPrinterClassKey + u"\\Other", u"", u"Other.Vendor.Printer");
    PutString(kPrinterClassKey + u"\\NoMark", u"IOType", u"USB");
    PutString(kPrinterClassKey + u"\\Back", u"", u"QV.Opos.Printer");
    // A drawer ProgID under the printer class is not a printer of ours.
    PutString(kPrinterClassKey + u"\\Cross", u"", u"QV.OPOS.CashDrawer");
  }

  TempPrefix m_prefix;
};

TEST_F(LdnListTest, AMissingClassKeyLeavesTheListAsItWas) {
  Names list = {u"kept"};
  EXPECT_EQ(EnumPrinterLDNs(&list), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(EnumDrawerLDNs(&list), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(list, Names{u"kept"});
  LoadOwnLDNs(u"POSPrinter", &list);
  EXPECT_TRUE(list.empty());
}

TEST_F(LdnListTest, EnumerationAppendsEverySubkeyAndSucceedsOnAnEmptyClass) {
  PutString(kDrawerClassKey, u"x", u"y");  // the class key with no subkey
  Names list = {u"first"};
  EXPECT_EQ(EnumDrawerLDNs(&list), ERROR_SUCCESS);
  EXPECT_EQ(list, Names{u"first"});

  AddMixedPrinters();
  EXPECT_EQ(EnumPrinterLDNs(&list), ERROR_SUCCESS);
  EXPECT_EQ(list.size(), 8u);  // "first" and the seven printer keys
  EXPECT_EQ(list[0], u"first");
}

TEST_F(LdnListTest, OnlyKeysMarkedExactlyWithOurProgIdAreOurs) {
  AddMixedPrinters();
  PutString(kDrawerClassKey + u"\\Till", u"", u"QV.OPOS.CashDrawer");
  PutString(kDrawerClassKey + u"\\Foreign", u"", u"QV.OPOS.CashDrawer.1");

  Names printers = {u"stale"};
  LoadOwnLDNs(u"POSPrinter", &printers);
  std::sort(printers.begin(), printers.end());
  EXPECT_EQ(printers, (Names{u"Back", u"Front"}));
  Names drawers;
  LoadOwnLDNs(u"CashDrawer", &drawers);
  EXPECT_EQ(drawers, Names{u"Till"});
  Names none;
  LoadOwnLDNs(u"Scanner", &none);
  EXPECT_TRUE(none.empty());
}

TEST_F(LdnListTest, DeleteRemovesTheKeyWithItsValues) {
  AddMixedPrinters();
  EXPECT_EQ(DeletePrinterLDN(u"Front"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(kPrinterClassKey + u"\\Front"));
  EXPECT_EQ(DeletePrinterLDN(u"Front"), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Back"));
}

TEST_F(LdnListTest, DeleteRefusesNamesThatAreNoDeviceKey) {
  AddMixedPrinters();
  PutString(kPrinterClassKey + u"\\Other\\Sub", u"", u"x");
  EXPECT_EQ(DeletePrinterLDN(u""), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(DeletePrinterLDN(u"Other\\Sub"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(DeleteDrawerLDN(u"\\"), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(KeyExists(kPrinterClassKey));
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Other\\Sub"));
}

TEST_F(LdnListTest, DeleteOwnLdnNeverTouchesAnotherVendorsKey) {
  AddMixedPrinters();
  EXPECT_EQ(qvtoolreg::DeleteOwnLDN(u"POSPrinter", u"Other"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(qvtoolreg::DeleteOwnLDN(u"POSPrinter", u"Blank"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(qvtoolreg::DeleteOwnLDN(u"POSPrinter", u"Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(qvtoolreg::DeleteOwnLDN(u"CashDrawer", u"Front"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(qvtoolreg::DeleteOwnLDN(u"Scanner", u"Front"), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Other"));
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Blank"));
  EXPECT_EQ(qvtoolreg::DeleteOwnLDN(u"POSPrinter", u"Front"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(kPrinterClassKey + u"\\Front"));
}

TEST_F(LdnListTest, UninstallRemovesOnlyOurKeysAndKeepsTheServiceInformation) {
  AddMixedPrinters();
  PutString(kDrawerClassKey + u"\\Till", u"", u"QV.OPOS.CashDrawer");
  PutString(kDrawerClassKey + u"\\Till", u"Uses", u"Front");
  PutString(kDrawerClassKey + u"\\Foreign", u"", u"Foreign.CashDrawer");
  PutString(kInfoKey, u"LogVerbosity", u"4");
  PutString(kInfoKey, u"PrimaryConfig", u"TORVEX");

  qvtoolreg::UninstallResult result = qvtoolreg::UninstallOwnLDNs();
  EXPECT_EQ(result.firstFailure, ERROR_SUCCESS);
  std::sort(result.printersDeleted.begin(), result.printersDeleted.end());
  EXPECT_EQ(result.printersDeleted, (Names{u"Back", u"Front"}));
  EXPECT_EQ(result.drawersDeleted, Names{u"Till"});

  Names left;
  EnumPrinterLDNs(&left);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (Names{u"Blank", u"Cross", u"Lower", u"NoMark", u"Other"}));
  EXPECT_TRUE(KeyExists(kDrawerClassKey + u"\\Foreign"));
  auto info = ValuesOf(kInfoKey);
  EXPECT_EQ(info[u"LogVerbosity"], u"4");
  EXPECT_EQ(info[u"PrimaryConfig"], u"TORVEX");
}

TEST_F(LdnListTest, UninstallReportsAKeyItCouldNotDelete) {
  PutString(kPrinterClassKey + u"\\Front", u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Front\\Extra", u"", u"x");  // refuses a plain delete
  PutString(kPrinterClassKey + u"\\Back", u"", u"QV.Opos.Printer");
  qvtoolreg::UninstallResult result = qvtoolreg::UninstallOwnLDNs();
  EXPECT_EQ(result.firstFailure, ERROR_KEY_HAS_CHILDREN);
  EXPECT_EQ(result.printersDeleted, Names{u"Back"});
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].keyPath, kPrinterClassKey + u"\\Front");
  EXPECT_EQ(result.failures[0].status, ERROR_KEY_HAS_CHILDREN);
  EXPECT_EQ(result.failures[0].reason, u"registry status 1020 (the key has subkeys)");
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Front"));
}

}  // namespace
