// `qvopos doctor`, run as a child process in a temporary prefix against the
// virtual printer and deliberately broken set-ups: each breakage gives its
// FAIL or warn line naming the cause, and the exit code follows the FAILs.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/child_process.h"
#include "common/toolreg/reg_test_util.h"
#include "platform/com/guid.h"
#include "platform/com/runtime.h"
#include "platform/registry/registry.h"
#include "test_support/holder_process.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"

namespace {

using qvcli_test::RunResult;
using Env = std::vector<std::pair<std::string, std::string>>;

// A loopback address of this test process, so that parallel tests can all
// use port 9100 (the network interface's port); `last` tells printers apart.
std::string LoopbackAddress(int last) {
  const unsigned pid = static_cast<unsigned>(getpid());
  return "127." + std::to_string(1 + pid % 99) + "." + std::to_string(1 + (pid / 99) % 250) + "." +
         std::to_string(last);
}

// The lines of `result` that start with `verdict` ("ok  ", "warn", "FAIL")
// and contain every one of `parts`.
int CountLines(const RunResult& result, const std::string& verdict,
               const std::vector<std::string>& parts) {
  return static_cast<int>(
      std::count_if(result.lines.begin(), result.lines.end(), [&](const std::string& line) {
        if (line.rfind(verdict, 0) != 0) return false;
        return std::all_of(parts.begin(), parts.end(), [&](const std::string& part) {
          return line.find(part) != std::string::npos;
        });
      }));
}

class CliDoctorTest : public ::testing::Test {
 protected:
  RunResult Qvopos(const std::vector<std::string>& args, const Env& env = {}) {
    return qvcli_test::Run(QV_QVOPOS_PROGRAM, args, "", env);
  }
  void Expect(const std::vector<std::string>& args) {
    const RunResult result = Qvopos(args);
    ASSERT_EQ(result.code, 0) << args.front() << ": " << result.error;
  }
  RunResult Doctor(const std::vector<std::string>& ldns = {}, const Env& env = {}) {
    std::vector<std::string> args = {"doctor"};
    args.insert(args.end(), ldns.begin(), ldns.end());
    return Qvopos(args, env);
  }

  TempPrefix m_prefix;
};

TEST_F(CliDoctorTest, NetworkPrinterUpIsOkWithItsStatusAndGetsNothingButStatusRequests) {
  InProcessPrinter printer;
  ASSERT_EQ(printer.printer().StartTcp(LoopbackAddress(18), 9100), 0);
  Expect({"register"});
  Expect({"printer", "add", "Front", "--interface", "ENet", "--ip", LoopbackAddress(18)});
  Expect({"drawer", "add", "Till", "--uses", "Front"});
  printer.engine().ClearRecord();

  const RunResult result = Doctor();
  EXPECT_EQ(result.code, 0) << result.output;
  EXPECT_EQ(
      CountLines(result, "ok   printer Front",
                 {LoopbackAddress(18) + ":9100 answers: cover closed, paper ok, drawer closed"}),
      1)
      << result.output;
  EXPECT_EQ(CountLines(result, "ok   drawer Till", {"uses printer Front"}), 1) << result.output;
  EXPECT_EQ(CountLines(result, "FAIL", {}) + CountLines(result, "warn", {}), 0) << result.output;
  const std::vector<uint8_t> requests = {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x04};
  EXPECT_EQ(printer.engine().stream(), requests);

  // What the sensors say is reported; what needs a hand is a warning.
  const struct {
    void (qvvp::PrinterEngine::*set)(bool);
    const char* verdict;
    const char* text;
  } states[] = {
      {&qvvp::PrinterEngine::SetDrawerOpen, "ok  ", "paper ok, drawer open"},
      {&qvvp::PrinterEngine::SetPaperNearEnd, "ok  ", "paper near end"},
      {&qvvp::PrinterEngine::SetCoverOpen, "warn",
       "off-line, cover open, paper ok, drawer closed; close the cover"},
      {&qvvp::PrinterEngine::SetPaperEnd, "warn", "paper out, drawer closed; load paper"},
  };
  for (const auto& state : states) {
    (printer.engine().*state.set)(true);
    const RunResult changed = Doctor({"Front"});
    EXPECT_EQ(changed.code, 0) << changed.output;
    EXPECT_EQ(CountLines(changed, state.verdict, {"printer Front", state.text}), 1)
        << changed.output;
    (printer.engine().*state.set)(false);
  }
}

TEST_F(CliDoctorTest, NetworkPrinterDownOrStalledFailsWithinTheBound) {
  InProcessPrinter stalled;
  ASSERT_EQ(stalled.printer().StartTcp(LoopbackAddress(19), 9100), 0);
  stalled.engine().SetAnswerNothing(true);
  Expect({"register"});
  Expect({"printer", "add", "Down", "--interface", "ENet", "--ip", LoopbackAddress(20)});
  Expect({"printer", "add", "Stalled", "--interface", "ENet", "--ip", LoopbackAddress(19)});

  // The 2 s bound shrinks to 500 ms.
  const auto start = std::chrono::steady_clock::now();
  const RunResult result = Doctor({}, {{"QV_OPOS_TIME_SCALE", "0.25"}});
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(
      CountLines(result, "FAIL printer Down", {LoopbackAddress(20) + ":9100: connection refused"}),
      1)
      << result.output;
  EXPECT_EQ(CountLines(result, "FAIL printer Stalled",
                       {"connected, but no answer to the status request DLE EOT 1 within 2 s"}),
            1)
      << result.output;
  EXPECT_EQ(stalled.engine().status_requests(), 1u);  // it asked once and gave up
  EXPECT_LT(elapsed, std::chrono::seconds(10));       // bounded: no hang
}

TEST_F(CliDoctorTest, SerialPortsMissingFromTheDeviceMapFailNamingTheLink) {
  Expect({"register"});
  Expect({"printer", "add", "Front", "--interface", "COM", "--port", "COM77"});
  const std::string link = (m_prefix.root() / "dosdevices" / "com77").string();

  RunResult result = Doctor();
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(
      CountLines(result, "FAIL printer Front", {"COM77 is not in the device map: no link " + link}),
      1)
      << result.output;

  // A link to a node that is gone (an unplugged adapter).
  std::filesystem::create_directories(m_prefix.root() / "dosdevices");
  std::filesystem::create_symlink("/dev/ttyUSB31-gone", link);
  result = Doctor();
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(
      CountLines(result, "FAIL printer Front", {link + " -> /dev/ttyUSB31-gone does not exist"}), 1)
      << result.output;
}

TEST_F(CliDoctorTest, TerminalHeldByAnotherProcessIsAWarningNamingIt) {
  InProcessPrinter printer;
  ASSERT_EQ(printer.MapAsSerial("COM7"), "COM7");
  Expect({"register"});
  Expect({"printer", "add", "Front", "--interface", "COM", "--port", "COM7"});

  // This process is the terminal's other end (it holds the master): no competitor.
  RunResult result = Doctor();
  EXPECT_EQ(result.code, 0) << result.output;
  EXPECT_EQ(CountLines(result, "ok   printer Front", {"no other process holds"}), 1)
      << result.output;
  EXPECT_EQ(CountLines(result, "ok   printer Front", {"you may open"}), 1) << result.output;

  const int fd = ::open(printer.pty_link().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  HolderProcess holder(fd);
  ::close(fd);
  result = Doctor({"Front"});
  EXPECT_EQ(result.code, 0) << result.output;  // a warning is no failure
  EXPECT_EQ(CountLines(result, "warn printer Front",
                       {"is held open by sleep (pid " + std::to_string(holder.pid()) + ")"}),
            1)
      << result.output;
}

TEST_F(CliDoctorTest, UnregisteredOrMissingLibrariesFailWithTheCommandToFixThem) {
  RunResult result = Doctor();
  EXPECT_EQ(result.code, 1);
  for (const char* progId :
       {"QV.Opos.Printer", "QV.OPOS.CashDrawer", "OPOS.POSPrinter", "OPOS.CashDrawer"}) {
    EXPECT_EQ(CountLines(result, "FAIL",
                         {": " + std::string(progId) + " is not registered; qvopos register"}),
              1)
        << result.output;
  }

  // Registered, then the library moved away; or another copy registered
  // than the one that comes with this qvopos.
  Expect({"register"});
  CLSID clsid = {};
  ASSERT_EQ(CLSIDFromProgID(u"QV.Opos.Printer", &clsid), S_OK);
  const std::u16string key = u"CLSID\\" + qvplatform::GuidToString(clsid) + u"\\InprocServer32";
  qvplatform::RegKey handle;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS, handle.receive()),
            ERROR_SUCCESS);
  char16_t registered[1024] = {};
  DWORD size = sizeof registered - sizeof(char16_t);
  ASSERT_EQ(
      RegQueryValueExW(handle.get(), u"", nullptr, reinterpret_cast<BYTE*>(registered), &size),
      ERROR_SUCCESS);
  const std::filesystem::path copy = m_prefix.root() / "libQVSO-copy.so";
  std::filesystem::copy_file(
      std::string(registered, registered + std::char_traits<char16_t>::length(registered)), copy);
  const struct {
    std::string library;
    const char* verdict;
    std::string text;
    int code;
  } cases[] = {
      {"/nonexistent/libQVSO.so", "FAIL service object",
       "the registered library /nonexistent/libQVSO.so does not exist; qvopos register", 1},
      {copy.string(), "warn service object",
       "QV.Opos.Printer loads from " + copy.string() + ", not from", 0},
  };
  for (const auto& c : cases) {
    const std::u16string library(c.library.begin(), c.library.end());
    ASSERT_EQ(
        RegSetValueExW(handle.get(), u"", REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                       static_cast<DWORD>((library.size() + 1) * sizeof(char16_t))),
        ERROR_SUCCESS);
    result = Doctor();
    EXPECT_EQ(result.code, c.code) << result.output;
    EXPECT_EQ(CountLines(result, c.verdict, {c.text}), 1) << result.output;
    EXPECT_EQ(CountLines(result, "ok   service object", {"QV.OPOS.CashDrawer loads from"}), 1)
        << result.output;
  }
}

TEST_F(CliDoctorTest, CorruptRegistryFailsNamingTheFileAndStops) {
  const std::filesystem::path store = m_prefix.root() / "registry.db";
  std::ofstream(store) << "this is not a registry, but it is long enough to look like a file\n";
  const RunResult result = Doctor();
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(CountLines(result, "FAIL registry", {store.string()}), 1) << result.output;
  EXPECT_EQ(CountLines(result, "FAIL", {}), 1) << result.output;  // nothing else is tried
}

TEST_F(CliDoctorTest, DrawersWithoutTheirPrinterAndUnknownNamesFail) {
  Expect({"register"});
  Expect({"printer", "add", "Front", "--interface", "ENet", "--ip", LoopbackAddress(21)});
  Expect({"drawer", "add", "Till", "--uses", "Front"});
  Expect({"ldn", "delete", "printer", "Front"});
  const RunResult result = Doctor({"till", "Nobody"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(CountLines(result, "FAIL drawer Till",
                       {"uses printer Front, which is no printer of this package"}),
            1)
      << result.output;
  EXPECT_EQ(CountLines(result, "FAIL LDN Nobody", {"qvopos ldn list"}), 1) << result.output;
  EXPECT_EQ(Qvopos({"doctor", "--fast"}).code, 2);
}

}  // namespace
