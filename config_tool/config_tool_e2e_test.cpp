// What the configuration tool writes is what the service objects read: a
// printer and a drawer created on the tool's pages are used by `qvopos
// print` and `qvopos drawer open` (the real service objects, as child
// processes) against a virtual printer, over the network and over USB.
#include <unistd.h>

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <string>
#include <vector>

#include "cli/child_process.h"
#include "config_tool/config_tool_test_util.h"
#include "config_tool/drawer_dlg.h"
#include "config_tool/ethernett_dlg.h"
#include "config_tool/printer_dlg.h"
#include "config_tool/usb_port_dlg.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"

namespace qvconfig {
namespace {

using qvconfig_test::AnswerNextDialog;
using qvconfig_test::Choose;
using qvconfig_test::Find;

const std::vector<std::pair<std::string, std::string>> kFastClock = {
    {"QV_OPOS_TIME_SCALE", "0.05"}};

// A loopback address of this test process, so that tests running at the
// same time can all use port 9100, the port of the network interface.
std::string LoopbackAddress() {
  const unsigned pid = static_cast<unsigned>(getpid());
  return "127." + std::to_string(1 + pid % 99) + "." + std::to_string(1 + (pid / 99) % 250) + ".43";
}

bool Contains(const std::vector<uint8_t>& stream, const std::string& part) {
  return std::search(stream.begin(), stream.end(), part.begin(), part.end()) != stream.end();
}

class ConfigToolEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvconfig_test::ResetPendingPorts();
    Qvopos({"register"});
  }

  void Qvopos(const std::vector<std::string>& args) {
    const qvcli_test::RunResult result = qvcli_test::Run(QV_QVOPOS_PROGRAM, args, "", kFastClock);
    EXPECT_EQ(result.code, 0) << args.front() << ": " << result.output << result.error;
  }

  // Creates printer "Front" of `interfaceType` on the printer page, its port
  // chosen in the port dialog by `choosePort`.
  template <typename D>
  void CreatePrinter(const QString& interfaceType, std::function<void(D*)> choosePort) {
    CPrinterDlg page;
    Find<QLineEdit>(&page, "LDN:")->setText("Front");
    Find<QPushButton>(&page, "New")->click();
    Choose(Find<QComboBox>(&page, "Interface Type:"), interfaceType);
    auto answered = AnswerNextDialog<D>(choosePort);
    Find<QPushButton>(&page, "Port Configure")->click();
    ASSERT_TRUE(*answered);
    Find<QPushButton>(&page, "Save")->click();
  }

  // Creates drawer "Till" driven through "Front" on the cash drawer page.
  void CreateDrawer() {
    CDrawerDlg page;
    Find<QLineEdit>(&page, "LDN:")->setText("Till");
    Find<QPushButton>(&page, "New")->click();
    Choose(Find<QComboBox>(&page, "Uses Printer:"), "Front");
    Find<QLineEdit>(&page, "Pulse on time(0~255):")->setText("100");
    Find<QLineEdit>(&page, "Pulse off time(0~255):")->setText("100");
    Find<QPushButton>(&page, "Save")->click();
  }

  void PrintAndOpenTheDrawer(qvvp::PrinterEngine& engine) {
    EXPECT_EQ(m_boxes.Texts(), QStringList({"Config Printer Success", "Config Drawer Success"}));
    Qvopos({"print", "Front", "Configured by QVOposConfigTool"});
    EXPECT_TRUE(Contains(engine.stream(), "Configured by QVOposConfigTool\n"));
    Qvopos({"drawer", "open", "Till"});
    EXPECT_EQ(engine.drawer_kicks(), 1u);
  }

  TempPrefix m_prefix;
  qvconfig_test::MessageBoxLog m_boxes;
};

TEST_F(ConfigToolEndToEndTest, NetworkPrinterAndItsDrawer) {
  InProcessPrinter printer;
  ASSERT_EQ(printer.printer().StartTcp(LoopbackAddress(), 9100), 0);
  CreatePrinter<CEthernettDlg>("ENet", [](CEthernettDlg* dialog) {
    Find<QLineEdit>(dialog, "IP:")->setText(QString::fromStdString(LoopbackAddress()));
    Find<QPushButton>(dialog, "OK")->click();
  });
  CreateDrawer();
  PrintAndOpenTheDrawer(printer.engine());
}

TEST_F(ConfigToolEndToEndTest, UsbPrinterAndItsDrawer) {
  InProcessPrinter printer;
  ASSERT_FALSE(printer.MapAsUsb(0x0fe6, 0x811e, "E2E1").empty());
  CreatePrinter<CUsbPortDlg>("USB", [](CUsbPortDlg* dialog) {
    Choose(Find<QComboBox>(dialog, "USB Port:"), "vid_0fe6&pid_811e");
    Find<QPushButton>(dialog, "OK")->click();
  });
  CreateDrawer();
  PrintAndOpenTheDrawer(printer.engine());
}

}  // namespace
}  // namespace qvconfig
