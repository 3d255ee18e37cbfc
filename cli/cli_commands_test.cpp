// The registry commands of the qvopos program, run as a child process in a
// temporary prefix: what `printer add`, `drawer add`, `log-level`, `ldn` and
// `uninstall` write, list, refuse and delete, and the exit codes.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/child_process.h"
#include "common/toolreg/reg_test_util.h"
#include "platform/registry/registry.h"
#include "test_support/temp_prefix.h"

namespace {

using qvcli_test::Run;
using qvcli_test::RunResult;
using qvtoolreg_test::KeyExists;
using qvtoolreg_test::PutString;
using qvtoolreg_test::ValuesOf;
using Values = std::map<std::u16string, std::u16string>;

const std::u16string kFront = qvtoolreg_test::kPrinterClassKey + u"\\Front";
const std::u16string kTill = qvtoolreg_test::kDrawerClassKey + u"\\Till";
constexpr char kUsbPath[] =
    "\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

RunResult Qvopos(const std::vector<std::string>& args, const std::string& input = "") {
  return Run(QV_QVOPOS_PROGRAM, args, input);
}

class CliCommandsTest : public ::testing::Test {
 protected:
  TempPrefix m_prefix;
};

TEST_F(CliCommandsTest, PrinterAddWritesExactlyTheValueSetOfEachInterface) {
  const Values base = {{u"", u"QV.Opos.Printer"}, {u"Model", u"80"}};
  const struct {
    std::vector<std::string> args;
    Values values;
  } cases[] = {
      {{"--interface", "LPT", "--port", "LPT1:"}, {{u"IOType", u"LPT"}, {u"LPTPort", u"LPT1:"}}},
      {{"--interface", "LPT", "--port", "LPT2"}, {{u"IOType", u"LPT"}, {u"LPTPort", u"LPT2:"}}},
      {{"--interface", "ENet", "--ip", "192.168.1.80"},
       {{u"IOType", u"ENet"}, {u"EthIPAddr", u"192.168.1.80"}}},
      {{"--interface", "USB", "--usb-path", kUsbPath},
       {{u"IOType", u"USB"},
        {u"USBPort", std::u16string(kUsbPath, kUsbPath + sizeof kUsbPath - 1)}}},
      {{"--interface", "COM", "--port", "COM3"},
       {{u"IOType", u"COM"},
        {u"Serial Port", u"COM3"},
        {u"BaudRate", u"19200"},
        {u"ByteSize", u"8"},
        {u"Parity", u"0"},
        {u"StopBits", u"0"},
        {u"FlowControl", u"0"}}},
      {{"--interface", "com", "--port", "COM12", "--baud", "115200", "--data-bits", "8", "--parity",
        "even", "--stop-bits", "1.5", "--flow", "xonxoff"},
       {{u"IOType", u"COM"},
        {u"Serial Port", u"COM12"},
        {u"BaudRate", u"115200"},
        {u"ByteSize", u"8"},
        {u"Parity", u"2"},
        {u"StopBits", u"1"},
        {u"FlowControl", u"2"}}},
  };
  // Each Save replaces the previous one: no value of another interface stays.
  for (const auto& c : cases) {
    std::vector<std::string> args = {"printer", "add", "Front"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult result = Qvopos(args);
    ASSERT_EQ(result.code, 0) << result.error;
    EXPECT_EQ(result.output, "Config Printer Success\n");
    Values expected = base;
    expected.insert(c.values.begin(), c.values.end());
    EXPECT_EQ(ValuesOf(kFront), expected) << args[4];
  }
}

TEST_F(CliCommandsTest, PrinterAddRefusesWhatTheToolRefusesAndWritesNothing) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  PutString(kFront, u"IOType", u"ENet");
  PutString(kFront, u"EthIPAddr", u"10.0.0.9");
  const Values before = ValuesOf(kFront);
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"printer", "add", "Front", "--interface", "COM"}, "Com de!vice is not attached!"},
      {{"printer", "add", "Front", "--interface", "USB"}, "USB device is not attached!"},
      {{"printer", "add", "Front", "--interface", "Bluetooth"}, "Please Select Interface Type"},
      {{"printer", "add", "Front"}, "Please Select Interface Type"},
  };
  for (const auto& c : cases) {
    const RunResult result = Qvopos(c.args);
    EXPECT_EQ(result.code, 1) << c.message;
    EXPECT_EQ(result.error, std::string("qvopos: ") + c.message + "\n");
    EXPECT_TRUE(result.output.empty());
    EXPECT_EQ(ValuesOf(kFront), before) << c.message;
  }
}

TEST_F(CliCommandsTest, PrinterAddGivesUsageErrorsForValuesNoDialogOffers) {
  const std::vector<std::vector<std::string>> cases = {
      {"--interface", "COM", "--port", "COM1", "--baud", "57600"},
      {"--interface", "COM", "--port", "COM1", "--data-bits", "7"},
      {"--interface", "COM", "--port", "COM1", "--parity", "mark"},
      {"--interface", "COM", "--port", "COM1", "--stop-bits", "3"},
      {"--interface", "COM", "--port", "ttyUSB0"},
      {"--interface", "COM", "--port", "COM1", "--ip", "10.0.0.1"},
      {"--interface", "ENet", "--ip", "300.1.1.1"},
      {"--interface", "ENet", "--ip", "10.0.0"},
      {"--interface", "USB", "--usb-path", "\\\\?\\usb#vid_1234&pid_5678#X#{a5dcbf10}"},
      {"--interface", "LPT", "--port", "COM1:"},
      {"--interface", "ENet", "--speed", "9"},
      {"--interface"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"printer", "add", "Front"};
    args.insert(args.end(), c.begin(), c.end());
    const RunResult result = Qvopos(args);
    EXPECT_EQ(result.code, 2) << args.back();
    EXPECT_EQ(result.error.rfind("qvopos: ", 0), 0u) << result.error;
    EXPECT_EQ(std::count(result.error.begin(), result.error.end(), '\n'), 1) << result.error;
    EXPECT_FALSE(KeyExists(kFront)) << args.back();
  }
  EXPECT_EQ(Qvopos({"printer", "add", "A\\B", "--interface", "LPT"}).code, 2);
  EXPECT_FALSE(KeyExists(qvtoolreg_test::kPrinterClassKey + u"\\A"));
}

TEST_F(CliCommandsTest, DrawerAddWritesItsValuesForOneOfOurPrinters) {
  ASSERT_EQ(Qvopos({"printer", "add", "Front", "--interface", "LPT", "--port", "LPT1:"}).code, 0);
  PutString(kTill, u"Extra", u"kept");  // a drawer Save does not delete first
  RunResult result = Qvopos({"drawer", "add", "Till", "--uses", "Front", "--pin", "5", "--pulse-on",
                             "300", "--pulse-off", "40"});
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(result.output, "Config Drawer Success\n");
  EXPECT_EQ(ValuesOf(kTill), (Values{{u"", u"QV.OPOS.CashDrawer"},
                                     {u"Uses", u"Front"},
                                     {u"ConnectPin", u"5"},
                                     {u"PulseOnTime", u"300"},
                                     {u"PulseOffTime", u"40"},
                                     {u"Extra", u"kept"}}));
  // Defaults: pin 2, pulses 0.
  ASSERT_EQ(Qvopos({"drawer", "add", "Till", "--uses", "Front"}).code, 0);
  EXPECT_EQ(ValuesOf(kTill)[u"ConnectPin"], u"2");
  EXPECT_EQ(ValuesOf(kTill)[u"PulseOnTime"], u"0");

  PutString(qvtoolreg_test::kPrinterClassKey + u"\\Foreign", u"", u"Other.Printer");
  result = Qvopos({"drawer", "add", "Till2", "--uses", "Foreign"});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.error.find("no printer LDN Foreign"), std::string::npos);
  EXPECT_EQ(Qvopos({"drawer", "add", "Till2", "--uses", "Front", "--pin", "3"}).code, 2);
  EXPECT_EQ(Qvopos({"drawer", "add", "Till2"}).code, 2);
  EXPECT_FALSE(KeyExists(qvtoolreg_test::kDrawerClassKey + u"\\Till2"));
}

TEST_F(CliCommandsTest, ForeignKeysAreNeverListedOrDeletedAndUninstallKeepsServiceInfo) {
  const std::u16string printers = qvtoolreg_test::kPrinterClassKey;
  PutString(printers + u"\\Blank", u"", u"QV.Opos.Printer ");
  PutString(printers + u"\\Other", u"", u"Vendor.Opos.Printer");
  PutString(printers + u"\\Lower", u"", u"qv.opos.printer");
  PutString(printers + u"\\NoMark", u"IOType", u"COM");
  PutString(qvtoolreg_test::kDrawerClassKey + u"\\OtherTill", u"", u"Vendor.CashDrawer");
  ASSERT_EQ(Qvopos({"printer", "add", "Front", "--interface", "ENet", "--ip", "10.1.2.3"}).code, 0);
  ASSERT_EQ(Qvopos({"drawer", "add", "Till", "--uses", "Front"}).code, 0);
  ASSERT_EQ(Qvopos({"log-level", "4"}).code, 0);

  RunResult list = Qvopos({"ldn", "list"});
  ASSERT_EQ(list.code, 0);
  EXPECT_EQ(list.output, "printer Front IOType=ENet\ndrawer Till Uses=Front\n");

  for (const char* foreign : {"Blank", "Other", "Lower", "NoMark"}) {
    const RunResult result = Qvopos({"ldn", "delete", "printer", foreign});
    EXPECT_EQ(result.code, 1) << foreign;
    EXPECT_TRUE(KeyExists(printers + u"\\" + std::u16string(foreign, foreign + strlen(foreign))));
  }
  EXPECT_EQ(Qvopos({"ldn", "delete", "drawer", "OtherTill"}).code, 1);
  EXPECT_EQ(Qvopos({"ldn", "delete", "drawer", "Front"}).code, 1);  // a printer, not a drawer
  EXPECT_EQ(Qvopos({"ldn", "delete", "scanner", "Front"}).code, 2);

  const RunResult uninstall = Qvopos({"uninstall"});
  ASSERT_EQ(uninstall.code, 0) << uninstall.error;
  EXPECT_EQ(uninstall.output, "deleted printer Front\ndeleted drawer Till\n");
  EXPECT_FALSE(KeyExists(kFront));
  EXPECT_FALSE(KeyExists(kTill));
  for (const char16_t* foreign : {u"Blank", u"Other", u"Lower", u"NoMark"}) {
    EXPECT_TRUE(KeyExists(printers + u"\\" + foreign));
  }
  EXPECT_TRUE(KeyExists(qvtoolreg_test::kDrawerClassKey + u"\\OtherTill"));
  EXPECT_EQ(ValuesOf(qvtoolreg_test::kInfoKey),
            (Values{{u"LogVerbosity", u"4"}, {u"PrimaryConfig", u"TORVEX"}}));
  EXPECT_EQ(Qvopos({"ldn", "list"}).output, "");
}

TEST_F(CliCommandsTest, UninstallNamesAKeyItCannotDeleteAndDeletesTheRest) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  PutString(kFront + u"\\Extra", u"", u"x");  // refuses a plain delete
  PutString(kTill, u"", u"QV.OPOS.CashDrawer");
  const RunResult result = Qvopos({"uninstall"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.output, "deleted drawer Till\n");
  EXPECT_EQ(result.error,
            "qvopos: cannot delete "
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front: "
            "registry status 1020 (the key has subkeys)\n");
  EXPECT_TRUE(KeyExists(kFront));
}

TEST_F(CliCommandsTest, LdnDeleteRemovesOneOwnDevice) {
  ASSERT_EQ(Qvopos({"printer", "add", "Front", "--interface", "LPT", "--port", "LPT1:"}).code, 0);
  ASSERT_EQ(Qvopos({"printer", "add", "Back", "--interface", "LPT", "--port", "LPT2:"}).code, 0);
  const RunResult result = Qvopos({"ldn", "delete", "printer", "Front"});
  EXPECT_EQ(result.code, 0) << result.error;
  EXPECT_FALSE(KeyExists(kFront));
  EXPECT_TRUE(KeyExists(qvtoolreg_test::kPrinterClassKey + u"\\Back"));
  EXPECT_EQ(Qvopos({"ldn", "delete", "printer", "Front"}).code, 1);  // gone now
}

TEST_F(CliCommandsTest, LogLevelTakesANumberOrANameFromZeroToSix) {
  const struct {
    const char* arg;
    int code;
    const char16_t* stored;
  } cases[] = {
      {"0", 0, u"0"},    {"6", 0, u"6"},     {"FunctionData", 0, u"5"}, {"warnings", 0, u"2"},
      {"7", 2, nullptr}, {"-1", 2, nullptr}, {"Verbose", 2, nullptr},
  };
  for (const auto& c : cases) {
    const RunResult result = Qvopos({"log-level", c.arg});
    EXPECT_EQ(result.code, c.code) << c.arg;
    if (c.stored != nullptr) {
      EXPECT_EQ(ValuesOf(qvtoolreg_test::kInfoKey),
                (Values{{u"LogVerbosity", c.stored}, {u"PrimaryConfig", u"TORVEX"}}))
          << c.arg;
    }
  }
  EXPECT_EQ(ValuesOf(qvtoolreg_test::kInfoKey)[u"LogVerbosity"], u"2");  // refusals kept it
}

TEST_F(CliCommandsTest, RegisterAndUnregisterTheServerAndTheControlObjects) {
  const std::u16string printerControl =
      u"CLSID\\{CCB90152-B81E-11D2-AB74-0040054C3719}\\InprocServer32";
  const auto exists = [](const std::u16string& key) {
    qvplatform::RegKey handle;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, handle.receive()) ==
           ERROR_SUCCESS;
  };
  RunResult result = Qvopos({"register"});
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_TRUE(exists(printerControl));
  EXPECT_TRUE(exists(u"QV.Opos.Printer\\CLSID"));
  EXPECT_TRUE(exists(u"QV.OPOS.CashDrawer\\CLSID"));
  result = Qvopos({"unregister"});
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_FALSE(exists(printerControl));
  EXPECT_FALSE(exists(u"QV.Opos.Printer\\CLSID"));
}

TEST_F(CliCommandsTest, EveryCommandAnswersHelpAndBadCommandLinesGiveTwo) {
  const std::vector<std::vector<std::string>> commands = {
      {},
      {"demo"},
      {"register"},
      {"unregister"},
      {"printer", "add"},
      {"drawer", "add"},
      {"ldn", "list"},
      {"ldn", "delete"},
      {"log-level"},
      {"uninstall"},
      {"ports"},
      {"shell"},
      {"print"},
      {"drawer", "open"},
      {"status"},
  };
  for (std::vector<std::string> args : commands) {
    args.push_back("--help");
    const RunResult result = Qvopos(args);
    EXPECT_EQ(result.code, 0) << args.front();
    EXPECT_EQ(result.output.rfind("usage: qvopos", 0), 0u) << args.front();
  }
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"printer", "remove"}, {"ldn"}, {"uninstall", "now"}, {"status"}}) {
    const RunResult result = Qvopos(args);
    EXPECT_EQ(result.code, 2) << (args.empty() ? "" : args.front());
    EXPECT_EQ(result.error.rfind("qvopos: ", 0), 0u);
  }
}

TEST_F(CliCommandsTest, PortsListsTheMappedPortsAndOnlySupportedUsbPrinters) {
  const std::filesystem::path map = m_prefix.root() / "dosdevices";
  std::filesystem::create_directories(map);
  std::filesystem::create_symlink("/dev/null", map / "com7");
  std::filesystem::create_symlink("/dev/null", map / "lpt1");
  std::filesystem::create_symlink("/dev/null", map / "usb#vid_0fe6&pid_811e#A1B2");
  std::filesystem::create_symlink("/dev/null", map / "usb#vid_0fe6&pid_811f#C3D4");
  const RunResult result = Qvopos({"ports"});
  ASSERT_EQ(result.code, 0) << result.error;
  for (const std::string& line : result.lines) {
    EXPECT_TRUE(line.rfind("serial ", 0) == 0 || line.rfind("lpt LPT", 0) == 0 ||
                line.rfind("usb ", 0) == 0)
        << line;
  }
  const auto has = [&](const std::string& prefix) {
    return std::any_of(result.lines.begin(), result.lines.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
  };
  EXPECT_TRUE(has("serial COM7 ")) << result.output;
  EXPECT_TRUE(has("lpt LPT1:")) << result.output;
  EXPECT_TRUE(has("usb vid_0fe6&pid_811e \\\\?\\usb#vid_0fe6&pid_811e#A1B2#")) << result.output;
  EXPECT_FALSE(has("usb vid_0fe6&pid_811f")) << result.output;
}

}  // namespace
