// The main window: its tabs and about box, the swallowed Enter key, and how
// it copes without service objects or control objects.
#include "test_app/main_dlg.h"

#include <QAction>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include "common/toolreg/device_save.h"
#include "test_app/drawer_dlg.h"
#include "test_app/printer_dlg.h"
#include "test_app/result_text.h"
#include "test_app/test_app_fixture.h"

namespace qvtestapp_test {
namespace {

using qvtestapp::ResultText;

TEST_F(TestAppTest, MainWindowShowsThePrinterTabFirstAndSwitchesPages) {
  qvtestapp::CQVOPosTestDlg& window = Window();
  EXPECT_EQ(window.windowTitle(), "QVOposTest V1.01");
  QTabWidget* tabs = window.tabs();
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Printer");
  EXPECT_EQ(tabs->tabText(1), "Cash Drawer");
  EXPECT_TRUE(PrinterPage()->isVisible());
  EXPECT_FALSE(DrawerPage()->isVisible());
  tabs->setCurrentIndex(1);
  EXPECT_TRUE(DrawerPage()->isVisible());
  EXPECT_FALSE(PrinterPage()->isVisible());
}

TEST_F(TestAppTest, AboutBoxKeepsTheUsualEnterKey) {
  qvtestapp::CQVOPosTestDlg& window = Window();
  EXPECT_EQ(window.aboutAction()->text(), "关于 QVOPosTest(&A)...");
  bool closedByEnter = false;
  ASSERT_TRUE(WithModalDialog([&] { window.aboutAction()->trigger(); },
                              [&](QDialog& about) {
                                bool named = false;
                                for (QLabel* label : about.findChildren<QLabel*>()) {
                                  named = named || label->text() == "QVOPosTest, Version 1.0";
                                }
                                EXPECT_TRUE(named);
                                QTest::keyClick(&about, Qt::Key_Return);
                                closedByEnter = !about.isVisible();
                              }));
  EXPECT_TRUE(closedByEnter);
}

TEST_F(TestAppTest, EnterPressesNoButtonOnThePagesAndInTheDialogs) {
  RegisterServiceObjects();
  ConfigureDevices();
  QWidget* page = PrinterPage();
  QAbstractButton& open = Button(page, "Open");
  open.setFocus();
  QTest::keyClick(&open, Qt::Key_Return);
  QTest::keyClick(&open, Qt::Key_Enter);
  EXPECT_TRUE(open.isEnabled());
  EXPECT_EQ(Output(page), "");
  EXPECT_TRUE(Window().isVisible());

  EnablePrinter();
  MessageBoxes boxes;
  ASSERT_TRUE(WithModalDialog([&] { Click(page, "PageModeProperties"); },
                              [&](QDialog& dialog) {
                                QAbstractButton& setting = Button(&dialog, "Setting");
                                setting.setFocus();
                                QTest::keyClick(&setting, Qt::Key_Return);
                                QTest::keyClick(&Edit(&dialog, "X0:"), Qt::Key_Return);
                                EXPECT_TRUE(dialog.isVisible());
                              }));
  EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(TestAppTest, WithoutRegisteredServiceObjectsOpenShowsNoService) {
  ConfigureDevices();
  QWidget* page = PrinterPage();
  Click(page, "Open");
  EXPECT_EQ(Output(page), ResultText(104));
  EXPECT_TRUE(Button(page, "Open").isEnabled());
  EXPECT_FALSE(Button(page, "Cliam").isEnabled());
  EXPECT_FALSE(Button(page, "Close").isEnabled());
}

TEST_F(TestAppTest, WithoutControlObjectsTheWindowOpensAndOpenShowsNoService) {
  RegisterServiceObjects();
  ConfigureDevices();
  m_window = std::make_unique<qvtestapp::CQVOPosTestDlg>(
      std::make_unique<qvtestapp::COPOSPOSPrinter1>(nullptr),
      std::make_unique<qvtestapp::COPOSCashDrawer>(nullptr));
  m_window->show();
  EXPECT_TRUE(m_window->isVisible());
  QWidget* page = PrinterPage();
  Click(page, "Open");
  EXPECT_EQ(Output(page), ResultText(104));
  EXPECT_TRUE(Button(page, "Open").isEnabled());

  MessageBoxes boxes;
  Click(DrawerPage(), "Open");
  EXPECT_EQ(boxes.texts(),
            std::vector<QString>{"This device has not been registered, or can't use.0x68"});
}

TEST_F(TestAppTest, WithoutAPrinterOpenAsksToSelectOne) {
  RegisterServiceObjects();
  QWidget* page = PrinterPage();
  EXPECT_EQ(List(page, "LAN:").count(), 0);
  MessageBoxes boxes;
  Click(page, "Open");
  EXPECT_EQ(boxes.texts(), std::vector<QString>{"Please Select Printer!"});
  EXPECT_EQ(Output(page), "");
}

TEST_F(TestAppTest, DeviceListsAreSortedWithTheFirstSelected) {
  RegisterServiceObjects();
  ConfigureDevices();
  qvtoolreg::PrinterSaveRequest printer;
  printer.ldn = u"back office";
  printer.interfaceType = qvtoolreg::kIoTypeENet;
  printer.ipAddress = u"127.0.0.1";
  ASSERT_EQ(qvtoolreg::SavePrinter(printer).status, qvtoolreg::SaveStatus::kSaved);
  QComboBox& list = List(PrinterPage(), "LAN:");
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.itemText(0), "back office");
  EXPECT_EQ(list.itemText(1), "Front");
  EXPECT_EQ(list.currentIndex(), 0);
  EXPECT_EQ(List(DrawerPage(), "LAN:").currentText(), "Till");
}

}  // namespace
}  // namespace qvtestapp_test
