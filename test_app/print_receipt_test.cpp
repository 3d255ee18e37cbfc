// "Print Receipt" on the printer page: the sample receipt against the real
// service objects, and the question after a failed output (made to fail by
// the fault-injecting proxy in front of the printer's service object).
#include <QString>
#include <ctime>
#include <string>
#include <vector>

#include "common/receipt/sample_receipt.h"
#include "test_app/test_app_fixture.h"

namespace qvtestapp_test {
namespace {

constexpr char kQuestion[] = "Fails to output to a printer.\n\nRetry?";
constexpr char kEndMarker[] = "END OF TEST";

class PrintReceiptTest : public TestAppTest {
 protected:
  void SetUp() override {
    TestAppTest::SetUp();
    RegisterServiceObjects();
    ConfigureDevices(Transport::kTcp);
  }

  // The text runs the printer received for the receipt, in order (its
  // command listing's TEXT entries before the end marker).
  std::vector<std::string> TextRuns() {
    std::vector<std::string> runs;
    for (const qvvp::ParsedCommand& command : engine().commands()) {
      if (command.kind != qvvp::ParsedCommand::Kind::kText) continue;
      std::string run(command.bytes.begin(), command.bytes.end());
      if (run == kEndMarker) break;
      runs.push_back(run);
    }
    return runs;
  }

  // Clicks "Print Receipt", then prints an end marker and waits until the
  // printer has it, so that everything the receipt sent has arrived.
  void PrintReceipt() {
    const std::time_t before = std::time(nullptr);
    Click(PrinterPage(), "Print Receipt");
    m_dates = {qvreceipt::ReceiptDateText(before), qvreceipt::ReceiptDateText(std::time(nullptr))};
    m_times = {qvreceipt::ReceiptTimeText(before), qvreceipt::ReceiptTimeText(std::time(nullptr))};
    ASSERT_EQ(
        PrinterControl().Call(u"PrintNormal", {2, QString(kEndMarker).toStdU16String() + u"\n"}),
        0);
    ASSERT_TRUE(
        engine().WaitFor([&] { return Printed().find(kEndMarker) != std::string::npos; }, 10000));
  }

  uint64_t Cuts() {
    uint64_t cuts = 0;
    for (const qvvp::ParsedCommand& command : engine().commands()) {
      if (command.label.rfind("Cut", 0) == 0 || command.name == "GS V") ++cuts;
    }
    return cuts;
  }

  // The body as listed for the receipt, as text runs (escape sequences and
  // line feeds are commands, not text), with the date and time printed.
  void ExpectBodyOnce(const std::vector<std::string>& runs) {
    const std::string rule(45, '-');
    const std::vector<std::string> fixed = {
        "No.             Receiver             Time",
        rule,
        "Dairy(020217)                          $28.00",
        "Frozen(020219)                         $12.00",
        rule,
        "Subtotal                               $40.00",
        "Sales Tax                               $1.80",
        "Total                                  $41.80",
        "Payment                                $50.00",
        "Change                                  $8.20",
        rule,
    };
    ASSERT_EQ(runs.size(), fixed.size() + 3) << ::testing::PrintToString(runs);
    EXPECT_EQ(runs[0], "Receipt");
    const auto oneOf = [](const std::string& run, const std::string& prefix,
                          const std::vector<std::u16string>& texts) {
      for (const std::u16string& text : texts) {
        if (run == prefix + QString::fromStdU16String(text).toStdString()) return true;
      }
      return false;
    };
    EXPECT_TRUE(oneOf(runs[1], std::string(29, ' '), m_dates)) << runs[1];
    EXPECT_EQ(runs[2], fixed[0]);
    EXPECT_TRUE(oneOf(runs[3], "0013            0031                 ", m_times)) << runs[3];
    for (size_t i = 1; i < fixed.size(); ++i) EXPECT_EQ(runs[i + 3], fixed[i]) << i;
  }

  std::vector<std::u16string> m_dates;
  std::vector<std::u16string> m_times;
};

TEST_F(PrintReceiptTest, PrintsTheListedBodyWithItsBarcodeAndCuts) {
  EnablePrinter();
  MessageBoxes boxes;
  engine().ClearRecord();
  PrintReceipt();
  EXPECT_EQ(Output(PrinterPage()), "Print Receipt:Success");
  EXPECT_TRUE(boxes.seen().empty()) << boxes.texts()[0].toStdString();
  ExpectBodyOnce(TextRuns());
  EXPECT_NE(Stream().find(std::string("\x1dk\x41\x0c") + "123456789012"), std::string::npos);
  EXPECT_EQ(Cuts(), 1u);
  // The map mode follows the list again afterwards.
  EXPECT_EQ(PrinterControl().GetNumber(u"MapMode"),
            List(PrinterPage(), "MapMode").currentIndex() + 1);
}

TEST_F(PrintReceiptTest, AnswersToAFailedOutput) {
  struct Case {
    const char* name;
    QMessageBox::StandardButton answer;
    int receiptHeaders;  // PrintNormal calls of the "Receipt" line
    bool bodyPrinted;
  };
  const Case cases[] = {
      // Retry prints the whole body again from its header, after the
      // collected first attempt was cleared.
      {"Retry", QMessageBox::Retry, 2, true},
      // Ignore goes on with the next line and keeps what was collected.
      {"Ignore", QMessageBox::Ignore, 1, true},
      // Abort clears the body; the transaction ends empty.
      {"Abort", QMessageBox::Abort, 1, false},
  };
  InstallFaultProxy();
  EnablePrinter();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int headersBefore = ServiceCalls(u"PrintNormal", u"Receipt\n");
    Fail(u"PrintNormal", u"Dairy", 111);
    MessageBoxes boxes;
    boxes.Answer(c.answer);
    engine().ClearRecord();
    PrintReceipt();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, kQuestion);
    EXPECT_EQ(boxes.seen()[0].caption, "Info");
    EXPECT_EQ(boxes.seen()[0].buttons,
              QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Question);
    EXPECT_EQ(ServiceCalls(u"PrintNormal", u"Receipt\n") - headersBefore, c.receiptHeaders);
    EXPECT_EQ(Output(PrinterPage()), "Print Receipt:Success");
    if (c.bodyPrinted) {
      ExpectBodyOnce(TextRuns());
    } else {
      EXPECT_TRUE(TextRuns().empty()) << ::testing::PrintToString(TextRuns());
    }
  }
  EXPECT_EQ(FailuresInjected(), 3);
}

TEST_F(PrintReceiptTest, AFailingBarcodeIsOfferedForRetryToo) {
  InstallFaultProxy();
  EnablePrinter();
  Fail(u"PrintBarCode", u"123456789012", 111);
  MessageBoxes boxes;
  boxes.Answer(QMessageBox::Retry);
  engine().ClearRecord();
  PrintReceipt();
  ASSERT_EQ(boxes.texts(), std::vector<QString>{kQuestion});
  EXPECT_EQ(ServiceCalls(u"PrintBarCode", u""), 2);
  ExpectBodyOnce(TextRuns());
}

TEST_F(PrintReceiptTest, AStateThatStaysBusyIsReportedAndTheTransactionEnds) {
  InstallFaultProxy();
  EnablePrinter();
  // State (property index 9) reads busy (3) from now on.
  Fail(u"GetPropertyNumber", u"9", 3, 1000000);
  MessageBoxes boxes;
  engine().ClearRecord();
  PrintReceipt();
  EXPECT_EQ(boxes.texts(), std::vector<QString>{"The printer stays busy (State 3)."});
  EXPECT_EQ(Output(PrinterPage()), "Print Receipt:Success");
  ExpectBodyOnce(TextRuns());
}

TEST_F(PrintReceiptTest, ARefusedTransactionStopsTheReceipt) {
  InstallFaultProxy();
  EnablePrinter();
  Fail(u"TransactionPrint", u"11", 106);
  MessageBoxes boxes;
  engine().ClearRecord();
  Click(PrinterPage(), "Print Receipt");
  EXPECT_EQ(boxes.texts(), std::vector<QString>{"Can't use a POS Printer."});
  EXPECT_EQ(Output(PrinterPage()), "Device Enable:Success");
  EXPECT_EQ(ServiceCalls(u"PrintNormal", u""), 0);
}

}  // namespace
}  // namespace qvtestapp_test
