// QVOPosTest end to end, as a user tries a printer: a prefix configured
// with the `qvopos` program, `qv-virtual-printer` running as a program of
// its own, and the test application's window (built as its main builds it)
// printing the sample receipt and opening the drawer from its buttons, at
// the real speed of every timer.
#include <unistd.h>

#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/child_process.h"
#include "common/ports/po_text.h"
#include "test_app/drawer_dlg.h"
#include "test_app/main_dlg.h"
#include "test_app/printer_dlg.h"
#include "test_app/test_app_fixture.h"

namespace qvtestapp_test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Qvopos(const std::vector<std::string>& args) {
  const qvcli_test::RunResult result = qvcli_test::Run(QV_QVOPOS_PROGRAM, args);
  ASSERT_EQ(result.code, 0) << result.output << result.error;
}

TEST(TestAppEndToEnd, PrintsTheSampleReceiptAndOpensTheDrawerFromItsButtons) {
  TempPrefix prefix;
  const int pid = static_cast<int>(getpid());
  const std::string address =
      "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) + ".13";
  const fs::path stream = prefix.root() / "printer-stream.bin";

  qvcli_test::ChildProcess printer;
  ASSERT_TRUE(printer.Start(QV_VIRTUAL_PRINTER_PROGRAM,
                            {"--tcp", address + ":9100", "--stream", stream.string()}));
  ASSERT_TRUE(printer.WaitForLine("ready", 10000)) << printer.error();
  Qvopos({"register"});
  Qvopos({"printer", "add", "Front", "--interface", "ENet", "--ip", address});
  Qvopos({"drawer", "add", "Till", "--uses", "Front", "--pin", "2", "--pulse-on", "200",
          "--pulse-off", "100"});

  qvports::SelectPOTextTable(qvports::POTextTable::kTestApp);
  qvopos::Apartment apartment;
  ASSERT_TRUE(apartment.ok());
  qvtestapp::CApartmentPump pump;
  {
    qvtestapp::CQVOPosTestDlg window;
    window.show();
    MessageBoxes boxes;

    QWidget* page = window.printerPage();
    Click(page, "Open");
    Click(page, "Cliam");
    Click(page, "DeviceEnable");
    ASSERT_EQ(Output(page), "Device Enable:Success");
    ASSERT_TRUE(WaitFor([&] { return Button(page, "Print Receipt").isEnabled(); }));
    Click(page, "Print Receipt");
    EXPECT_EQ(Output(page), "Print Receipt:Success");

    window.tabs()->setCurrentIndex(1);
    QWidget* drawer = window.drawerPage();
    Click(drawer, "Open");
    Click(drawer, "Cliam");
    Click(drawer, "DeviceEnable");
    ASSERT_TRUE(WaitFor([&] { return Button(drawer, "Open Drawer").isEnabled(); }));
    Click(drawer, "Open Drawer");
    QAbstractButton& drawerOpen = Button(drawer, "Cash Drawer Open");
    EXPECT_TRUE(WaitFor([&] { return drawerOpen.isChecked(); })) << "the drawer did not open";
    printer.Write("drawer close\n");
    EXPECT_TRUE(WaitFor([&] { return !drawerOpen.isChecked(); })) << "the drawer did not close";

    Click(drawer, "Close");
    Click(page, "Close");
    EXPECT_EQ(Output(page), "Close:Success");
    EXPECT_TRUE(boxes.seen().empty()) << boxes.texts()[0].toStdString();
  }
  printer.Write("quit\n");
  EXPECT_EQ(printer.Finish(10000), 0);

  const std::string received = ReadFile(stream);
  for (const char* part : {"Receipt\n", "Dairy(020217)                          $28.00\n",
                           "Change                                  $8.20\n", "123456789012"}) {
    EXPECT_NE(received.find(part), std::string::npos) << part;
  }
  EXPECT_NE(received.find("\x1bp"), std::string::npos);  // the drawer pulse
}

}  // namespace
}  // namespace qvtestapp_test
