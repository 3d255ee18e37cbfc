// The cash drawer page against the real service objects and the virtual
// printer.
#include "test_app/drawer_dlg.h"

#include "common/toolreg/device_save.h"
#include "test_app/result_text.h"
#include "test_app/test_app_fixture.h"

namespace qvtestapp_test {
namespace {

using qvtestapp::ResultText;

TEST_F(TestAppTest, DrawerPageWithoutADrawerAsksToSelectOne) {
  RegisterServiceObjects();
  QWidget* page = DrawerPage();
  EXPECT_EQ(List(page, "LAN:").count(), 0);
  MessageBoxes boxes;
  Click(page, "Open");
  ASSERT_EQ(boxes.texts(), std::vector<QString>{"Please Select Cash Drawer!"});
  EXPECT_EQ(boxes.seen()[0].caption, "QVOPosTest");
  EXPECT_TRUE(Button(page, "Open").isEnabled());
  EXPECT_FALSE(Button(page, "Cliam").isEnabled());
}

TEST_F(TestAppTest, DrawerWhoseServiceObjectIsNotRegisteredShowsItsCodeInHex) {
  ConfigureDevices();  // but libQVSO.so is not registered
  QWidget* page = DrawerPage();
  MessageBoxes boxes;
  Click(page, "Open");
  EXPECT_EQ(boxes.texts(),
            std::vector<QString>{"This device has not been registered, or can't use.0x68"});
  EXPECT_TRUE(Button(page, "Open").isEnabled());
  for (const char* c : {"Cliam", "Close", "Release", "DeviceEnable", "Open Drawer"}) {
    EXPECT_FALSE(Button(page, c).isEnabled()) << c;
  }
}

TEST_F(TestAppTest, AFailingClaimStillEnablesRelease) {
  RegisterServiceObjects();
  // The drawer's printer is on a parallel port that is not there.
  qvtoolreg::PrinterSaveRequest printer;
  printer.ldn = u"Front";
  printer.interfaceType = qvtoolreg::kIoTypeLpt;
  printer.lptPort = u"LPT7:";
  ASSERT_EQ(qvtoolreg::SavePrinter(printer).status, qvtoolreg::SaveStatus::kSaved);
  ASSERT_EQ(qvtoolreg::SaveDrawer({u"Till", u"Front", 2, 48, 48}).status,
            qvtoolreg::SaveStatus::kSaved);
  QWidget* page = DrawerPage();
  MessageBoxes boxes;
  Click(page, "Open");
  ASSERT_TRUE(boxes.seen().empty());
  Click(page, "Cliam");
  EXPECT_EQ(boxes.texts(),
            std::vector<QString>{"Fails to get the exclusive right for the device."});
  EXPECT_TRUE(Button(page, "Release").isEnabled());
  EXPECT_FALSE(Button(page, "Cliam").isEnabled());
}

TEST_F(TestAppTest, OpenDrawerAndItsOpenAndClosedEvents) {
  RegisterServiceObjects();
  ConfigureDevices();
  QWidget* page = DrawerPage();
  MessageBoxes boxes;
  Click(page, "Open");
  EXPECT_FALSE(Button(page, "Open").isEnabled());
  EXPECT_FALSE(Button(page, "Release").isEnabled());
  Click(page, "Cliam");
  Click(page, "DeviceEnable");
  EXPECT_TRUE(Button(page, "DeviceEnable").isChecked());
  ASSERT_TRUE(WaitFor([&] { return Button(page, "Open Drawer").isEnabled(); }));
  EXPECT_TRUE(Button(page, "Cash Drawer Open").isEnabled());

  QAbstractButton& drawerOpen = Button(page, "Cash Drawer Open");
  Click(page, "Open Drawer");
  EXPECT_TRUE(WaitFor([&] { return drawerOpen.isChecked(); })) << "no drawer-open event";
  EXPECT_GE(engine().drawer_kicks(), 1u);
  // Only events change the box; other status values change nothing.
  drawerOpen.click();
  EXPECT_TRUE(drawerOpen.isChecked());
  emit DrawerControl().StatusUpdateEvent(2);
  EXPECT_TRUE(drawerOpen.isChecked());
  engine().SetDrawerOpen(false);
  EXPECT_TRUE(WaitFor([&] { return !drawerOpen.isChecked(); })) << "no drawer-closed event";
  emit DrawerControl().StatusUpdateEvent(2);
  EXPECT_FALSE(drawerOpen.isChecked());

  // Unchecking the box disables the drawer.
  Click(page, "DeviceEnable");
  EXPECT_FALSE(Button(page, "DeviceEnable").isChecked());
  EXPECT_FALSE(DrawerControl().GetDeviceEnabled());
  EXPECT_TRUE(WaitFor([&] { return !Button(page, "Open Drawer").isEnabled(); }));

  Click(page, "Close");
  EXPECT_TRUE(Button(page, "Open").isEnabled());
  for (const char* c : {"Cliam", "Close", "Release", "DeviceEnable", "Open Drawer"}) {
    EXPECT_FALSE(Button(page, c).isEnabled()) << c;
  }
  EXPECT_TRUE(boxes.seen().empty()) << boxes.texts()[0].toStdString();
}

TEST_F(TestAppTest, OpenDrawerFailureShowsTheResultText) {
  RegisterServiceObjects();
  ConfigureDevices();
  QWidget* page = DrawerPage();
  Click(page, "Open");
  Click(page, "Cliam");
  Click(page, "DeviceEnable");
  ASSERT_TRUE(WaitFor([&] { return Button(page, "Open Drawer").isEnabled(); }));
  // Disabled behind the page's back: the next poll has not run yet.
  DrawerControl().SetDeviceEnabled(false);
  MessageBoxes boxes;
  Click(page, "Open Drawer");
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, ResultText(105));
  EXPECT_EQ(boxes.seen()[0].caption, "Info");
}

}  // namespace
}  // namespace qvtestapp_test
