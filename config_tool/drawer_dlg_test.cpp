// The cash drawer page: its lists, showing a drawer's settings, Save's
// value set, the reload each time the page is shown, and failures reported.
#include "config_tool/drawer_dlg.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "common/toolreg/reg_test_util.h"
#include "config_tool/config_tool_test_util.h"
#include "test_support/temp_prefix.h"

namespace qvconfig {
namespace {

using qvconfig_test::Choose;
using qvconfig_test::Find;
using qvconfig_test::Items;
using qvconfig_test::MessageBoxLog;
using qvtoolreg_test::kDrawerClassKey;
using qvtoolreg_test::KeyExists;
using qvtoolreg_test::kPrinterClassKey;
using qvtoolreg_test::PutString;
using qvtoolreg_test::ValuesOf;
using Values = std::map<std::u16string, std::u16string>;

const std::u16string kTill = kDrawerClassKey + u"\\Till";

void AddPrinter(const std::u16string& ldn) {
  PutString(kPrinterClassKey + u"\\" + ldn, u"", u"QV.Opos.Printer");
}

void AddDrawer(const std::u16string& ldn, const Values& values) {
  PutString(kDrawerClassKey + u"\\" + ldn, u"", u"QV.OPOS.CashDrawer");
  for (const auto& [name, value] : values) PutString(kDrawerClassKey + u"\\" + ldn, name, value);
}

class DrawerPageTest : public ::testing::Test {
 protected:
  QComboBox* DeviceName(CDrawerDlg& page) { return Find<QComboBox>(&page, "Device Name:"); }
  QComboBox* UsesPrinter(CDrawerDlg& page) { return Find<QComboBox>(&page, "Uses Printer:"); }
  QLineEdit* PulseOn(CDrawerDlg& page) { return Find<QLineEdit>(&page, "Pulse on time(0~255):"); }
  QLineEdit* PulseOff(CDrawerDlg& page) { return Find<QLineEdit>(&page, "Pulse off time(0~255):"); }
  QRadioButton* Pin(CDrawerDlg& page, int pin) {
    return Find<QRadioButton>(&page, QString("Pin %1").arg(pin));
  }

  TempPrefix m_prefix;
  MessageBoxLog m_boxes;
};

TEST_F(DrawerPageTest, StartsWithOurDrawersAndPrintersPin2AndZeroPulses) {
  AddPrinter(u"Front");
  AddPrinter(u"Back");
  AddDrawer(u"Till", {});
  PutString(kDrawerClassKey + u"\\Foreign", u"", u"Vendor.CashDrawer");
  CDrawerDlg page;
  EXPECT_EQ(Items(DeviceName(page)), QStringList({"Till"}));
  EXPECT_EQ(Items(UsesPrinter(page)), QStringList({"Back", "Front"}));
  EXPECT_EQ(DeviceName(page)->currentIndex(), -1);
  EXPECT_EQ(UsesPrinter(page)->currentIndex(), -1);
  EXPECT_TRUE(Pin(page, 2)->isChecked());
  EXPECT_FALSE(Pin(page, 5)->isChecked());
  EXPECT_EQ(PulseOn(page)->text(), "0");
  EXPECT_EQ(PulseOff(page)->text(), "0");
}

TEST_F(DrawerPageTest, SaveWritesUsesPinAndPulsesWithoutDeletingTheKey) {
  AddPrinter(u"Front");
  PutString(kTill, u"Extra", u"kept");
  CDrawerDlg page;
  Find<QLineEdit>(&page, "LDN:")->setText("Till");
  Find<QPushButton>(&page, "New")->click();
  Choose(UsesPrinter(page), "Front");
  Pin(page, 5)->click();
  PulseOn(page)->setText("300");  // labelled 0 to 255, but not limited
  PulseOff(page)->setText("");    // an empty edit is 0
  Find<QPushButton>(&page, "Save")->click();
  EXPECT_EQ(m_boxes.Texts(), QStringList({"Config Drawer Success"}));
  EXPECT_EQ(m_boxes.boxes()[0].caption, "QVOposConfigTool");
  EXPECT_EQ(ValuesOf(kTill), (Values{{u"", u"QV.OPOS.CashDrawer"},
                                     {u"Extra", u"kept"},
                                     {u"Uses", u"Front"},
                                     {u"ConnectPin", u"5"},
                                     {u"PulseOffTime", u"0"},
                                     {u"PulseOnTime", u"300"}}));
}

TEST_F(DrawerPageTest, SaveWithoutDrawerOrPrinterDoesNothing) {
  AddPrinter(u"Front");
  CDrawerDlg page;
  Find<QPushButton>(&page, "Save")->click();  // no drawer chosen
  Find<QLineEdit>(&page, "LDN:")->setText("Till");
  Find<QPushButton>(&page, "New")->click();
  Find<QPushButton>(&page, "Save")->click();  // no printer chosen
  EXPECT_TRUE(m_boxes.boxes().empty());
  EXPECT_FALSE(KeyExists(kDrawerClassKey));
}

TEST_F(DrawerPageTest, ChoosingADrawerShowsItsSettings) {
  AddPrinter(u"Back");
  AddPrinter(u"Front");
  AddDrawer(u"Five", {{u"Uses", u"Front"},
                      {u"ConnectPin", u"5"},
                      {u"PulseOnTime", u"120"},
                      {u"PulseOffTime", u"80"}});
  AddDrawer(u"Plain", {});  // no Uses: the first printer; no pin: pin 2
  AddDrawer(u"Orphan", {{u"Uses", u"Gone"}, {u"ConnectPin", u"3"}});
  CDrawerDlg page;

  Choose(DeviceName(page), "Five");
  EXPECT_EQ(UsesPrinter(page)->currentText(), "Front");
  EXPECT_TRUE(Pin(page, 5)->isChecked());
  EXPECT_FALSE(Pin(page, 2)->isChecked());
  EXPECT_EQ(PulseOn(page)->text(), "120");
  EXPECT_EQ(PulseOff(page)->text(), "80");

  Choose(DeviceName(page), "Plain");
  EXPECT_EQ(UsesPrinter(page)->currentText(), "Back");
  EXPECT_TRUE(Pin(page, 2)->isChecked());
  EXPECT_EQ(PulseOn(page)->text(), "0");

  Choose(UsesPrinter(page), "Front");
  Choose(DeviceName(page), "Orphan");  // its printer was deleted: the choice stays
  EXPECT_EQ(UsesPrinter(page)->currentText(), "Front");
  EXPECT_TRUE(Pin(page, 2)->isChecked());
}

TEST_F(DrawerPageTest, ShowingThePageReloadsThePrintersAndKeepsTheChosenOne) {
  AddPrinter(u"Front");
  CDrawerDlg page;
  AddPrinter(u"Back");
  page.show();
  EXPECT_EQ(Items(UsesPrinter(page)), QStringList({"Back", "Front"}));
  EXPECT_EQ(UsesPrinter(page)->currentIndex(), -1);

  Choose(UsesPrinter(page), "Front");
  page.hide();
  AddPrinter(u"Counter");
  page.show();
  EXPECT_EQ(Items(UsesPrinter(page)), QStringList({"Back", "Counter", "Front"}));
  EXPECT_EQ(UsesPrinter(page)->currentText(), "Front");

  page.hide();
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kPrinterClassKey + u"\\Front").c_str()), 0);
  page.show();
  EXPECT_EQ(Items(UsesPrinter(page)), QStringList({"Back", "Counter"}));
  EXPECT_EQ(UsesPrinter(page)->currentIndex(), -1);
}

TEST_F(DrawerPageTest, DeleteRemovesTheDrawerAndAFailingStoreIsReported) {
  AddPrinter(u"Front");
  AddDrawer(u"Till", {{u"Uses", u"Front"}});
  AddDrawer(u"Spare", {{u"Uses", u"Front"}});
  CDrawerDlg page;
  Choose(DeviceName(page), "Spare");
  Find<QPushButton>(&page, "Delete")->click();
  EXPECT_EQ(m_boxes.Texts(), QStringList({"Delete Success"}));
  EXPECT_FALSE(KeyExists(kDrawerClassKey + u"\\Spare"));
  EXPECT_EQ(Items(DeviceName(page)), QStringList({"Till"}));

  Choose(DeviceName(page), "Till");
  qvtoolreg_test::CorruptStore(m_prefix.root());
  m_boxes.Clear();
  Find<QPushButton>(&page, "Save")->click();
  ASSERT_EQ(m_boxes.boxes().size(), 1u);
  EXPECT_TRUE(m_boxes.boxes()[0].text.startsWith("Config Drawer Failed: "))
      << m_boxes.boxes()[0].text.toStdString();
  EXPECT_EQ(m_boxes.boxes()[0].icon, QMessageBox::Critical);
}

}  // namespace
}  // namespace qvconfig
