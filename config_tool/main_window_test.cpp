// The main window (title, tabs, the about entry), and for every page and
// dialog: what assistive technology finds, the tab order, and a picture in
// the build tree's screenshots folder.
#include "config_tool/config_tool_dlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <functional>
#include <memory>

#include "common/gui/widget_snapshot.h"
#include "common/toolreg/reg_test_util.h"
#include "config_tool/about_dlg.h"
#include "config_tool/config_tool_test_util.h"
#include "config_tool/device_change_monitor.h"
#include "config_tool/drawer_dlg.h"
#include "config_tool/ethernett_dlg.h"
#include "config_tool/log_dlg.h"
#include "config_tool/lpt_port_dlg.h"
#include "config_tool/pending_ports.h"
#include "config_tool/printer_dlg.h"
#include "config_tool/serial_dlg.h"
#include "config_tool/usb_port_dlg.h"
#include "test_support/temp_prefix.h"

namespace qvconfig {
namespace {

using qvconfig_test::AnswerNextDialog;
using qvconfig_test::Choose;
using qvconfig_test::Find;
using qvconfig_test::Items;
using qvconfig_test::TabOrder;
using qvtoolreg_test::kDrawerClassKey;
using qvtoolreg_test::kPrinterClassKey;
using qvtoolreg_test::PutString;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { qvconfig_test::ResetPendingPorts(); }

  TempPrefix m_prefix;
  qvconfig_test::MessageBoxLog m_boxes;
};

TEST_F(MainWindowTest, ShowsThePrinterPageFirstAndTheDrawerPageOnItsTab) {
  CQVOposConfigToolDlg window;
  window.show();
  EXPECT_EQ(window.windowTitle(), "QVOposConfigTool");
  QTabWidget* tabs = window.Tabs();
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Printer");
  EXPECT_EQ(tabs->tabText(1), "Cash Drawer");
  EXPECT_TRUE(window.PrinterPage()->isVisible());
  EXPECT_FALSE(window.DrawerPage()->isVisible());

  // A printer saved on the first page is offered on the second when its tab
  // is selected.
  PutString(kPrinterClassKey + u"\\Front", u"", u"QV.Opos.Printer");
  tabs->setCurrentIndex(1);
  EXPECT_TRUE(window.DrawerPage()->isVisible());
  EXPECT_FALSE(window.PrinterPage()->isVisible());
  EXPECT_EQ(Items(Find<QComboBox>(window.DrawerPage(), "Uses Printer:")), QStringList({"Front"}));
}

TEST_F(MainWindowTest, TheAboutEntryOpensTheAboutBox) {
  CQVOposConfigToolDlg window;
  QAction* about = window.AboutAction();
  EXPECT_EQ(about->text(), "关于 QVOposConfigTool(&A)...");
  bool inMenuBar = false;
  for (QAction* menu : window.menuBar()->actions()) {
    inMenuBar = inMenuBar || (menu->menu() && menu->menu()->actions().contains(about));
  }
  EXPECT_TRUE(inMenuBar);
  QString text;
  auto answered = AnswerNextDialog<CAboutDlg>([&text](CAboutDlg* d) {
    for (QLabel* label : d->findChildren<QLabel*>()) text += label->text();
    Find<QPushButton>(d, "OK")->click();
  });
  about->trigger();
  EXPECT_TRUE(*answered);
  EXPECT_TRUE(text.contains("QVOposConfigTool")) << text.toStdString();
  EXPECT_TRUE(text.contains("Version 1.0")) << text.toStdString();
}

// Every page and dialog, filled as a user would see it.
struct Screen {
  const char* name;
  std::function<std::unique_ptr<QWidget>()> make;
  QStringList tabOrder;
};

TEST_F(MainWindowTest, EveryPageAndDialogIsFoundByAssistiveTechnologyAndPictured) {
  qvconfig_test::AttachDevice("COM7");
  qvconfig_test::AttachDevice("LPT1");
  qvconfig_test::AttachDevice("usb#vid_0fe6&pid_811e#A1B2");
  PutString(kPrinterClassKey + u"\\Front", u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Front", u"IOType", u"ENet");
  PutString(kPrinterClassKey + u"\\Back", u"", u"QV.Opos.Printer");
  PutString(kDrawerClassKey + u"\\Till", u"", u"QV.OPOS.CashDrawer");
  PutString(kDrawerClassKey + u"\\Till", u"Uses", u"Front");
  PutString(kDrawerClassKey + u"\\Till", u"PulseOnTime", u"100");
  PutString(kDrawerClassKey + u"\\Till", u"PulseOffTime", u"100");
  PendingPorts().network.address = u"192.168.1.80";

  const QStringList okCancel = {"OK", "Cancel"};
  const Screen screens[] = {
      {"config_tool_window",
       [] {
         auto window = std::make_unique<CQVOposConfigToolDlg>();
         Choose(Find<QComboBox>(window->PrinterPage(), "Device Name:"), "Front");
         Choose(Find<QComboBox>(window->PrinterPage(), "Interface Type:"), "ENet");
         window->resize(560, 420);
         return window;
       },
       {}},
      {"config_tool_printer_page",
       [] {
         auto page = std::make_unique<CPrinterDlg>();
         Choose(Find<QComboBox>(page.get(), "Device Name:"), "Front");
         Choose(Find<QComboBox>(page.get(), "Interface Type:"), "ENet");
         return page;
       },
       {"LDN:", "New", "Device Name:", "Delete", "Interface Type:", "Summary", "Save",
        "Port Configure", "Log Configure"}},
      {"config_tool_drawer_page",
       [] {
         auto page = std::make_unique<CDrawerDlg>();
         Choose(Find<QComboBox>(page.get(), "Device Name:"), "Till");
         return page;
       },
       {"LDN:", "New", "Device Name:", "Delete", "Uses Printer:", "Save", "Pin 2", "Pin 5",
        "Pulse on time(0~255):", "Pulse off time(0~255):"}},
      {"config_tool_serial_dialog",
       [] {
         return std::make_unique<CSerialDlg>(qvtoolreg::SerialSettings{u"COM7", 19200});
       },
       QStringList(
           {"Port:", "Bits per second:", "Data bits:", "Parity:", "Stop bits:", "Flow control:"}) +
           okCancel},
      {"config_tool_usb_dialog",
       [] {
         return std::make_unique<CUsbPortDlg>(nullptr, std::make_unique<CDeviceChangeMonitor>());
       },
       QStringList({"USB Port:"}) + okCancel},
      {"config_tool_lpt_dialog", [] { return std::make_unique<CLPTPortDlg>(); },
       QStringList({"LPT Port:"}) + okCancel},
      {"config_tool_network_dialog",
       [] { return std::make_unique<CEthernettDlg>(u"192.168.1.80"); },
       QStringList({"IP:", "Port:"}) + okCancel},
      {"config_tool_log_dialog", [] { return std::make_unique<CLogDlg>(); },
       QStringList({"Log Level:"}) + okCancel},
      {"config_tool_about_box", [] { return std::make_unique<CAboutDlg>(); }, {"OK"}},
  };
  for (const Screen& screen : screens) {
    SCOPED_TRACE(screen.name);
    std::unique_ptr<QWidget> widget = screen.make();
    qvconfig_test::ExpectFindableByAssistiveTechnology(widget.get());
    if (!screen.tabOrder.isEmpty()) {
      EXPECT_EQ(TabOrder(widget.get()), screen.tabOrder);
    }
    EXPECT_FALSE(qvgui::SaveWidgetSnapshot(widget.get(), screen.name).isEmpty());
  }
}

}  // namespace
}  // namespace qvconfig
