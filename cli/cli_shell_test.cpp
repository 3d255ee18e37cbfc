// The qvopos shell, print, drawer open and status commands against the real
// service objects and a virtual printer on the network interface, run as
// child processes in a temporary prefix. The test drives the shell line by
// line through pipes, as other programs do, and changes the virtual
// printer's sensors in between.
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/child_process.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using qvcli_test::ChildProcess;

using qvcli_test::RunResult;

constexpr int64_t kLineTimeoutMs = 20000;
const std::vector<std::pair<std::string, std::string>> kFastClock = {
    {"QV_OPOS_TIME_SCALE", "0.05"}};

// A loopback address of this test process, so that parallel tests can all
// use port 9100 (the network interface's port).
std::string LoopbackAddress() {
  const unsigned pid = static_cast<unsigned>(getpid());
  return "127." + std::to_string(1 + pid % 99) + "." + std::to_string(1 + (pid / 99) % 250) + ".41";
}

bool Contains(const std::vector<uint8_t>& stream, const std::string& part) {
  return std::search(stream.begin(), stream.end(), part.begin(), part.end()) != stream.end();
}

class CliShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(m_printer.StartTcp(LoopbackAddress(), 9100), 0);
    Expect({"register"});
    Expect({"printer", "add", "Front", "--interface", "ENet", "--ip", LoopbackAddress()});
    Expect({"drawer", "add", "Till", "--uses", "Front", "--pulse-on", "100", "--pulse-off", "100"});
  }

  void Expect(const std::vector<std::string>& args) {
    const RunResult result = qvcli_test::Run(QV_QVOPOS_PROGRAM, args);
    ASSERT_EQ(result.code, 0) << args.front() << ": " << result.error;
  }

  // Sends one line and waits for its answer among the lines that follow.
  void Say(ChildProcess& shell, const std::string& line, const std::string& answer) {
    const size_t mark = shell.lines().size();
    shell.Write(line + "\n");
    ASSERT_TRUE(shell.WaitForLine(answer, kLineTimeoutMs, mark))
        << "no \"" << answer << "\" after \"" << line << "\"; output:\n"
        << shell.output() << shell.error();
  }

  TempPrefix m_prefix;
  qvvp::VirtualPrinter m_printer;
};

TEST_F(CliShellTest, AScriptPrintsCutsOpensTheDrawerAndShowsDrawerAndCoverEvents) {
  ChildProcess shell;
  ASSERT_TRUE(shell.Start(QV_QVOPOS_PROGRAM, {"shell"}, kFastClock));
  shell.Write("# a receipt and the drawer\n\n   \n");
  Say(shell, "open printer Front", "open printer: 0");
  Say(shell, "printer ClaimDevice 1000", "printer.ClaimDevice: 0");
  Say(shell, "printer set DeviceEnabled 1", "printer.DeviceEnabled := 1: 0");
  // The first status report (cover closed) shows the connection is up.
  ASSERT_TRUE(shell.WaitForLine("event printer StatusUpdateEvent 12", kLineTimeoutMs))
      << shell.output();
  Say(shell, "printer get DeviceName", "printer.DeviceName = QV 80 Printer");
  Say(shell, R"(printer PrintNormal 2 "Hello from the shell\n\e|bCTotal  $4.20\n")",
      "printer.PrintNormal: 0");
  Say(shell, "printer CutPaper 100", "printer.CutPaper: 0");
  Say(shell, "printer PrintNormal 3 \"no such station\\n\"", "printer.PrintNormal: 106");
  Say(shell, "printer get ResultCode", "printer.ResultCode = 106");

  Say(shell, "open drawer Till", "open drawer: 0");
  Say(shell, "drawer ClaimDevice 1000", "drawer.ClaimDevice: 0");
  Say(shell, "drawer set DeviceEnabled 1", "drawer.DeviceEnabled := 1: 0");
  ASSERT_TRUE(shell.WaitForLine("event drawer StatusUpdateEvent 0", kLineTimeoutMs))
      << shell.output();  // the first report: closed
  size_t mark = shell.lines().size();
  Say(shell, "drawer OpenDrawer", "drawer.OpenDrawer: 0");
  // Events arrive while the shell waits for input.
  size_t opened = 0;
  ASSERT_TRUE(shell.WaitForLine("event drawer StatusUpdateEvent 1", kLineTimeoutMs, mark, &opened))
      << shell.output();
  m_printer.engine().SetDrawerOpen(false);
  ASSERT_TRUE(shell.WaitForLine("event drawer StatusUpdateEvent 0", kLineTimeoutMs, opened))
      << shell.output();

  mark = shell.lines().size();
  m_printer.engine().SetCoverOpen(true);
  ASSERT_TRUE(shell.WaitForLine("event printer StatusUpdateEvent 11", kLineTimeoutMs, mark))
      << shell.output();
  Say(shell, "printer get CoverOpen", "printer.CoverOpen = 1");
  mark = shell.lines().size();
  m_printer.engine().SetCoverOpen(false);
  shell.Write("wait 5000\n");
  ASSERT_TRUE(shell.WaitForLine("event printer StatusUpdateEvent 12", kLineTimeoutMs, mark))
      << shell.output();

  Say(shell, "drawer Close", "drawer.Close: 0");
  Say(shell, "printer Close", "printer.Close: 0");
  shell.Write("quit\nprinter get DeviceName\n");
  EXPECT_EQ(shell.Finish(kLineTimeoutMs), 0) << shell.error();
  EXPECT_EQ(shell.lines().back(), "printer.Close: 0");  // nothing after quit

  const std::vector<uint8_t> stream = m_printer.engine().stream();
  EXPECT_TRUE(Contains(stream, "Hello from the shell\n"));
  EXPECT_TRUE(Contains(stream, "Total  $4.20\n"));
  EXPECT_FALSE(Contains(stream, "no such station"));
  EXPECT_NE(m_printer.engine().listing().find("Cut"), std::string::npos)
      << m_printer.engine().listing();
  EXPECT_GE(m_printer.engine().drawer_kicks(), 1u);
}

TEST_F(CliShellTest, ByReferenceArgumentsStringsAndRefusedLines) {
  ChildProcess shell;
  ASSERT_TRUE(shell.Start(QV_QVOPOS_PROGRAM, {"shell"}, kFastClock));
  Say(shell, "open printer Nobody", "open printer: 104");
  Say(shell, "open drawer Front", "open drawer: 104");  // a printer is no drawer
  Say(shell, "printer ClaimDevice 1000", "printer.ClaimDevice: 101");
  Say(shell, "open printer Front", "open printer: 0");
  Say(shell, "printer ClaimDevice 1000", "printer.ClaimDevice: 0");
  Say(shell, "printer set DeviceEnabled 1", "printer.DeviceEnabled := 1: 0");
  shell.Write("printer DirectIO 0 7 \"ab\\x01\"\n");
  ASSERT_TRUE(shell.WaitForLine(
      [](const std::string& line) {
        // "printer.DirectIO: RC pData=NUMBER pString=TEXT"
        const size_t data = line.find(" pData=");
        const size_t text = line.find(" pString=");
        return line.rfind("printer.DirectIO: ", 0) == 0 && data != std::string::npos &&
               text != std::string::npos && data < text &&
               line.find_first_not_of("-0123456789", 18) == data &&
               line.find_first_not_of("-0123456789", data + 7) == text;
      },
      kLineTimeoutMs))
      << shell.output();
  Say(shell, "printer get CheckHealthText", "printer.CheckHealthText = ");
  Say(shell, "printer NoSuchMethod 1", "error: printer.NoSuchMethod: unknown method");
  Say(shell, "printer PrintNormal 2", "error: printer.PrintNormal takes Station Data");
  Say(shell, "printer ClaimDevice soon",
      "error: printer.ClaimDevice: Timeout takes a number, not soon");
  Say(shell, "printer set RecLineSpacing wide",
      "error: printer.RecLineSpacing takes a number, not wide");
  Say(shell, "printer get NoSuchProperty", "error: printer.NoSuchProperty: unknown member");
  Say(shell, "scanner get State",
      "error: unknown command scanner (open, printer, drawer, wait, quit)");
  Say(shell, "printer PrintNormal 2 \"open", "error: unterminated quoted string");
  Say(shell, "wait soon", "error: usage: wait MS");
  Say(shell, "printer set MapMode 0x2", "printer.MapMode := 2: 0");
  Say(shell, "printer get MapMode", "printer.MapMode = 2");
  // Input that ends without quit ends the shell too; refused lines make it 1.
  EXPECT_EQ(shell.Finish(kLineTimeoutMs), 1);
}

TEST_F(CliShellTest, PrintDrawerOpenAndStatusCommands) {
  RunResult result =
      qvcli_test::Run(QV_QVOPOS_PROGRAM, {"print", "Front", "Printed by qvopos"}, "", kFastClock);
  ASSERT_EQ(result.code, 0) << result.error;
  result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"print", "Front", "-"}, "From standard input\n",
                           kFastClock);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_TRUE(Contains(m_printer.engine().stream(), "Printed by qvopos\n"));
  EXPECT_TRUE(Contains(m_printer.engine().stream(), "From standard input\n"));

  result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"drawer", "open", "Till"}, "", kFastClock);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(result.output, "drawer opened\n");
  EXPECT_EQ(m_printer.engine().drawer_kicks(), 1u);

  m_printer.engine().SetCoverOpen(true);
  result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"status", "Front"}, "", kFastClock);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(result.output, "cover: open\npaper: ok\ndrawer: open\n");
  m_printer.engine().SetCoverOpen(false);
  m_printer.engine().SetDrawerOpen(false);
  m_printer.engine().SetPaperEnd(true);
  result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"status", "Till"}, "", kFastClock);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(result.output, "cover: closed\npaper: empty\ndrawer: closed\n");
}

TEST_F(CliShellTest, AnUnknownLdnGivesNoService) {
  RunResult result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"print", "Nobody", "x"}, "", kFastClock);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.error, "qvopos: Open of Nobody failed with 104\n");
  result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"drawer", "open", "Front"}, "", kFastClock);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.error, "qvopos: Open of Front failed with 104\n");
  result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"status", "Nobody"}, "", kFastClock);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(m_printer.engine().bytes_received(), 0u);
}

}  // namespace
