// Tests of the cash drawer service object against the virtual printer, the
// drawer (and, where they share a channel, the printer) driven only through
// IDispatch, with stand-in control objects receiving the callbacks and the
// trace lines captured.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"
#include "platform/com/bstr.h"
#include "platform/com/runtime.h"
#include "platform/registry/registry.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/socket_client.h"
#include "service_object/core/capture_log.h"
#include "service_object/core/claim.h"
#include "service_object/core/stand_in_control_object.h"
#include "service_object/drawer/cash_drawer.h"
#include "service_object/printer/dispatch_driver_test_util.h"
#include "service_object/printer/opos_printer.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr char kPrinterRoot[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\";
constexpr char kDrawerRoot[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer\\";
constexpr char kInfoKey[] = "SOFTWARE\\OLEforRetail\\ServiceInfo\\QV";

// The log outlives every test: channel threads that are still ending may
// write a last line after a test is over.
CCaptureLog& TheCapture() {
  static CCaptureLog* log = new CCaptureLog();
  return *log;
}

void SetString(const std::string& key, const char* name, const std::string& value) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WRITE, handle.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(handle.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
}

void DeleteValue(const std::string& key, const char* name) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, handle.receive()),
            ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(handle.get(), name), ERROR_SUCCESS);
}

// A distinct loopback address per test, all on the standard port.
std::string LoopbackAddress() {
  static std::atomic<int> next{1};
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) +
         "." + std::to_string(next++);
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

// How many real-time status requests DLE EOT n the stream holds.
size_t CountStatusRequests(const Bytes& stream, uint8_t n) {
  size_t count = 0;
  for (size_t i = 0; i + 2 < stream.size(); ++i) {
    if (stream[i] == 0x10 && stream[i + 1] == 0x04 && stream[i + 2] == n) ++count;
  }
  return count;
}

bool Logged(const std::string& source, const std::string& text) {
  for (const auto& line : TheCapture().Lines()) {
    if (line.source == source && line.text == text) return true;
  }
  return false;
}

bool LoggedPrefix(const std::string& source, const std::string& prefix) {
  for (const auto& line : TheCapture().Lines()) {
    if (line.source == source && line.text.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

size_t CountLogged(const std::string& source, const std::string& text) {
  size_t count = 0;
  for (const auto& line : TheCapture().Lines()) {
    if (line.source == source && line.text == text) ++count;
  }
  return count;
}

// One service object, created through its class's factory function and
// driven through IDispatch.
struct Device {
  IDispatch* dispatch = nullptr;
  std::unique_ptr<DispatchDriver> driver;
  CStandInControlObject control;

  std::vector<LONG> StatusUpdates() const {
    std::vector<LONG> values;
    for (const auto& callback : control.Callbacks()) {
      if (callback.name == u"SOStatusUpdate") values.push_back(callback.value);
    }
    return values;
  }
  bool WaitForStatusUpdates(size_t count) const {
    return qvplatform::PumpUntil([&] { return StatusUpdates().size() >= count; }, 5000);
  }
};

class CashDrawerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One-second periods become 50 ms: short, yet long enough on a loaded
    // machine for each status answer to arrive before the printer's next
    // request moves the shared answer position.
    qvplatform::SetTimeScaleForTesting(0.05);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    TheCapture().Clear();
    // The arbiter is process-wide: no image of an earlier test may be
    // replayed into this one.
    TheCommArbiter().SetLastStatus("");
    SetString(kInfoKey, "LogVerbosity", "6");
  }

  void TearDown() override {
    // Close every object before any is freed: a channel calls its creator
    // until the last device of the process lets it go.
    for (Device* device : {&m_drawer, &m_printer}) {
      if (device->dispatch != nullptr) {
        LONG rc = device->driver->Call(u"CloseService");
        EXPECT_EQ(rc, 0);
      }
    }
    for (Device* device : {&m_drawer, &m_printer}) {
      if (device->dispatch != nullptr) device->dispatch->Release();
      device->dispatch = nullptr;
    }
    EXPECT_EQ(ClaimedDeviceCount.load(), 0);
    m_network.reset();
    CoUninitialize();
  }

  // The printer logical device "Printer" on the network, with a virtual
  // printer listening unless `offline`.
  void ConfigureNetworkPrinter(bool offline = false) {
    const std::string address = LoopbackAddress();
    m_network = std::make_unique<qvvp::VirtualPrinter>();
    if (!offline) {
      ASSERT_EQ(m_network->StartTcp(address, 9100), 0);
    }
    m_engine = &m_network->engine();
    const std::string key = std::string(kPrinterRoot) + "Printer";
    SetString(key, nullptr, "QV.Opos.Printer");
    SetString(key, "Model", "80");
    SetString(key, "IOType", "ENet");
    SetString(key, "EthIPAddr", address);
  }

  // The printer logical device "Printer" on a pseudo-terminal mapped as COM7.
  void ConfigureSerialPrinter() {
    const std::string port = m_serial.MapAsSerial("COM7");
    ASSERT_EQ(port, "COM7");
    m_engine = &m_serial.engine();
    const std::string key = std::string(kPrinterRoot) + "Printer";
    SetString(key, nullptr, "QV.Opos.Printer");
    SetString(key, "Model", "80");
    SetString(key, "IOType", "COM");
    SetString(key, "Serial Port", port);
    SetString(key, "BaudRate", "115200");
    SetString(key, "ByteSize", "8");
    SetString(key, "Parity", "0");
    SetString(key, "StopBits", "0");
    SetString(key, "FlowControl", "0");
  }

  // The drawer logical device "Drawer".
  void ConfigureDrawer(const std::string& uses = "Printer", const std::string& pin = "2",
                       const std::string& onTime = "48", const std::string& offTime = "48") {
    const std::string key = std::string(kDrawerRoot) + "Drawer";
    SetString(key, nullptr, "QV.OPOS.CashDrawer");
    SetString(key, "Uses", uses);
    SetString(key, "ConnectPin", pin);
    SetString(key, "PulseOnTime", onTime);
    SetString(key, "PulseOffTime", offTime);
  }

  void CreateDrawer() {
    ASSERT_EQ(CCashDrawer::CreateInstance(nullptr, IID_IDispatch,
                                          reinterpret_cast<void**>(&m_drawer.dispatch)),
              S_OK);
    m_drawer.driver = std::make_unique<DispatchDriver>(m_drawer.dispatch);
  }

  void CreatePrinter() {
    ASSERT_EQ(QVCOposPrinter::CreateInstance(nullptr, IID_IDispatch,
                                             reinterpret_cast<void**>(&m_printer.dispatch)),
              S_OK);
    m_printer.driver = std::make_unique<DispatchDriver>(m_printer.dispatch);
  }

  LONG OpenDrawerService() {
    return m_drawer.driver->Call(
        u"OpenService", {u"CashDrawer", u"Drawer", static_cast<IDispatch*>(&m_drawer.control)});
  }

  LONG OpenPrinterService() {
    return m_printer.driver->Call(
        u"OpenService", {u"POSPrinter", u"Printer", static_cast<IDispatch*>(&m_printer.control)});
  }

  void Enable(Device& device) {
    device.driver->SetNumber(3, 1);
    ASSERT_EQ(device.driver->ResultCode(), 0);
    ASSERT_EQ(device.driver->GetNumber(3), 1);
  }

  // Create, open, claim and enable the drawer; every step must succeed.
  void OpenClaimEnableDrawer() {
    CreateDrawer();
    ASSERT_EQ(OpenDrawerService(), 0);
    ASSERT_EQ(m_drawer.driver->Call(u"ClaimDevice", {1000L}), 0);
    Enable(m_drawer);
  }

  Bytes Stream() const { return m_engine->stream(); }

  bool WaitForStream(const Bytes& expected) {
    return qvplatform::PumpUntil([&] { return Contains(Stream(), expected); }, 5000);
  }

  bool WaitForStatusRequests(uint64_t count) {
    return qvplatform::PumpUntil([&] { return m_engine->status_requests() >= count; }, 5000);
  }

  TempPrefix m_prefix;
  InProcessPrinter m_serial;
  std::unique_ptr<qvvp::VirtualPrinter> m_network;
  qvvp::PrinterEngine* m_engine = nullptr;
  Device m_drawer;
  Device m_printer;
};

// ---------------------------------------------------------------------------
// The drawer alone on the network.

TEST_F(CashDrawerTest, AloneOnTcpPollsPrinterStatusAndReportsTheDrawer) {
  ConfigureNetworkPrinter();
  ConfigureDrawer();
  OpenClaimEnableDrawer();
  EXPECT_TRUE(Logged("CCashDrawer", "    | Creating  Report Channel (client sockets)..."));

  // The first image after the enable: the drawer is closed.
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(1));
  EXPECT_EQ(m_drawer.StatusUpdates(), std::vector<LONG>{0});
  EXPECT_EQ(m_drawer.driver->GetNumber(1001), 0);  // DrawerOpened

  m_engine->SetDrawerOpen(true);
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(2));
  EXPECT_EQ(m_drawer.driver->GetNumber(1001), 1);
  m_engine->SetDrawerOpen(false);
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(3));
  EXPECT_EQ(m_drawer.driver->GetNumber(1001), 0);

  // Closed again and again: a few more answers raise nothing.
  ASSERT_TRUE(WaitForStatusRequests(m_engine->status_requests() + 4));
  ASSERT_TRUE(qvplatform::PumpUntil(
      [&] { return m_engine->status_answers() >= m_engine->status_requests(); }, 5000));
  qvplatform::PumpUntil([] { return false; }, 100);  // let the last answer be decoded
  EXPECT_EQ(m_drawer.StatusUpdates(), (std::vector<LONG>{0, 1, 0}));

  // Every request the drawer sent is DLE EOT 1.
  const Bytes stream = Stream();
  const size_t requests = CountStatusRequests(stream, 1);
  EXPECT_GE(requests, 4u);
  EXPECT_EQ(stream.size(), requests * 3);

  EXPECT_EQ(m_drawer.driver->Call(u"ReleaseDevice"), 0);
  EXPECT_TRUE(Logged("QVCOposPrinter", "    | Closing  Report Channel (client sockets)..."));
  EXPECT_EQ(TheCommArbiter().ReportChannelUsers(), 0);
  EXPECT_EQ(TheCommArbiter().ReportChannelClient(), nullptr);
}

TEST_F(CashDrawerTest, FirstImageAfterEnableGivesTheEventItsStateCallsFor) {
  struct Case {
    bool open;
    LONG expected;
  };
  for (const Case& c : {Case{true, 1}, Case{false, 0}}) {
    SCOPED_TRACE(c.open ? "drawer open" : "drawer closed");
    ConfigureNetworkPrinter();
    ConfigureDrawer();
    m_engine->SetDrawerOpen(c.open);
    const size_t before = m_drawer.StatusUpdates().size();  // the stand-in is reused
    OpenClaimEnableDrawer();
    ASSERT_TRUE(m_drawer.WaitForStatusUpdates(before + 1));
    EXPECT_EQ(m_drawer.StatusUpdates()[before], c.expected);
    EXPECT_EQ(m_drawer.driver->GetNumber(1001), c.expected);
    EXPECT_EQ(m_drawer.driver->Call(u"CloseService"), 0);
    m_drawer.dispatch->Release();
    m_drawer.dispatch = nullptr;
    TheCommArbiter().SetLastStatus("");
  }
}

TEST_F(CashDrawerTest, EnablingWithoutAClaimRunsTheTimersButSendsNothing) {
  ConfigureNetworkPrinter();
  ConfigureDrawer();
  CreateDrawer();
  ASSERT_EQ(OpenDrawerService(), 0);
  Enable(m_drawer);
  EXPECT_EQ(m_drawer.driver->GetNumber(1), 0);  // Claimed
  ASSERT_TRUE(qvplatform::PumpUntil(
      [] { return CountLogged("CCashDrawer", ">>> OnReadTimeout") >= 6; }, 5000));
  EXPECT_EQ(m_network->accepted_connections(), 0u);
  EXPECT_EQ(m_engine->status_requests(), 0u);
  // Closing stops the timers of the unclaimed, enabled drawer.
  EXPECT_EQ(m_drawer.driver->Call(u"CloseService"), 0);
  EXPECT_EQ(m_drawer.driver->GetNumber(3), 0);
  qvplatform::PumpUntil([] { return false; }, 20);
  const size_t ticks = CountLogged("CCashDrawer", ">>> OnReadTimeout");
  qvplatform::PumpUntil([] { return false; }, 250);  // five timer periods
  EXPECT_EQ(CountLogged("CCashDrawer", ">>> OnReadTimeout"), ticks);
}

// ---------------------------------------------------------------------------
// OpenDrawer.

struct PulseCase {
  const char* name;
  const char* pin;
  const char* onTime;
  const char* offTime;
  Bytes expected;
};

class OpenDrawerBytes : public CashDrawerTest, public ::testing::WithParamInterface<PulseCase> {};

TEST_P(OpenDrawerBytes, SendsTheConfiguredPulseAndTheDrawerOpens) {
  const PulseCase& c = GetParam();
  ConfigureNetworkPrinter();
  ConfigureDrawer("Printer", c.pin, c.onTime, c.offTime);
  OpenClaimEnableDrawer();
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(1));  // connected, drawer closed
  m_drawer.driver->CallVoid(u"OpenDrawer");
  EXPECT_EQ(m_drawer.driver->ResultCode(), 0);
  ASSERT_TRUE(WaitForStream(c.expected));
  EXPECT_EQ(m_engine->drawer_kicks(), 1u);
  EXPECT_TRUE(m_drawer.WaitForStatusUpdates(2));
  EXPECT_EQ(m_drawer.StatusUpdates(), (std::vector<LONG>{0, 1}));
}

INSTANTIATE_TEST_SUITE_P(
    Pulses, OpenDrawerBytes,
    ::testing::Values(PulseCase{"Pin5", "5", "200", "100", {0x1B, 0x70, 0x31, 0xC8, 0x64}},
                      PulseCase{"Pin2Defaults", "2", "48", "48", {0x1B, 0x70, 0x30, 0x30, 0x30}},
                      PulseCase{"OtherPinIsPin2", "3", "10", "20", {0x1B, 0x70, 0x30, 0x0A, 0x14}},
                      PulseCase{
                          "LowByteOfTime", "5", "300", "100", {0x1B, 0x70, 0x31, 0x2C, 0x64}}),
    [](const ::testing::TestParamInfo<PulseCase>& info) { return info.param.name; });

TEST_F(CashDrawerTest, OpenDrawerWhileDisabledGives105AndSendsNothing) {
  ConfigureNetworkPrinter();
  ConfigureDrawer();
  CreateDrawer();
  ASSERT_EQ(OpenDrawerService(), 0);
  m_drawer.driver->CallVoid(u"OpenDrawer");
  EXPECT_EQ(m_drawer.driver->ResultCode(), 105);
  ASSERT_EQ(m_drawer.driver->Call(u"ClaimDevice", {1000L}), 0);
  m_drawer.driver->CallVoid(u"OpenDrawer");
  EXPECT_EQ(m_drawer.driver->ResultCode(), 105);
  EXPECT_FALSE(LoggedPrefix("CCashDrawer", "<<< OpenDrawer"));
  // Enabled, a pulse goes out: the two refused ones were not kept back.
  Enable(m_drawer);
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(1));
  m_drawer.driver->CallVoid(u"OpenDrawer");
  EXPECT_EQ(m_drawer.driver->ResultCode(), 0);
  ASSERT_TRUE(WaitForStream({0x1B, 0x70}));
  EXPECT_EQ(m_engine->drawer_kicks(), 1u);
}

TEST_F(CashDrawerTest, OpenDrawerWithThePrinterSwitchedOffGives111) {
  ConfigureNetworkPrinter(/*offline=*/true);
  ConfigureDrawer();
  OpenClaimEnableDrawer();
  m_drawer.driver->CallVoid(u"OpenDrawer");
  EXPECT_EQ(m_drawer.driver->ResultCode(), 111);
  EXPECT_TRUE(Logged("CCommArbiter", "Warning: ReportChannel cannot send data"));
}

// Another process holds the drawer's claim while the test runs.
class ClaimHolder {
 public:
  ClaimHolder() {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
      ADD_FAILURE() << "pipe";
      return;
    }
    m_child = fork();
    if (m_child == 0) {
      dup2(toChild[0], STDIN_FILENO);
      dup2(fromChild[1], STDOUT_FILENO);
      close(toChild[1]);
      close(fromChild[0]);
      execl(QV_CLAIM_HOLDER_PATH, QV_CLAIM_HOLDER_PATH, "CorvanticOposCashDrawer", nullptr);
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    m_toChild = toChild[1];
    m_fromChild = fromChild[0];
    char held[5] = {};
    m_held = read(m_fromChild, held, 5) == 5;
  }
  ~ClaimHolder() {
    close(m_toChild);  // the holder releases and exits
    int status = 0;
    if (m_child > 0) waitpid(m_child, &status, 0);
    close(m_fromChild);
  }
  bool held() const { return m_held; }

 private:
  pid_t m_child = -1;
  int m_toChild = -1;
  int m_fromChild = -1;
  bool m_held = false;
};

TEST_F(CashDrawerTest, RefusedClaimGives102AndLeavesNoChannelBehind) {
  for (bool network : {true, false}) {
    SCOPED_TRACE(network ? "network" : "serial");
    if (network) {
      ConfigureNetworkPrinter();
    } else {
      ConfigureSerialPrinter();
    }
    ConfigureDrawer();
    CreateDrawer();
    ASSERT_EQ(OpenDrawerService(), 0);
    {
      ClaimHolder holder;
      ASSERT_TRUE(holder.held());
      EXPECT_EQ(m_drawer.driver->Call(u"ClaimDevice", {0L}), 102);
      EXPECT_TRUE(Logged("CCashDrawer",
                         "Warning: ClaimDevice: The device has already been claimed by another "
                         "application."));
      EXPECT_EQ(m_drawer.driver->GetNumber(1), 0);
      EXPECT_EQ(ClaimedDeviceCount.load(), 0);
      EXPECT_EQ(TheCommArbiter().ReportChannelUsers(), 0);
      EXPECT_FALSE(TheCommArbiter().HasSerialDevice());
    }
    // Once the other process lets go, the claim succeeds.
    EXPECT_EQ(m_drawer.driver->Call(u"ClaimDevice", {1000L}), 0);
    EXPECT_EQ(m_drawer.driver->Call(u"CloseService"), 0);
    m_drawer.dispatch->Release();
    m_drawer.dispatch = nullptr;
  }
}

// ---------------------------------------------------------------------------
// OpenService.

TEST_F(CashDrawerTest, MissingOrUnreadableConfigurationGives403) {
  for (const char* value : {"Uses", "ConnectPin", "PulseOnTime", "PulseOffTime"}) {
    SCOPED_TRACE(value);
    TheCapture().Clear();
    ConfigureDrawer();
    DeleteValue(std::string(kDrawerRoot) + "Drawer", value);
    CreateDrawer();
    EXPECT_EQ(OpenDrawerService(), 403);
    EXPECT_EQ(m_drawer.driver->Call(u"GetOpenResult"), 403);
    EXPECT_EQ(m_drawer.driver->GetNumber(9), 1);  // State: closed
    EXPECT_TRUE(LoggedPrefix("CCashDrawer", "Error: OpenService: Error retrieving "));
    EXPECT_FALSE(Logged("CCashDrawer", "<<< OpenService"));
    m_drawer.dispatch->Release();
    m_drawer.dispatch = nullptr;
  }
  // A number that does not parse counts as missing.
  ConfigureDrawer("Printer", "five");
  CreateDrawer();
  EXPECT_EQ(OpenDrawerService(), 403);
}

TEST_F(CashDrawerTest, UsesNamingNoPrinterOpensSerialWithTheWarning) {
  ConfigureDrawer("NoSuchPrinter");
  CreateDrawer();
  ASSERT_EQ(OpenDrawerService(), 0);
  EXPECT_TRUE(Logged("CCashDrawer", "    | : SerialPrinter"));
  EXPECT_TRUE(Logged("CDevice",
                     "Warning: GetRegSettings: missing settings for Serial Port; will use "
                     "default values"));
  EXPECT_TRUE(Logged("CCashDrawer", "    | DeviceName: Drawer"));
  EXPECT_EQ(m_drawer.driver->GetNumber(9), 2);  // State: idle
}

// ---------------------------------------------------------------------------
// Properties and the methods without device traffic.

TEST_F(CashDrawerTest, PropertiesAndMethodsWithoutTraffic) {
  ConfigureNetworkPrinter();
  ConfigureDrawer();
  CreateDrawer();
  DispatchDriver& d = *m_drawer.driver;
  EXPECT_EQ(d.GetNumber(9), 1);     // State before the open
  EXPECT_EQ(d.GetNumber(1501), 0);  // CapStatus before the open
  ASSERT_EQ(OpenDrawerService(), 0);

  struct Number {
    LONG index;
    LONG value;
  };
  for (const Number& n :
       {Number{8, 1008003}, Number{9, 2}, Number{13, 0}, Number{14, 2000}, Number{501, 0},
        Number{502, 1}, Number{503, 0}, Number{1001, 0}, Number{1501, 1}, Number{1502, 1},
        Number{1, 0}, Number{3, 0}, Number{11, 0}, Number{12, 0}}) {
    EXPECT_EQ(d.GetNumber(n.index), n.value) << "index " << n.index;
    EXPECT_EQ(d.ResultCode(), 0) << "index " << n.index;
  }
  // An invalid index reads 0 with 106; ResultCode then reads 0.
  EXPECT_EQ(d.GetNumber(5), 0);
  EXPECT_EQ(d.ResultCode(), 106);
  EXPECT_EQ(d.ResultCode(), 0);
  EXPECT_TRUE(Logged("CCashDrawer", "Warning: Invalid property number specified."));

  EXPECT_EQ(d.GetString(1000001), u"[Error]");
  EXPECT_EQ(d.GetString(1000002), u"QV Norvale/2xxx Single-Cable Printer/CashDrawer");
  EXPECT_EQ(d.GetString(1000003), u"QV Printer/CashDrawer");
  EXPECT_EQ(d.GetString(1000004), u"QV OPOS Service Object");
  EXPECT_EQ(d.GetString(1008003), u"[Error]");
  EXPECT_EQ(d.ResultCode(), 106);

  // BinaryConversion: nibble encodes the strings; a value other than 0, 1,
  // 2 selects no conversion and reads 0.
  d.SetNumber(11, 1);
  EXPECT_EQ(d.GetNumber(11), 1);
  EXPECT_EQ(d.GetString(1000003), u"5156205072696>7465722?43617368447261776572");
  d.SetNumber(11, 7);
  EXPECT_EQ(d.ResultCode(), 0);
  EXPECT_EQ(d.GetNumber(11), 0);
  EXPECT_EQ(d.GetString(1000003), u"QV Printer/CashDrawer");

  d.SetNumber(4, 1);  // FreezeEvents
  EXPECT_EQ(d.GetNumber(4), 1);
  d.SetNumber(10, 1);  // AutoDisable
  EXPECT_EQ(d.GetNumber(10), 1);
  d.SetNumber(8, 5);  // ServiceObjectVersion is not settable
  EXPECT_EQ(d.ResultCode(), 106);
  d.CallVoid(u"SetPropertyString", {1000001L, u"text"});
  EXPECT_EQ(d.ResultCode(), 106);
  EXPECT_EQ(d.GetString(1000001), u"[Error]");

  EXPECT_EQ(d.Call(u"CheckHealth", {2L}), 0);
  EXPECT_EQ(d.GetString(1000001), u"External HCheck: Complete");
  EXPECT_EQ(d.Call(u"CheckHealth", {4L}), 106);
  EXPECT_EQ(d.GetString(1000001), u"[Error]");
  EXPECT_EQ(d.Call(u"COFreezeEvents", {DispArg::Bool(true)}), 0);
  EXPECT_EQ(d.Call(u"ClearInput"), 0);
  EXPECT_EQ(d.Call(u"UpdateStatistics", {u"x"}), 106);

  // WaitForDrawerClose answers 106 at once; DirectIO and the reset and
  // retrieve of statistics then leave ResultCode and their arguments alone.
  d.CallVoid(u"WaitForDrawerClose", {1000L, 500L, 100L, 10L});
  LONG data = 7;
  BSTR text = SysAllocString(u"\x1bp0");
  VARIANT result;
  ASSERT_EQ(d.Invoke(u"DirectIO", {1L, DispArg::LongRef(&data), DispArg::BstrRef(&text)}, &result),
            S_OK);
  EXPECT_EQ(data, 7);
  EXPECT_EQ(std::u16string(qvplatform::BstrView(text)), u"\x1bp0");
  SysFreeString(text);
  EXPECT_EQ(d.Invoke(u"ResetStatistics", {u"buffer"}, &result), S_OK);
  BSTR statistics = SysAllocString(u"<stats/>");
  LONG statisticsRc = 55;
  EXPECT_EQ(d.Invoke(u"RetrieveStatistics",
                     {DispArg::BstrRef(&statistics), DispArg::LongRef(&statisticsRc)}, &result),
            S_OK);
  EXPECT_EQ(std::u16string(qvplatform::BstrView(statistics)), u"<stats/>");
  EXPECT_EQ(statisticsRc, 55);
  SysFreeString(statistics);
  EXPECT_EQ(d.ResultCode(), 106);
  EXPECT_EQ(m_network->accepted_connections(), 0u);

  EXPECT_EQ(d.Call(u"ReleaseDevice"), 103);
  EXPECT_TRUE(Logged("CCashDrawer",
                     "Warning: ReleaseDevice: Cannot release a device that has not been claimed."));
  EXPECT_EQ(d.Call(u"CloseService"), 0);
  EXPECT_EQ(d.GetNumber(9), 1);
}

// ---------------------------------------------------------------------------
// Printer and drawer on one channel.

enum class Transport { kTcp, kSerial };

struct SharedCase {
  const char* name;
  Transport transport;
  bool drawerFirst;
};

class SharedChannel : public CashDrawerTest, public ::testing::WithParamInterface<SharedCase> {
 protected:
  void Configure() {
    if (GetParam().transport == Transport::kTcp) {
      ConfigureNetworkPrinter();
    } else {
      ConfigureSerialPrinter();
    }
    ConfigureDrawer();
  }

  void Claim(Device& device) { ASSERT_EQ(device.driver->Call(u"ClaimDevice", {1000L}), 0); }

  bool ChannelOpen() {
    if (GetParam().transport == Transport::kTcp) {
      return TheCommArbiter().ReportChannelClient() != nullptr;
    }
    return TheCommArbiter().HasSerialDevice();
  }
};

TEST_P(SharedChannel, OnlyTheCreatorReceivesAndTheChannelLastsToTheLastRelease) {
  const bool drawerFirst = GetParam().drawerFirst;
  Configure();
  CreatePrinter();
  CreateDrawer();
  ASSERT_EQ(OpenPrinterService(), 0);
  ASSERT_EQ(OpenDrawerService(), 0);
  Device& first = drawerFirst ? m_drawer : m_printer;
  Device& second = drawerFirst ? m_printer : m_drawer;
  Claim(first);
  Claim(second);
  EXPECT_EQ(ClaimedDeviceCount.load(), 2);
  Enable(first);
  Enable(second);

  // The drawer follows its sensor whoever created the channel.
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(1));
  m_engine->SetDrawerOpen(true);
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(2));
  m_engine->SetDrawerOpen(false);
  ASSERT_TRUE(m_drawer.WaitForStatusUpdates(3));
  EXPECT_EQ(m_drawer.StatusUpdates(), (std::vector<LONG>{0, 1, 0}));

  // Only the printer polls, in its rotation of the four requests: the
  // drawer's DLE EOT 1 would double the first.
  ASSERT_TRUE(WaitForStatusRequests(16));
  const Bytes stream = Stream();
  EXPECT_LE(CountStatusRequests(stream, 1), CountStatusRequests(stream, 2) + 1);
  EXPECT_GE(CountStatusRequests(stream, 4) + 1, CountStatusRequests(stream, 1));

  // Only the channel's creator receives images: the printer reports cover
  // and paper only when it created the channel.
  const std::vector<LONG> printerUpdates = m_printer.StatusUpdates();
  if (drawerFirst) {
    EXPECT_TRUE(printerUpdates.empty());
  } else {
    EXPECT_TRUE(m_printer.WaitForStatusUpdates(1));
  }

  // The pulse goes over the shared channel.
  m_drawer.driver->CallVoid(u"OpenDrawer");
  EXPECT_EQ(m_drawer.driver->ResultCode(), 0);
  ASSERT_TRUE(WaitForStream({0x1B, 0x70, 0x30, 0x30, 0x30}));

  // Releasing the creator keeps the channel for the other device.
  EXPECT_EQ(first.driver->Call(u"ReleaseDevice"), 0);
  EXPECT_TRUE(ChannelOpen());
  if (drawerFirst) {
    m_printer.driver->CallVoid(u"PrintNormal", {2L, u"after the drawer\n"});
    EXPECT_EQ(m_printer.driver->ResultCode(), 0);
    ASSERT_TRUE(WaitForStream(Bytes{'a', 'f', 't', 'e', 'r'}));
  } else {
    // The drawer, alone now, polls itself and still follows its sensor (the
    // pulse opened it; now it closes).
    ASSERT_TRUE(m_drawer.WaitForStatusUpdates(4));
    m_engine->SetDrawerOpen(false);
    ASSERT_TRUE(m_drawer.WaitForStatusUpdates(5));
    EXPECT_EQ(m_drawer.StatusUpdates(), (std::vector<LONG>{0, 1, 0, 1, 0}));
    m_drawer.driver->CallVoid(u"OpenDrawer");
    EXPECT_EQ(m_drawer.driver->ResultCode(), 0);
    ASSERT_TRUE(qvplatform::PumpUntil([&] { return m_engine->drawer_kicks() == 2; }, 5000));
  }
  EXPECT_EQ(second.driver->Call(u"ReleaseDevice"), 0);
  EXPECT_FALSE(ChannelOpen());
  EXPECT_EQ(ClaimedDeviceCount.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, SharedChannel,
    ::testing::Values(SharedCase{"TcpPrinterFirst", Transport::kTcp, false},
                      SharedCase{"TcpDrawerFirst", Transport::kTcp, true},
                      SharedCase{"SerialPrinterFirst", Transport::kSerial, false},
                      SharedCase{"SerialDrawerFirst", Transport::kSerial, true}),
    [](const ::testing::TestParamInfo<SharedCase>& info) { return info.param.name; });

TEST_F(CashDrawerTest, DisablingAnUnclaimedDrawerLeavesThePrinterTrafficOn) {
  ConfigureNetworkPrinter();
  ConfigureDrawer();
  CreatePrinter();
  CreateDrawer();
  ASSERT_EQ(OpenPrinterService(), 0);
  ASSERT_EQ(OpenDrawerService(), 0);
  ASSERT_EQ(m_printer.driver->Call(u"ClaimDevice", {1000L}), 0);
  Enable(m_printer);
  Enable(m_drawer);  // without a claim
  m_drawer.driver->SetNumber(3, 0);
  EXPECT_EQ(m_drawer.driver->ResultCode(), 0);
  // The printer still prints.
  m_printer.driver->CallVoid(u"PrintNormal", {2L, u"still on\n"});
  EXPECT_EQ(m_printer.driver->ResultCode(), 0);
  EXPECT_TRUE(WaitForStream(Bytes{'s', 't', 'i', 'l', 'l'}));
}

}  // namespace
