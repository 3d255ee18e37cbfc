// The port dialogs and the log dialog: what they list and select, what OK
// and Cancel leave in the pending port settings or the registry, and the USB
// list rebuilt on device-change notifications.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "common/toolreg/reg_test_util.h"
#include "config_tool/config_tool_test_util.h"
#include "config_tool/device_change_monitor.h"
#include "config_tool/ethernett_dlg.h"
#include "config_tool/log_dlg.h"
#include "config_tool/lpt_port_dlg.h"
#include "config_tool/pending_ports.h"
#include "config_tool/serial_dlg.h"
#include "config_tool/usb_port_dlg.h"
#include "platform/devices/device_map.h"
#include "test_support/temp_prefix.h"

namespace qvconfig {
namespace {

using qvconfig_test::Choose;
using qvconfig_test::Find;
using qvconfig_test::Items;
using qvconfig_test::MessageBoxLog;
using qvtoolreg::SerialSettings;
using qvtoolreg_test::kInfoKey;
using qvtoolreg_test::PutString;
using qvtoolreg_test::ValuesOf;
using Values = std::map<std::u16string, std::u16string>;

bool operator==(const SerialSettings& a, const SerialSettings& b) {
  return a.portName == b.portName && a.baudRate == b.baudRate && a.byteSize == b.byteSize &&
         a.parity == b.parity && a.stopBits == b.stopBits && a.flowControl == b.flowControl;
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { qvconfig_test::ResetPendingPorts(); }

  void ClickOk(QWidget* dialog) { Find<QPushButton>(dialog, "OK")->click(); }

  TempPrefix m_prefix;
  MessageBoxLog m_boxes;
};

TEST_F(DialogsTest, SerialDialogShowsTheStoredSettingsAndOkStoresTheChoice) {
  qvconfig_test::AttachDevice("COM61");
  qvconfig_test::AttachDevice("COM62");
  const struct {
    SerialSettings stored;
    const char* baudShown;
    int parityShown, stopShown, flowShown;
    SerialSettings afterOk;
  } cases[] = {
      {{u"COM62", 9600, 8, 2, 1, 1}, "9600", 2, 1, 1, {u"COM62", 9600, 8, 2, 1, 1}},
      {{u"COM62", 38400, 8, 0, 2, 2}, "38400", 0, 2, 2, {u"COM62", 38400, 8, 0, 2, 2}},
      {{u"COM61", 115200, 7, 1, 0, 0}, "115200", 1, 0, 0, {u"COM61", 115200, 8, 1, 0, 0}},
      // Rates the list does not offer show (and store) 19200; codes outside
      // a list select nothing and store -1.
      {{u"COM62", 57600, 8, 7, 0, 0}, "19200", -1, 0, 0, {u"COM62", 19200, 8, -1, 0, 0}},
      {{u"COM62", 0, 0, 0, 3, -1}, "19200", 0, -1, -1, {u"COM62", 19200, 8, 0, -1, -1}},
  };
  for (const auto& c : cases) {
    CSerialDlg dialog(c.stored);
    const QStringList ports = Items(Find<QComboBox>(&dialog, "Port:"));
    EXPECT_LT(ports.indexOf("COM61"), ports.indexOf("COM62"));
    EXPECT_EQ(Items(Find<QComboBox>(&dialog, "Bits per second:")),
              QStringList({"9600", "19200", "38400", "115200"}));
    EXPECT_EQ(Items(Find<QComboBox>(&dialog, "Data bits:")), QStringList({"8"}));
    EXPECT_EQ(Items(Find<QComboBox>(&dialog, "Parity:")), QStringList({"NONE", "ODD", "EVEN"}));
    EXPECT_EQ(Items(Find<QComboBox>(&dialog, "Stop bits:")), QStringList({"1", "1.5", "2"}));
    EXPECT_EQ(Items(Find<QComboBox>(&dialog, "Flow control:")),
              QStringList({"NONE", "Hardware", "Xon/Xoff"}));
    EXPECT_EQ(Find<QComboBox>(&dialog, "Bits per second:")->currentText(), c.baudShown);
    EXPECT_EQ(Find<QComboBox>(&dialog, "Data bits:")->currentText(), "8");
    EXPECT_EQ(Find<QComboBox>(&dialog, "Parity:")->currentIndex(), c.parityShown);
    EXPECT_EQ(Find<QComboBox>(&dialog, "Stop bits:")->currentIndex(), c.stopShown);
    EXPECT_EQ(Find<QComboBox>(&dialog, "Flow control:")->currentIndex(), c.flowShown);
    EXPECT_TRUE(PendingPorts().serial == c.stored);  // taken over at construction
    ClickOk(&dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(PendingPorts().serial == c.afterOk) << c.baudShown;
  }
  // A port that is not listed: the first one is selected.
  CSerialDlg dialog({u"COM99", 19200, 8, 0, 0, 0});
  QComboBox* port = Find<QComboBox>(&dialog, "Port:");
  EXPECT_EQ(port->currentIndex(), 0);
  ClickOk(&dialog);
  EXPECT_EQ(PendingPorts().serial.portName, port->itemText(0).toStdU16String());
}

TEST_F(DialogsTest, SerialDialogCancelAndOkWithoutPortKeepTheConstructedSettings) {
  qvconfig_test::AttachDevice("COM61");
  const SerialSettings stored = {u"COM61", 57600, 8, 7, 0, 0};
  {
    CSerialDlg dialog(stored);
    Choose(Find<QComboBox>(&dialog, "Bits per second:"), "115200");
    Find<QPushButton>(&dialog, "Cancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(PendingPorts().serial == stored);
  }
  CSerialDlg dialog(stored);
  Find<QComboBox>(&dialog, "Port:")->setCurrentIndex(-1);
  Choose(Find<QComboBox>(&dialog, "Parity:"), "EVEN");
  ClickOk(&dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(PendingPorts().serial == stored);
}

TEST_F(DialogsTest, UsbDialogOffersSupportedPrintersAndOkTakesTheChosenOne) {
  qvconfig_test::AttachDevice(
      "usb#vid_0fe6&pid_811f#QVT0");  // 811F belongs to vendor 0FE7: not offered
  {
    CUsbPortDlg dialog(nullptr, std::make_unique<CDeviceChangeMonitor>());
    EXPECT_TRUE(Items(Find<QComboBox>(&dialog, "USB Port:")).isEmpty());
    EXPECT_FALSE(Find<QPushButton>(&dialog, "OK")->isEnabled());
  }
  qvconfig_test::AttachDevice("usb#vid_0fe6&pid_811e#QVT1");
  CUsbPortDlg dialog(nullptr, std::make_unique<CDeviceChangeMonitor>());
  QComboBox* list = Find<QComboBox>(&dialog, "USB Port:");
  EXPECT_EQ(Items(list), QStringList({"vid_0fe6&pid_811e"}));
  EXPECT_EQ(list->currentIndex(), 0);
  ClickOk(&dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(PendingPorts().usb.attached);
  EXPECT_EQ(PendingPorts().usb.shortName, u"vid_0fe6&pid_811e");
  EXPECT_EQ(PendingPorts().usb.devicePath,
            u"\\\\?\\usb#vid_0fe6&pid_811e#QVT1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
}

TEST_F(DialogsTest, UsbDialogRebuildsItsListOnDeviceArrivalAndRemoval) {
  qvconfig_test::AttachDevice("usb#vid_0fe6&pid_811e#QVT1");
  auto monitor = std::make_unique<CDeviceChangeMonitor>();
  CDeviceChangeMonitor* events = monitor.get();
  CUsbPortDlg dialog(nullptr, std::move(monitor));
  QComboBox* list = Find<QComboBox>(&dialog, "USB Port:");
  ASSERT_EQ(Items(list), QStringList({"vid_0fe6&pid_811e"}));

  qvconfig_test::AttachDevice("usb#vid_0a5f&pid_00dc#QVT2");
  events->Notify(CDeviceChangeMonitor::kDevNodesChanged);  // not a kind the dialog reacts to
  EXPECT_EQ(list->count(), 1);
  events->Notify(CDeviceChangeMonitor::kDeviceArrival);
  EXPECT_EQ(Items(list), QStringList({"vid_0a5f&pid_00dc", "vid_0fe6&pid_811e"}));
  events->Notify(CDeviceChangeMonitor::kDeviceArrival);  // each device listed once
  EXPECT_EQ(list->count(), 2);

  ASSERT_EQ(qvplatform::RemoveDosDevice("usb#vid_0a5f&pid_00dc#QVT2"), 0);
  ASSERT_EQ(qvplatform::RemoveDosDevice("usb#vid_0fe6&pid_811e#QVT1"), 0);
  events->Notify(CDeviceChangeMonitor::kDeviceRemoveComplete);
  EXPECT_EQ(list->count(), 0);
  EXPECT_FALSE(Find<QPushButton>(&dialog, "OK")->isEnabled());
}

TEST_F(DialogsTest, UsbDialogStaysOpenOnOkWithoutSelection) {
  qvconfig_test::AttachDevice("usb#vid_0fe6&pid_811e#QVT1");
  CUsbPortDlg dialog(nullptr, std::make_unique<CDeviceChangeMonitor>());
  dialog.show();
  Find<QComboBox>(&dialog, "USB Port:")->setCurrentIndex(-1);
  ClickOk(&dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(PendingPorts().usb.attached);
  dialog.reject();
}

TEST_F(DialogsTest, LptDialogListsParallelPortsWithTheirColon) {
  qvconfig_test::AttachDevice("LPT6");
  qvconfig_test::AttachDevice("COM61");
  CLPTPortDlg dialog;
  QComboBox* list = Find<QComboBox>(&dialog, "LPT Port:");
  const QStringList ports = Items(list);
  EXPECT_TRUE(ports.contains("LPT6:"));
  for (const QString& port : ports) EXPECT_TRUE(port.startsWith("LPT") && port.endsWith(':'));
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_TRUE(Find<QPushButton>(&dialog, "OK")->isEnabled());
  Choose(list, "LPT6:");
  ClickOk(&dialog);
  EXPECT_EQ(PendingPorts().lptPort, u"LPT6:");
}

TEST_F(DialogsTest, NetworkDialogTakesTheAddressAndChecksThePort) {
  {
    CEthernettDlg dialog(u"192.168.1.80");
    EXPECT_EQ(Find<QLineEdit>(&dialog, "IP:")->text(), "192.168.1.80");
    QLineEdit* port = Find<QLineEdit>(&dialog, "Port:");
    EXPECT_EQ(port->text(), "9100");
    EXPECT_TRUE(port->isReadOnly());
    EXPECT_EQ(PendingPorts().network.address, u"192.168.1.80");
    Find<QLineEdit>(&dialog, "IP:")->setText("10.0.0");  // a blank field is 0
    ClickOk(&dialog);
    EXPECT_EQ(PendingPorts().network.address, u"10.0.0.0");
    EXPECT_EQ(PendingPorts().network.port, 9100);
    EXPECT_TRUE(m_boxes.boxes().empty());
  }
  for (const char* invalid : {"4000", "1023", "49152", "", "91x0"}) {
    CEthernettDlg dialog(u"127.0.0.1");
    Find<QLineEdit>(&dialog, "IP:")->setText("10.1.2.3");
    Find<QLineEdit>(&dialog, "Port:")->setText(invalid);
    m_boxes.Clear();
    ClickOk(&dialog);
    ASSERT_EQ(m_boxes.boxes().size(), 1u) << invalid;
    EXPECT_EQ(m_boxes.boxes()[0].text, "Please enter a valid port,wcsBuf");
    EXPECT_EQ(m_boxes.boxes()[0].caption, "ERROR");
    EXPECT_EQ(m_boxes.boxes()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);  // the dialog ends anyway
    EXPECT_EQ(PendingPorts().network.address, u"127.0.0.1");
    EXPECT_EQ(PendingPorts().network.port, 9100);
  }
  CEthernettDlg dialog(u"172.16.0.9");
  Find<QLineEdit>(&dialog, "IP:")->setText("10.1.2.3");
  Find<QPushButton>(&dialog, "Cancel")->click();
  EXPECT_EQ(PendingPorts().network.address, u"172.16.0.9");
}

TEST_F(DialogsTest, AddressControlTakesOnlyWhatCanBeAnAddress) {
  CEthernettDlg dialog(u"not an address");
  QLineEdit* address = Find<QLineEdit>(&dialog, "IP:");
  EXPECT_EQ(address->text(), "");
  QTest::keyClicks(address, "192.1680.300.4.x");
  EXPECT_EQ(address->text(), "192.168.30.4");
  ClickOk(&dialog);
  EXPECT_EQ(PendingPorts().network.address, u"192.168.30.4");
}

TEST_F(DialogsTest, LogDialogSelectsTheStoredLevelAndOkWritesTheChoice) {
  const struct {
    const char16_t* stored;  // nullptr: no value
    int shown;
    const char* chosen;  // nullptr: the user chooses nothing
    Values written;
  } cases[] = {
      {nullptr, 0, nullptr, {{u"LogVerbosity", u"0"}, {u"PrimaryConfig", u"TORVEX"}}},
      {u"4", 4, nullptr, {{u"LogVerbosity", u"4"}, {u"PrimaryConfig", u"TORVEX"}}},
      {u"4", 4, "Critical", {{u"LogVerbosity", u"1"}, {u"PrimaryConfig", u"TORVEX"}}},
      {u"6", 6, "FunctionData", {{u"LogVerbosity", u"5"}, {u"PrimaryConfig", u"TORVEX"}}},
      // A stored level the list does not hold stays as it is.
      {u"9", -1, nullptr, {{u"LogVerbosity", u"9"}, {u"PrimaryConfig", u"TORVEX"}}},
      {u"-2", -1, "Warnings", {{u"LogVerbosity", u"2"}, {u"PrimaryConfig", u"TORVEX"}}},
  };
  for (const auto& c : cases) {
    TempPrefix prefix;
    if (c.stored != nullptr) PutString(kInfoKey, u"LogVerbosity", c.stored);
    CLogDlg dialog;
    QComboBox* level = Find<QComboBox>(&dialog, "Log Level:");
    EXPECT_EQ(Items(level), QStringList({"None", "Critical", "Warnings", "Info", "FunctionTrace",
                                         "FunctionData", "FunctionAll"}));
    EXPECT_EQ(level->currentIndex(), c.shown);
    if (c.chosen != nullptr) Choose(level, c.chosen);
    ClickOk(&dialog);
    EXPECT_EQ(ValuesOf(kInfoKey), c.written) << c.shown;
  }
}

TEST_F(DialogsTest, LogDialogCancelWritesNothing) {
  CLogDlg dialog;
  Choose(Find<QComboBox>(&dialog, "Log Level:"), "Info");
  Find<QPushButton>(&dialog, "Cancel")->click();
  EXPECT_FALSE(qvtoolreg_test::KeyExists(kInfoKey));
}

}  // namespace
}  // namespace qvconfig
