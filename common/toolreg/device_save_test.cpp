#include "common/toolreg/device_save.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "common/toolreg/reg_test_util.h"
#include "platform/text/codepage.h"
#include "test_support/temp_prefix.h"

namespace {

using namespace qvtoolreg_test;
using qvtoolreg::DrawerSaveRequest;
using qvtoolreg::PrinterSaveRequest;
using qvtoolreg::SaveStatus;
using Values = std::map<std::u16string, std::u16string>;

const std::u16string kFront = kPrinterClassKey + u"\\Front";
const std::u16string kTill = kDrawerClassKey + u"\\Till";
const char16_t kUsbPath[] =
    u"\\\\?\\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

PrinterSaveRequest Request(const char16_t* type) {
  PrinterSaveRequest request;
  request.ldn = u"Front";
  request.interfaceType = type;
  request.serial = {u"COM3", 19200, 8, 2, 0, 1};
  request.lptPort = u"LPT1:";
  request.usbAttached = true;
  request.usbPath = kUsbPath;
  request.ipAddress = u"192.168.1.80";
  return request;
}

class DeviceSaveTest : public ::testing::Test {
 protected:
  TempPrefix m_prefix;
};

TEST_F(DeviceSaveTest, EachInterfaceWritesExactlyItsValueSet) {
  struct Case {
    const char16_t* type;
    Values expected;
  };
  const Case cases[] = {
      {u"COM",
       {{u"", u"QV.Opos.Printer"},
        {u"IOType", u"COM"},
        {u"Model", u"80"},
        {u"Serial Port", u"COM3"},
        {u"BaudRate", u"19200"},
        {u"ByteSize", u"8"},
        {u"Parity", u"2"},
        {u"StopBits", u"0"},
        {u"FlowControl", u"1"}}},
      {u"LPT",
       {{u"", u"QV.Opos.Printer"}, {u"IOType", u"LPT"}, {u"Model", u"80"}, {u"LPTPort", u"LPT1:"}}},
      {u"USB",
       {{u"", u"QV.Opos.Printer"}, {u"IOType", u"USB"}, {u"Model", u"80"}, {u"USBPort", kUsbPath}}},
      {u"ENet",
       {{u"", u"QV.Opos.Printer"},
        {u"IOType", u"ENet"},
        {u"Model", u"80"},
        {u"EthIPAddr", u"192.168.1.80"}}},
  };
  // Each Save follows another interface's, so a value left behind shows.
  PutString(kFront, u"DisableOnClose", u"1");
  for (const Case& c : cases) {
    qvtoolreg::SaveOutcome outcome = qvtoolreg::SavePrinter(Request(c.type));
    EXPECT_EQ(outcome.status, SaveStatus::kSaved);
    EXPECT_EQ(outcome.message, u"Config Printer Success");
    EXPECT_EQ(ValuesOf(kFront), c.expected) << std::string(c.type, c.type + 3);
  }
}

TEST_F(DeviceSaveTest, EmptyLptPortAndAddressAreWrittenAsTheyAre) {
  PrinterSaveRequest lpt = Request(u"LPT");
  lpt.lptPort.clear();
  EXPECT_EQ(qvtoolreg::SavePrinter(lpt).status, SaveStatus::kSaved);
  EXPECT_EQ(ValuesOf(kFront)[u"LPTPort"], u"");
  PrinterSaveRequest enet = Request(u"ENet");
  enet.ipAddress.clear();
  EXPECT_EQ(qvtoolreg::SavePrinter(enet).status, SaveStatus::kSaved);
  EXPECT_EQ(ValuesOf(kFront).count(u"EthIPAddr"), 1u);
}

TEST_F(DeviceSaveTest, RefusalsComeInOrderAndWriteNothing) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  PutString(kFront, u"IOType", u"LPT");
  const Values before = ValuesOf(kFront);

  PrinterSaveRequest noLdn = Request(u"COM");
  noLdn.ldn.clear();
  noLdn.interfaceType.clear();
  qvtoolreg::SaveOutcome outcome = qvtoolreg::SavePrinter(noLdn);
  EXPECT_EQ(outcome.status, SaveStatus::kRefused);
  EXPECT_TRUE(outcome.message == u"Please Select Printer Type!" ||
              outcome.message == u"请选择打印机类型");

  struct Case {
    const char16_t* type;
    void (*spoil)(PrinterSaveRequest*);
    const char16_t* message;
  };
  const Case cases[] = {
      {u"", [](PrinterSaveRequest*) {}, u"Please Select Interface Type"},
      {u"com", [](PrinterSaveRequest*) {}, u"Please Select Interface Type"},
      {u"COM", [](PrinterSaveRequest* r) { r->serial.portName.clear(); },
       u"Com de!vice is not attached!"},
      {u"USB", [](PrinterSaveRequest* r) { r->usbAttached = false; },
       u"USB device is not attached!"},
  };
  for (const Case& c : cases) {
    PrinterSaveRequest request = Request(c.type);
    c.spoil(&request);
    outcome = qvtoolreg::SavePrinter(request);
    EXPECT_EQ(outcome.status, SaveStatus::kRefused);
    EXPECT_EQ(outcome.message, c.message);
    EXPECT_EQ(ValuesOf(kFront), before);
  }
}

TEST_F(DeviceSaveTest, AFailedWriteIsReportedAsAFailureNamingTheStore) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  CorruptStore(m_prefix.root());
  const std::filesystem::path store = m_prefix.root() / "registry.db";
  const std::u16string storeName = qvplatform::Utf8ToWide(store.string());
  const struct {
    qvtoolreg::SaveOutcome outcome;
    const char16_t* prefix;
  } cases[] = {
      {qvtoolreg::SavePrinter(Request(u"ENet")), u"Config Printer Failed: "},
      {qvtoolreg::SaveDrawer({u"Till", u"Front", 2, 48, 48}), u"Config Drawer Failed: "},
      {qvtoolreg::SaveLogLevel(3), u"Config Log Failed: "},
      {qvtoolreg::DeleteDevice(u"POSPrinter", u"Front"),
       u"Delete Failed: SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front: "},
  };
  for (const auto& c : cases) {
    const std::string message = qvplatform::WideToUtf8(c.outcome.message);
    EXPECT_EQ(c.outcome.status, SaveStatus::kWriteFailed) << message;
    EXPECT_NE(c.outcome.registryStatus, ERROR_SUCCESS) << message;
    EXPECT_EQ(c.outcome.message.rfind(c.prefix, 0), 0u) << message;
    EXPECT_NE(c.outcome.message.find(storeName), std::u16string::npos) << message;
  }
}

TEST_F(DeviceSaveTest, DeleteCountsAMissingDeviceAsDeletedAndLeavesForeignKeys) {
  PutString(kFront, u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Other", u"", u"Vendor.Opos.Printer");
  for (const char16_t* ldn : {u"Front", u"Front", u"Never Saved", u"Other"}) {
    const qvtoolreg::SaveOutcome outcome = qvtoolreg::DeleteDevice(u"POSPrinter", ldn);
    EXPECT_EQ(outcome.status, SaveStatus::kSaved);
    EXPECT_EQ(outcome.message, u"Delete Success");
  }
  EXPECT_FALSE(KeyExists(kFront));
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Other"));
}

TEST_F(DeviceSaveTest, AnLdnWithABackslashIsRefusedBeforeAnyWrite) {
  PrinterSaveRequest printer = Request(u"ENet");
  printer.ldn = u"Front\\Sub";
  for (const qvtoolreg::SaveOutcome& outcome :
       {qvtoolreg::SavePrinter(printer),
        qvtoolreg::SaveDrawer({u"Till\\Sub", u"Front", 2, 1, 1})}) {
    EXPECT_EQ(outcome.status, SaveStatus::kRefused);
    EXPECT_NE(outcome.message.find(u"backslash"), std::u16string::npos);
  }
  EXPECT_FALSE(KeyExists(kPrinterClassKey));
  EXPECT_FALSE(KeyExists(kDrawerClassKey));
}

TEST_F(DeviceSaveTest, DrawerSaveAddsOrOverwritesItsValuesWithoutDeleting) {
  PutString(kTill, u"Extra", u"kept");
  PutString(kTill, u"ConnectPin", u"5");
  qvtoolreg::SaveOutcome outcome = qvtoolreg::SaveDrawer({u"Till", u"Front", 0, 300, 100});
  EXPECT_EQ(outcome.status, SaveStatus::kSaved);
  EXPECT_EQ(outcome.message, u"Config Drawer Success");
  EXPECT_EQ(ValuesOf(kTill), (Values{{u"", u"QV.OPOS.CashDrawer"},
                                     {u"Extra", u"kept"},
                                     {u"Uses", u"Front"},
                                     {u"ConnectPin", u"5"},  // neither pin: not written
                                     {u"PulseOffTime", u"100"},
                                     {u"PulseOnTime", u"300"}}));
  EXPECT_EQ(qvtoolreg::SaveDrawer({u"Till", u"Front", 2, 48, 48}).status, SaveStatus::kSaved);
  EXPECT_EQ(ValuesOf(kTill)[u"ConnectPin"], u"2");
}

TEST_F(DeviceSaveTest, DrawerSaveNeedsAnLdnAndAPrinter) {
  EXPECT_EQ(qvtoolreg::SaveDrawer({u"", u"Front", 2, 1, 1}).status, SaveStatus::kRefused);
  EXPECT_EQ(qvtoolreg::SaveDrawer({u"Till", u"", 2, 1, 1}).status, SaveStatus::kRefused);
  EXPECT_FALSE(KeyExists(kDrawerClassKey));
}

TEST_F(DeviceSaveTest, LogLevelWritesVerbosityAndPrimaryConfig) {
  EXPECT_EQ(qvtoolreg::SaveLogLevel(6).status, SaveStatus::kSaved);
  EXPECT_EQ(ValuesOf(kInfoKey), (Values{{u"LogVerbosity", u"6"}, {u"PrimaryConfig", u"TORVEX"}}));
  EXPECT_EQ(qvtoolreg::SaveLogLevel(7).status, SaveStatus::kRefused);
  EXPECT_EQ(qvtoolreg::SaveLogLevel(-1).status, SaveStatus::kRefused);
  EXPECT_EQ(ValuesOf(kInfoKey)[u"LogVerbosity"], u"6");
}

TEST_F(DeviceSaveTest, LogSettingsWithoutALevelKeepTheStoredOne) {
  PutString(kInfoKey, u"LogVerbosity", u"9");
  EXPECT_EQ(qvtoolreg::SaveLogSettings(std::nullopt).status, SaveStatus::kSaved);
  EXPECT_EQ(ValuesOf(kInfoKey), (Values{{u"LogVerbosity", u"9"}, {u"PrimaryConfig", u"TORVEX"}}));
  EXPECT_EQ(qvtoolreg::SaveLogSettings(2).status, SaveStatus::kSaved);
  EXPECT_EQ(ValuesOf(kInfoKey)[u"LogVerbosity"], u"2");
}

}  // namespace
