// The printer page: New, Delete, choosing a printer or an interface, the
// summary, Save's checks and the exact value set each interface writes, the
// pending port settings shared by all printers, and failures reported.
#include "config_tool/printer_dlg.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/toolreg/reg_test_util.h"
#include "config_tool/config_tool_test_util.h"
#include "config_tool/ethernett_dlg.h"
#include "config_tool/log_dlg.h"
#include "config_tool/lpt_port_dlg.h"
#include "config_tool/pending_ports.h"
#include "config_tool/serial_dlg.h"
#include "config_tool/usb_port_dlg.h"
#include "platform/text/codepage.h"
#include "test_support/temp_prefix.h"

namespace qvconfig {
namespace {

using qvconfig_test::AnswerNextDialog;
using qvconfig_test::Choose;
using qvconfig_test::Find;
using qvconfig_test::Items;
using qvconfig_test::MessageBoxLog;
using qvtoolreg_test::KeyExists;
using qvtoolreg_test::kPrinterClassKey;
using qvtoolreg_test::PutString;
using qvtoolreg_test::ValuesOf;
using Values = std::map<std::u16string, std::u16string>;

const std::u16string kFront = kPrinterClassKey + u"\\Front";

class PrinterPageTest : public ::testing::Test {
 protected:
  void SetUp() override { qvconfig_test::ResetPendingPorts(); }

  QComboBox* DeviceName(CPrinterDlg& page) { return Find<QComboBox>(&page, "Device Name:"); }
  QComboBox* InterfaceType(CPrinterDlg& page) { return Find<QComboBox>(&page, "Interface Type:"); }
  void Click(CPrinterDlg& page, const char* button) { Find<QPushButton>(&page, button)->click(); }

  void NewPrinter(CPrinterDlg& page, const QString& ldn) {
    Find<QLineEdit>(&page, "LDN:")->setText(ldn);
    Click(page, "New");
  }

  // Port Configure, with `answer` filling the port dialog of type D.
  template <typename D>
  void ConfigurePort(CPrinterDlg& page, std::function<void(D*)> answer) {
    auto answered = AnswerNextDialog<D>(answer);
    Click(page, "Port Configure");
    EXPECT_TRUE(*answered) << D::staticMetaObject.className();
  }

  // Save, returning the one message it showed.
  QString Save(CPrinterDlg& page) {
    m_boxes.Clear();
    Click(page, "Save");
    EXPECT_EQ(m_boxes.boxes().size(), 1u);
    if (m_boxes.boxes().empty()) return {};
    EXPECT_EQ(m_boxes.boxes()[0].caption, "QVOposConfigTool");
    return m_boxes.boxes()[0].text;
  }

  static void ClickOk(QDialog* dialog) { Find<QPushButton>(dialog, "OK")->click(); }

  TempPrefix m_prefix;
  MessageBoxLog m_boxes;
};

TEST_F(PrinterPageTest, StartsWithOurPrintersSortedAndNothingSelected) {
  PutString(kPrinterClassKey + u"\\zeta", u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Alpha", u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Other", u"", u"Vendor.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Blank", u"", u"QV.Opos.Printer ");
  CPrinterDlg page;
  EXPECT_EQ(Items(DeviceName(page)), QStringList({"Alpha", "zeta"}));
  EXPECT_EQ(DeviceName(page)->currentIndex(), -1);
  EXPECT_EQ(Items(InterfaceType(page)), QStringList({"COM", "ENet", "LPT", "USB"}));
  EXPECT_EQ(InterfaceType(page)->currentIndex(), -1);
  EXPECT_TRUE(Find<QPlainTextEdit>(&page, "Summary")->toPlainText().isEmpty());
}

TEST_F(PrinterPageTest, SaveRefusesInOrderAndWritesNothing) {
  CPrinterDlg page;
  const QString selectPrinter = Save(page);
  EXPECT_TRUE(selectPrinter == "Please Select Printer Type!" || selectPrinter == "请选择打印机类型")
      << selectPrinter.toStdString();
  m_boxes.Clear();
  Click(page, "Port Configure");  // the same checks before a port dialog opens
  EXPECT_EQ(m_boxes.Texts(), QStringList({selectPrinter}));

  NewPrinter(page, "Front");
  EXPECT_EQ(Save(page), "Please Select Interface Type");
  m_boxes.Clear();
  Click(page, "Port Configure");
  EXPECT_EQ(m_boxes.Texts(), QStringList({"Please Select Interface Type"}));

  // Right after start no serial port and no USB device was chosen.
  Choose(InterfaceType(page), "COM");
  EXPECT_EQ(Save(page), "Com de!vice is not attached!");
  Choose(InterfaceType(page), "USB");
  EXPECT_EQ(Save(page), "USB device is not attached!");
  EXPECT_FALSE(KeyExists(kPrinterClassKey));
}

TEST_F(PrinterPageTest, EachInterfaceSavesExactlyItsValuesAndSummary) {
  qvconfig_test::AttachDevice("COM61");
  qvconfig_test::AttachDevice("LPT6");
  qvconfig_test::AttachDevice("usb#vid_0fe6&pid_811e#QVT1");
  CPrinterDlg page;
  NewPrinter(page, "Front");
  const Values base = {{u"", u"QV.Opos.Printer"}, {u"Model", u"80"}};
  const struct {
    const char* type;
    std::function<void(CPrinterDlg&)> configure;
    std::u16string summary;
    Values values;
  } cases[] = {
      {"COM",
       [this](CPrinterDlg& p) {
         ConfigurePort<CSerialDlg>(p, [](CSerialDlg* d) {
           Choose(Find<QComboBox>(d, "Port:"), "COM61");
           Choose(Find<QComboBox>(d, "Bits per second:"), "38400");
           Choose(Find<QComboBox>(d, "Parity:"), "ODD");
           Choose(Find<QComboBox>(d, "Stop bits:"), "2");
           Choose(Find<QComboBox>(d, "Flow control:"), "Hardware");
           ClickOk(d);
         });
       },
       u"Interface Type:COM\r\nPort: COM61\r\nBaudRate: 38400\r\nByteSizes: 8\r\nParity: ODD"
       u"\r\nStopBits: 2\r\nFlowControl: HardWard",
       {{u"IOType", u"COM"},
        {u"Serial Port", u"COM61"},
        {u"BaudRate", u"38400"},
        {u"ByteSize", u"8"},
        {u"Parity", u"1"},
        {u"StopBits", u"2"},
        {u"FlowControl", u"1"}}},
      {"ENet",
       [this](CPrinterDlg& p) {
         ConfigurePort<CEthernettDlg>(p, [](CEthernettDlg* d) {
           // No stored address: the dialog offers the loopback address.
           EXPECT_EQ(Find<QLineEdit>(d, "IP:")->text(), "127.0.0.1");
           Find<QLineEdit>(d, "IP:")->setText("192.168.1.80");
           ClickOk(d);
         });
       },
       u"Interface Type:ENet\r\nIP Address: 192.168.1.80\r\nPort: 9100",
       {{u"IOType", u"ENet"}, {u"EthIPAddr", u"192.168.1.80"}}},
      {"LPT",
       [this](CPrinterDlg& p) {
         ConfigurePort<CLPTPortDlg>(p, [](CLPTPortDlg* d) {
           Choose(Find<QComboBox>(d, "LPT Port:"), "LPT6:");
           ClickOk(d);
         });
       },
       u"Interface Type:LPT\r\nLPT Port: LPT6:",
       {{u"IOType", u"LPT"}, {u"LPTPort", u"LPT6:"}}},
      {"USB",
       [this](CPrinterDlg& p) {
         ConfigurePort<CUsbPortDlg>(p, [](CUsbPortDlg* d) {
           Choose(Find<QComboBox>(d, "USB Port:"), "vid_0fe6&pid_811e");
           ClickOk(d);
         });
       },
       u"Interface Type:USB\r\nUSB Port: vid_0fe6&pid_811e",
       {{u"IOType", u"USB"},
        {u"USBPort", u"\\\\?\\usb#vid_0fe6&pid_811e#QVT1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"}}},
  };
  // Each Save follows another interface's: a value left behind would show.
  for (const auto& c : cases) {
    Choose(InterfaceType(page), c.type);
    c.configure(page);
    EXPECT_EQ(page.SummaryText(), c.summary) << c.type;
    EXPECT_EQ(Find<QPlainTextEdit>(&page, "Summary")->toPlainText().toStdU16String(),
              QString::fromStdU16String(c.summary).replace("\r\n", "\n").toStdU16String());
    EXPECT_EQ(Save(page), "Config Printer Success");
    Values expected = base;
    expected.insert(c.values.begin(), c.values.end());
    EXPECT_EQ(ValuesOf(kFront), expected) << c.type;
  }
}

TEST_F(PrinterPageTest, PendingSerialSettingsGoToEveryPrinterSavedAsCom) {
  qvconfig_test::AttachDevice("COM61");
  CPrinterDlg page;
  NewPrinter(page, "A");
  Choose(InterfaceType(page), "COM");
  ConfigurePort<CSerialDlg>(page, [](CSerialDlg* d) {
    // A printer without stored settings: the dialog shows the defaults.
    EXPECT_EQ(Find<QComboBox>(d, "Bits per second:")->currentText(), "19200");
    Choose(Find<QComboBox>(d, "Port:"), "COM61");
    Choose(Find<QComboBox>(d, "Bits per second:"), "115200");
    Choose(Find<QComboBox>(d, "Parity:"), "EVEN");
    ClickOk(d);
  });
  EXPECT_EQ(Save(page), "Config Printer Success");
  NewPrinter(page, "B");
  Choose(InterfaceType(page), "COM");
  EXPECT_EQ(Save(page), "Config Printer Success");
  const Values a = ValuesOf(kPrinterClassKey + u"\\A");
  EXPECT_EQ(a.at(u"Serial Port"), u"COM61");
  EXPECT_EQ(a.at(u"BaudRate"), u"115200");
  EXPECT_EQ(ValuesOf(kPrinterClassKey + u"\\B"), a);
}

TEST_F(PrinterPageTest, PortConfigureStartsFromTheStoredSerialSettings) {
  qvconfig_test::AttachDevice("COM61");
  for (const auto& [name, value] :
       std::initializer_list<std::pair<std::u16string, std::u16string>>{{u"", u"QV.Opos.Printer"},
                                                                        {u"IOType", u"COM"},
                                                                        {u"Serial Port", u"COM61"},
                                                                        {u"BaudRate", u"57600"},
                                                                        {u"Parity", u"2"},
                                                                        {u"StopBits", u"1"},
                                                                        {u"FlowControl", u"2"}}) {
    PutString(kFront, name, value);
  }
  CPrinterDlg page;
  Choose(DeviceName(page), "Front");
  EXPECT_EQ(InterfaceType(page)->currentText(), "COM");
  EXPECT_TRUE(page.SummaryText().empty());  // choosing a printer leaves the summary
  ConfigurePort<CSerialDlg>(page, [](CSerialDlg* d) { ClickOk(d); });
  EXPECT_EQ(page.SummaryText(),
            u"Interface Type:COM\r\nPort: COM61\r\nBaudRate: 19200\r\nByteSizes: 8\r\nParity: EVEN"
            u"\r\nStopBits: 1.5\r\nFlowControl: Xon/Xoff");
  // Cancel keeps the stored settings and the summary.
  ConfigurePort<CSerialDlg>(page, [](CSerialDlg* d) {
    Choose(Find<QComboBox>(d, "Bits per second:"), "9600");
    Find<QPushButton>(d, "Cancel")->click();
  });
  EXPECT_NE(page.SummaryText().find(u"BaudRate: 19200"), std::u16string::npos);
  EXPECT_EQ(PendingPorts().serial.baudRate, 57600);
}

TEST_F(PrinterPageTest, ChoosingAPrinterSelectsItsInterfaceTypeExactly) {
  const struct {
    const char16_t* ldn;
    const char16_t* ioType;  // nullptr: no value
    const char* shown;
  } cases[] = {
      {u"Net", u"ENet", "ENet"},
      {u"Lower", u"com", "ENet"},  // no exact match: the selection stays
      {u"Usb", u"USB", "USB"},
      {u"Bare", nullptr, "COM"},  // none stored: the first type
      {u"Odd", u"Bluetooth", "COM"},
  };
  for (const auto& c : cases) {
    PutString(kPrinterClassKey + u"\\" + c.ldn, u"", u"QV.Opos.Printer");
    if (c.ioType != nullptr) PutString(kPrinterClassKey + u"\\" + c.ldn, u"IOType", c.ioType);
  }
  CPrinterDlg page;
  Choose(InterfaceType(page), "ENet");
  const std::u16string summary = page.SummaryText();
  for (const auto& c : cases) {
    Choose(DeviceName(page), QString::fromStdU16String(c.ldn));
    EXPECT_EQ(InterfaceType(page)->currentText(), c.shown) << qvplatform::WideToUtf8(c.ldn);
  }
  EXPECT_EQ(page.SummaryText(), summary);
}

TEST_F(PrinterPageTest, NewListsANameAgainAndDeleteReloadsFromTheRegistry) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  CPrinterDlg page;
  NewPrinter(page, "Front");
  EXPECT_EQ(Items(DeviceName(page)), QStringList({"Front", "Front"}));
  NewPrinter(page, "Ghost");
  EXPECT_EQ(DeviceName(page)->currentText(), "Ghost");
  EXPECT_FALSE(KeyExists(kPrinterClassKey + u"\\Ghost"));  // New writes nothing

  // Delete of a name never saved: reported as done, and the reload drops it.
  m_boxes.Clear();
  Click(page, "Delete");
  ASSERT_EQ(m_boxes.boxes().size(), 1u);
  EXPECT_EQ(m_boxes.boxes()[0].text, "Delete Success");
  EXPECT_EQ(m_boxes.boxes()[0].caption, "Info");
  EXPECT_EQ(Items(DeviceName(page)), QStringList({"Front"}));
  EXPECT_EQ(DeviceName(page)->currentIndex(), -1);

  Choose(DeviceName(page), "Front");
  m_boxes.Clear();
  Click(page, "Delete");
  EXPECT_EQ(m_boxes.Texts(), QStringList({"Delete Success"}));
  EXPECT_FALSE(KeyExists(kFront));
  EXPECT_TRUE(Items(DeviceName(page)).isEmpty());
  m_boxes.Clear();
  Click(page, "Delete");  // nothing selected: nothing happens
  EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST_F(PrinterPageTest, AnInvalidNetworkPortKeepsTheAddressPassedToTheDialog) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  PutString(kFront, u"EthIPAddr", u"10.9.8.7");
  CPrinterDlg page;
  Choose(DeviceName(page), "Front");
  Choose(InterfaceType(page), "ENet");
  ConfigurePort<CEthernettDlg>(page, [](CEthernettDlg* d) {
    EXPECT_EQ(Find<QLineEdit>(d, "IP:")->text(), "10.9.8.7");
    Find<QLineEdit>(d, "IP:")->setText("192.168.1.1");
    Find<QLineEdit>(d, "Port:")->setText("4000");
    ClickOk(d);
  });
  EXPECT_EQ(m_boxes.Texts(), QStringList({"Please enter a valid port,wcsBuf"}));
  EXPECT_EQ(page.SummaryText(), u"Interface Type:ENet\r\nIP Address: 10.9.8.7\r\nPort: 9100");
  EXPECT_EQ(Save(page), "Config Printer Success");
  EXPECT_EQ(ValuesOf(kFront).at(u"EthIPAddr"), u"10.9.8.7");
}

TEST_F(PrinterPageTest, LogConfigureOpensTheLogDialog) {
  CPrinterDlg page;
  auto answered = AnswerNextDialog<CLogDlg>([](CLogDlg* d) {
    Choose(Find<QComboBox>(d, "Log Level:"), "FunctionAll");
    ClickOk(d);
  });
  Click(page, "Log Configure");
  EXPECT_TRUE(*answered);
  EXPECT_EQ(ValuesOf(qvtoolreg_test::kInfoKey).at(u"LogVerbosity"), u"6");
}

TEST_F(PrinterPageTest, AFailingStoreIsReportedNotCalledASuccess) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  CPrinterDlg page;
  Choose(DeviceName(page), "Front");
  Choose(InterfaceType(page), "ENet");
  qvtoolreg_test::CorruptStore(m_prefix.root());
  const QString store = QString::fromStdString((m_prefix.root() / "registry.db").string());

  m_boxes.Clear();
  Click(page, "Save");
  ASSERT_EQ(m_boxes.boxes().size(), 1u);
  EXPECT_TRUE(m_boxes.boxes()[0].text.startsWith("Config Printer Failed: "))
      << m_boxes.boxes()[0].text.toStdString();
  EXPECT_TRUE(m_boxes.boxes()[0].text.contains(store));
  EXPECT_EQ(m_boxes.boxes()[0].icon, QMessageBox::Critical);

  m_boxes.Clear();
  Click(page, "Delete");
  ASSERT_EQ(m_boxes.boxes().size(), 1u);
  EXPECT_TRUE(m_boxes.boxes()[0].text.startsWith(
      "Delete Failed: SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front: "))
      << m_boxes.boxes()[0].text.toStdString();
  EXPECT_TRUE(m_boxes.boxes()[0].text.contains(store));
}

}  // namespace
}  // namespace qvconfig
