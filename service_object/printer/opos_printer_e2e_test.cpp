// End-to-end tests of the printer service object: libQVSO.so registered
// into a temporary prefix, the object created by ProgID through
// CoCreateInstance and driven only through IDispatch, with a stand-in
// control object receiving the callbacks, against the virtual printer over
// TCP and over a pseudo-terminal mapped as a COM port.
#include <dlfcn.h>
#include <signal.h>
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
#include "platform/com/guid.h"
#include "platform/com/runtime.h"
#include "platform/registry/registry.h"
#include "service_object/core/qvso_interfaces.h"
#include "service_object/core/stand_in_control_object.h"
#include "service_object/printer/dispatch_driver_test_util.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr char kDeviceKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\TestPrinter";
constexpr char kInfoKey[] = "SOFTWARE\\OLEforRetail\\ServiceInfo\\QV";

// The immediate and buffered print prefixes.
const Bytes kImmediatePrefix = {0x1B, 0x3D, 0x01, 0x1B, 0x61, 0x00, 0x1D, 0x4C, 0x00,
                                0x00, 0x1B, 0x7B, 0x00, 0x1B, 0x74, 0x00, 0x1B, 0x52,
                                0x00, 0x1C, 0x26, 0x1D, 0x21, 0x00, 0x1C, 0x33, 0x1E};
const Bytes kBufferedPrefix(kImmediatePrefix.begin() + 3, kImmediatePrefix.end());

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

// The stream without the real-time status requests (10 04 n) the poll timer
// interleaves between jobs.
Bytes WithoutStatusRequests(const Bytes& stream) {
  Bytes out;
  for (size_t i = 0; i < stream.size(); ++i) {
    if (i + 2 < stream.size() && stream[i] == 0x10 && stream[i + 1] == 0x04 && stream[i + 2] >= 1 &&
        stream[i + 2] <= 4) {
      i += 2;
      continue;
    }
    out.push_back(stream[i]);
  }
  return out;
}

void SetString(HKEY root, const std::string& key, const char* name, const std::string& value) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), KEY_WRITE, handle.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(handle.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
}

std::u16string ReadString(const std::u16string& key, const char16_t* name) {
  qvplatform::RegKey handle;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, handle.receive()) !=
      ERROR_SUCCESS) {
    return u"<missing key>";
  }
  char16_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(char16_t);
  DWORD type = 0;
  if (RegQueryValueExW(handle.get(), name, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return u"<missing value>";
  }
  return std::u16string(buffer);
}

bool KeyExists(const std::u16string& key) {
  qvplatform::RegKey handle;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, handle.receive()) ==
         ERROR_SUCCESS;
}

// A distinct loopback address per test process and printer, all on the
// standard port.
std::string LoopbackAddress() {
  static std::atomic<int> next{1};
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) +
         "." + std::to_string(next++);
}

class PrinterEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    m_library = dlopen(QV_QVSO_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_library, nullptr) << dlerror();
    auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(m_library, "DllRegisterServer"));
    m_canUnloadNow = reinterpret_cast<HRESULT (*)()>(dlsym(m_library, "DllCanUnloadNow"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_NE(m_canUnloadNow, nullptr);
    ASSERT_EQ(registerServer(), S_OK);
    SetString(HKEY_LOCAL_MACHINE, kInfoKey, "LogVerbosity", "6");
  }

  void TearDown() override {
    if (m_dispatch != nullptr) {
      LONG rc = m_driver->Call(u"CloseService");
      EXPECT_EQ(rc, 0);
      m_dispatch->Release();
      m_dispatch = nullptr;
    }
    m_printer.reset();
    if (m_library != nullptr) dlclose(m_library);
    CoUninitialize();
  }

  // A network device on a fresh virtual printer (started unless `offline`).
  void ConfigureNetwork(bool offline = false) {
    m_address = LoopbackAddress();
    m_printer = std::make_unique<qvvp::VirtualPrinter>();
    if (!offline) {
      ASSERT_EQ(m_printer->StartTcp(m_address, 9100), 0);
    }
    SetString(HKEY_LOCAL_MACHINE, kDeviceKey, nullptr, "QV.Opos.Printer");
    SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "Model", "80");
    SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "IOType", "ENet");
    SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "EthIPAddr", m_address);
  }

  void Create() {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"QV.Opos.Printer", &clsid), S_OK);
    ASSERT_TRUE(clsid == CLSID_QVOposPrinter);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&m_dispatch)),
              S_OK);
    m_driver = std::make_unique<DispatchDriver>(m_dispatch);
  }

  LONG Open() {
    return m_driver->Call(u"OpenService",
                          {u"POSPrinter", u"TestPrinter", static_cast<IDispatch*>(&m_control)});
  }

  // Open, claim and enable; every step must succeed.
  void OpenClaimEnable() {
    Create();
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(m_driver->Call(u"ClaimDevice", {1000L}), 0);
    m_driver->SetNumber(3, 1);
    ASSERT_EQ(m_driver->ResultCode(), 0);
    ASSERT_EQ(m_driver->GetNumber(3), 1);
  }

  // Waits, pumping the apartment, until the printer has parsed a stream
  // that (without status requests) contains `expected`.
  bool WaitForStream(const Bytes& expected) {
    return qvplatform::PumpUntil(
        [&] { return Contains(WithoutStatusRequests(m_printer->engine().stream()), expected); },
        5000);
  }

  Bytes Payload() { return WithoutStatusRequests(m_printer->engine().stream()); }

  bool WaitForCallback(const std::u16string& name, LONG value) {
    return qvplatform::PumpUntil(
        [&] {
          for (const auto& callback : m_control.Callbacks()) {
            if (callback.name == name && callback.value == value) return true;
          }
          return false;
        },
        5000);
  }

  std::vector<LONG> StatusUpdates() {
    std::vector<LONG> values;
    for (const auto& callback : m_control.Callbacks()) {
      if (callback.name == u"SOStatusUpdate") values.push_back(callback.value);
    }
    return values;
  }

  TempPrefix m_prefix;
  void* m_library = nullptr;
  HRESULT (*m_canUnloadNow)() = nullptr;
  std::string m_address;
  std::unique_ptr<qvvp::VirtualPrinter> m_printer;
  CStandInControlObject m_control;
  IDispatch* m_dispatch = nullptr;
  std::unique_ptr<DispatchDriver> m_driver;
};

TEST_F(PrinterEndToEnd, PrintNormalWritesPrefixAndTextOverTcp) {
  ConfigureNetwork();
  OpenClaimEnable();
  m_driver->CallVoid(u"PrintNormal", {2L, u"Hello\n"});
  EXPECT_EQ(m_driver->ResultCode(), 0);
  // Reading a result code resets both; the extended code needs a print of
  // its own.
  m_driver->CallVoid(u"PrintNormal", {2L, u"World\n"});
  EXPECT_EQ(m_driver->GetNumber(7), 201);
  EXPECT_TRUE(WaitForStream(
      Concat({kImmediatePrefix, Text("Hello\n"), kImmediatePrefix, Text("World\n")})));
}

TEST_F(PrinterEndToEnd, EmptyPrintNormalWritesNothing) {
  ConfigureNetwork();
  OpenClaimEnable();
  m_driver->SetNumber(8001, 1);  // AsyncMode
  m_driver->CallVoid(u"PrintNormal", {2L, u""});
  EXPECT_EQ(m_driver->ResultCode(), 0);
  EXPECT_EQ(m_driver->GetNumber(5), 0);  // no OutputID used
  // A later job shows the empty one sent nothing in front of it.
  m_driver->CallVoid(u"PrintNormal", {2L, u"X"});
  ASSERT_TRUE(WaitForStream(Concat({kImmediatePrefix, Text("X")})));
  EXPECT_EQ(Payload(), Concat({kImmediatePrefix, Text("X")}));
}

TEST_F(PrinterEndToEnd, TransactionCollectsTwoBufferedPrefixes) {
  ConfigureNetwork();
  OpenClaimEnable();
  EXPECT_EQ(m_driver->Call(u"TransactionPrint", {2L, 11L}), 0);
  m_driver->CallVoid(u"PrintNormal", {2L, u"first\n"});
  EXPECT_EQ(m_driver->ResultCode(), 0);
  m_driver->CallVoid(u"PrintNormal", {2L, u"second\n"});
  EXPECT_EQ(m_driver->ResultCode(), 0);
  EXPECT_FALSE(Contains(Payload(), Text("first")));
  EXPECT_EQ(m_driver->Call(u"TransactionPrint", {2L, 12L}), 0);
  const Bytes expected =
      Concat({kBufferedPrefix, kBufferedPrefix, Text("first\n"), Text("second\n")});
  ASSERT_TRUE(WaitForStream(expected));
  EXPECT_EQ(Payload(), expected);
}

TEST_F(PrinterEndToEnd, SidewaysPageIsPrintedWhenTheRotationChanges) {
  ConfigureNetwork();
  OpenClaimEnable();
  EXPECT_EQ(m_driver->Call(u"RotatePrint", {2L, 257L}), 0);
  m_driver->CallVoid(u"PrintNormal", {2L, u"0123456789"});
  m_driver->CallVoid(u"PrintNormal", {2L, u"abcdefghijklmnopqrstuvwxyz0123"});
  EXPECT_EQ(m_driver->Call(u"RotatePrint", {2L, 1L}), 0);
  const Bytes expected = Concat({
      {0x1B, 0x4C},                                                  // page mode
      {0x1B, 0x57, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xE8, 0x02},  // area 512 x 744
      {0x1B, 0x54, 0x33},                                            // direction
      {0x1C, 0x26, 0x1B, 0x74, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x4A, 0x15},
      kBufferedPrefix,
      kBufferedPrefix,
      Text("0123456789abcdefghijklmnopqrstuvwxyz0123"),
      {0x0C},
  });
  ASSERT_TRUE(WaitForStream(expected));
  EXPECT_EQ(Payload(), expected);
}

// The page direction comes from the rotation without its barcode flag, so
// a rotate-180 barcode page prints upside down (ESC T 2), not right-turned.
TEST_F(PrinterEndToEnd, SidewaysDirectionIgnoresTheBarcodeFlag) {
  ConfigureNetwork();
  OpenClaimEnable();
  struct Case {
    LONG rotation;
    uint8_t direction;
  };
  const Case cases[] = {{257, 0x33}, {258, 0x31}, {0x1101, 0x33}, {0x1102, 0x31}, {0x1103, 0x32}};
  Bytes expected;
  for (const Case& c : cases) {
    EXPECT_EQ(m_driver->Call(u"RotatePrint", {2L, c.rotation}), 0);
    m_driver->CallVoid(u"PrintNormal", {2L, u"x"});
    EXPECT_EQ(m_driver->Call(u"RotatePrint", {2L, 1L}), 0);
    expected = Concat(
        {expected,
         {0x1B, 0x4C,        0x1B, 0x57, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xF8, 0x01, 0x1B,
          0x54, c.direction, 0x1C, 0x26, 0x1B, 0x74, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x4A, 0x15},
         kBufferedPrefix,
         Text("x"),
         {0x0C}});
  }
  ASSERT_TRUE(WaitForStream(expected));
  EXPECT_EQ(Payload(), expected);
}

TEST_F(PrinterEndToEnd, CutPaperOfAnyOtherPercentageCutsOnePointLeft) {
  ConfigureNetwork();
  OpenClaimEnable();
  EXPECT_EQ(m_driver->Call(u"CutPaper", {75L}), 0);
  EXPECT_EQ(m_driver->GetNumber(7), 201);
  ASSERT_TRUE(WaitForStream({0x1B, 0x69}));
  EXPECT_EQ(Payload(), Bytes({0x1B, 0x69}));
}

TEST_F(PrinterEndToEnd, PrintErrorsGive106AndSendNothing) {
  ConfigureNetwork();
  OpenClaimEnable();
  m_driver->CallVoid(u"PrintNormal", {3L, u"wrong station"});
  EXPECT_EQ(m_driver->ResultCode(), 106);
  EXPECT_EQ(m_driver->Call(u"MarkFeed", {1L}), 106);
  EXPECT_EQ(m_driver->Call(u"PrintTwoNormal", {2L, u"a", u"b"}), 106);
  EXPECT_EQ(m_driver->Call(u"SetLogo", {1L, u"logo"}), 106);
  m_driver->CallVoid(u"PrintNormal", {2L, u"ok"});
  ASSERT_TRUE(WaitForStream(Concat({kImmediatePrefix, Text("ok")})));
  EXPECT_EQ(Payload(), Concat({kImmediatePrefix, Text("ok")}));
}

TEST_F(PrinterEndToEnd, AsyncModeRaisesOutputIdAndOutputComplete) {
  ConfigureNetwork();
  OpenClaimEnable();
  m_driver->SetNumber(8001, 1);
  m_driver->CallVoid(u"PrintNormal", {2L, u"one\n"});
  EXPECT_EQ(m_driver->GetNumber(5), 1);
  EXPECT_EQ(m_driver->Call(u"CutPaper", {100L}), 0);
  EXPECT_EQ(m_driver->GetNumber(5), 2);
  EXPECT_TRUE(WaitForCallback(u"SOOutputComplete", 1));
  EXPECT_TRUE(WaitForCallback(u"SOOutputComplete", 2));
}

TEST_F(PrinterEndToEnd, StatusChangesArriveAsStatusUpdates) {
  ConfigureNetwork();
  OpenClaimEnable();
  // The first replies: cover closed, paper present.
  ASSERT_TRUE(WaitForCallback(u"SOStatusUpdate", 12));
  ASSERT_TRUE(WaitForCallback(u"SOStatusUpdate", 26));
  EXPECT_EQ(m_driver->GetNumber(8003), 0);  // CoverOpen

  m_printer->engine().SetCoverOpen(true);
  ASSERT_TRUE(WaitForCallback(u"SOStatusUpdate", 11));
  EXPECT_EQ(m_driver->GetNumber(8003), 1);

  // Near end raises nothing: wait for a full poll round past it.
  m_printer->engine().SetPaperNearEnd(true);
  const uint64_t requests = m_printer->engine().status_requests();
  ASSERT_TRUE(qvplatform::PumpUntil(
      [&] { return m_printer->engine().status_requests() >= requests + 8; }, 5000));
  EXPECT_EQ(m_driver->GetNumber(8021), 0);  // RecNearEnd

  m_printer->engine().SetPaperEnd(true);
  ASSERT_TRUE(WaitForCallback(u"SOStatusUpdate", 24));
  EXPECT_EQ(m_driver->GetNumber(8014), 1);  // RecEmpty
  // The poll counter is process-wide, so which of 12 and 26 comes first
  // depends on where earlier objects left it; the changes follow in order.
  std::vector<LONG> updates = StatusUpdates();
  ASSERT_EQ(updates.size(), 4u);
  std::sort(updates.begin(), updates.begin() + 2);
  EXPECT_EQ(updates, (std::vector<LONG>{12, 26, 11, 24}));
}

TEST_F(PrinterEndToEnd, DisablingStopsStatusRequests) {
  ConfigureNetwork();
  OpenClaimEnable();
  ASSERT_TRUE(
      qvplatform::PumpUntil([&] { return m_printer->engine().status_requests() >= 2; }, 5000));
  m_driver->SetNumber(3, 0);
  EXPECT_EQ(m_driver->ResultCode(), 0);
  qvplatform::PumpUntil([] { return false; }, 50);  // let a request in flight land
  const uint64_t requests = m_printer->engine().status_requests();
  qvplatform::PumpUntil([] { return false; }, 100);  // ten poll periods
  EXPECT_EQ(m_printer->engine().status_requests(), requests);
}

TEST_F(PrinterEndToEnd, PrinterThatIsSwitchedOffGives111) {
  ConfigureNetwork(/*offline=*/true);
  OpenClaimEnable();
  m_driver->SetNumber(8001, 1);
  m_driver->CallVoid(u"PrintNormal", {2L, u"lost\n"});
  EXPECT_EQ(m_driver->ResultCode(), 111);
  m_driver->CallVoid(u"PrintNormal", {2L, u"lost again\n"});
  EXPECT_EQ(m_driver->GetNumber(7), 0);  // no 201
  EXPECT_EQ(m_driver->GetNumber(5), 0);  // no OutputID
  EXPECT_EQ(m_driver->Call(u"CutPaper", {100L}), 111);
  LONG data = 7;
  BSTR text = SysAllocString(u"\x1b@");
  VARIANT result;
  ASSERT_EQ(m_driver->Invoke(u"DirectIO", {1L, DispArg::LongRef(&data), DispArg::BstrRef(&text)},
                             &result),
            S_OK);
  EXPECT_EQ(result.lVal, 111);
  EXPECT_EQ(data, 7);
  SysFreeString(text);
}

TEST_F(PrinterEndToEnd, ClaimHeldByAnotherProcessGives102) {
  ConfigureNetwork();
  int toChild[2];
  int fromChild[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(fromChild), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(toChild[0], STDIN_FILENO);
    dup2(fromChild[1], STDOUT_FILENO);
    close(toChild[1]);
    close(fromChild[0]);
    execl(QV_CLAIM_HOLDER_PATH, QV_CLAIM_HOLDER_PATH, "QV_OposPrinter", nullptr);
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  char held[5] = {};
  ASSERT_EQ(read(fromChild[0], held, 5), 5);
  Create();
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(m_driver->Call(u"ClaimDevice", {0L}), 102);
  EXPECT_EQ(m_driver->GetNumber(1), 0);  // Claimed
  close(toChild[1]);                     // the holder releases and exits
  int status = 0;
  waitpid(child, &status, 0);
  close(fromChild[0]);
  EXPECT_EQ(m_driver->Call(u"ClaimDevice", {1000L}), 0);
  EXPECT_EQ(m_driver->Call(u"ReleaseDevice"), 0);
}

TEST_F(PrinterEndToEnd, PropertyEdgeCases) {
  ConfigureNetwork();
  Create();
  ASSERT_EQ(Open(), 0);
  // Before the claim.
  EXPECT_EQ(m_driver->GetNumber(8016), 0);  // RecLineChars
  EXPECT_EQ(m_driver->ResultCode(), 103);
  EXPECT_EQ(m_driver->ResultCode(), 0);  // ResultCode read twice
  EXPECT_EQ(m_driver->GetNumber(3), 0);  // DeviceEnabled
  EXPECT_EQ(m_driver->ResultCode(), 106);
  m_driver->SetNumber(3, 1);
  EXPECT_EQ(m_driver->ResultCode(), 103);
  // After the claim.
  ASSERT_EQ(m_driver->Call(u"ClaimDevice", {1000L}), 0);
  EXPECT_EQ(m_driver->GetNumber(8016), 42);
  m_driver->SetNumber(8016, 56);
  EXPECT_EQ(m_driver->ResultCode(), 106);
  EXPECT_EQ(m_driver->GetNumber(8016), 42);
  // PageModeStation.
  m_driver->SetNumber(8049, 2);
  EXPECT_EQ(m_driver->GetNumber(8049), 2);
  EXPECT_EQ(m_driver->GetNumber(8048), 1);
  m_driver->SetNumber(8049, 3);
  EXPECT_EQ(m_driver->GetNumber(8049), 0);
  // PowerNotify 5 changes nothing.
  m_driver->SetNumber(13, 5);
  EXPECT_EQ(m_driver->ResultCode(), 0);
  EXPECT_EQ(m_driver->GetNumber(13), 0);
  // RecLineWidth in the four map modes.
  const LONG widths[] = {576, 4081, 2834, 7200};
  for (LONG mode = 1; mode <= 4; ++mode) {
    m_driver->SetNumber(8013, mode);
    EXPECT_EQ(m_driver->GetNumber(8020), widths[mode - 1]) << "map mode " << mode;
  }
  // Strings.
  EXPECT_EQ(m_driver->GetString(1008006), u"[Error]");
  EXPECT_EQ(m_driver->ResultCode(), 106);
  EXPECT_EQ(m_driver->GetString(1000003), u"QV 80 Printer");
  EXPECT_EQ(m_driver->GetString(1000002), u"QV 80 POS Printer");
  m_driver->SetNumber(11, 1);                              // nibble BinaryConversion
  EXPECT_EQ(m_driver->GetString(1008003), u"34322<3536");  // "42,56", 0x2C as "2<"
  m_driver->SetNumber(11, 7);                              // no conversion
  EXPECT_EQ(m_driver->GetNumber(11), 0);
  EXPECT_EQ(m_driver->GetString(1008003), u"42,56");
  // CheckHealth.
  EXPECT_EQ(m_driver->Call(u"CheckHealth", {4L}), 106);
  EXPECT_EQ(m_driver->GetString(1000001), u"[Error]");
  EXPECT_EQ(m_driver->Call(u"CheckHealth", {1L}), 0);
  EXPECT_EQ(m_driver->GetString(1000001), u"Internal HCheck: Complete");
}

TEST_F(PrinterEndToEnd, MissingModelGives403) {
  ConfigureNetwork();
  qvplatform::RegKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceKey, 0, KEY_ALL_ACCESS, key.receive()),
            ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(key.get(), "Model"), ERROR_SUCCESS);
  Create();
  EXPECT_EQ(Open(), 403);
  EXPECT_EQ(m_driver->Call(u"GetOpenResult"), 403);
  EXPECT_EQ(m_driver->GetNumber(9), 1);  // State closed
}

TEST_F(PrinterEndToEnd, CanUnloadOnlyWithoutLiveObjects) {
  ConfigureNetwork();
  EXPECT_EQ(m_canUnloadNow(), S_OK);
  Create();
  EXPECT_EQ(m_canUnloadNow(), S_FALSE);
  IDispatch* second = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_QVOposPrinter, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&second)),
            S_OK);
  m_dispatch->Release();
  m_dispatch = nullptr;
  EXPECT_EQ(m_canUnloadNow(), S_FALSE);
  second->Release();
  EXPECT_EQ(m_canUnloadNow(), S_OK);
}

TEST_F(PrinterEndToEnd, InterfaceTableAndDispids) {
  ConfigureNetwork();
  Create();
  IUnknown* unknown = nullptr;
  ASSERT_EQ(m_dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  IOposPrinter* printer = nullptr;
  ASSERT_EQ(m_dispatch->QueryInterface(IID_IOposPrinter, reinterpret_cast<void**>(&printer)), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(printer), unknown);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(m_dispatch->QueryInterface(IID_ICCashDrawer, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(m_dispatch->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(m_driver->IdOf(u"PrintNormal"), 18);
  EXPECT_EQ(m_driver->IdOf(u"DrawRuledLine"), 40);
  EXPECT_EQ(m_driver->IdOf(u"COFreezeEvents"), 1);
  // A method without a result parameter takes exactly its two arguments.
  VARIANT result;
  EXPECT_EQ(m_driver->Invoke(u"SetPropertyNumber", {8013L, 2L}, &result), S_OK);
  EXPECT_EQ(m_driver->Invoke(u"SetPropertyNumber", {8013L}, &result), DISP_E_BADPARAMCOUNT);
  printer->Release();
  unknown->Release();
}

// An outer object that aggregates the printer.
class OuterUnknown final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  IUnknown* inner = nullptr;
  ULONG refs = 1;
};

TEST_F(PrinterEndToEnd, AggregationDelegatesToTheOuterObject) {
  ConfigureNetwork();
  OuterUnknown outer;
  ASSERT_EQ(CoCreateInstance(CLSID_QVOposPrinter, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  EXPECT_EQ(m_canUnloadNow(), S_FALSE);
  IOposPrinter* printer = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IOposPrinter, reinterpret_cast<void**>(&printer)), S_OK);
  EXPECT_EQ(outer.refs, 2u);  // the reference went to the outer object
  // The inner interface answers IUnknown with the outer identity.
  IUnknown* identity = nullptr;
  ASSERT_EQ(printer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();
  // The same implementation: a call through the aggregated interface works.
  LONG rc = -1;
  EXPECT_EQ(printer->CheckHealth(2, &rc), S_OK);
  EXPECT_EQ(rc, 0);
  printer->Release();
  EXPECT_EQ(outer.refs, 1u);
  // Creating an aggregate for another interface is refused.
  void* refused = nullptr;
  EXPECT_EQ(
      CoCreateInstance(CLSID_QVOposPrinter, &outer, CLSCTX_INPROC_SERVER, IID_IDispatch, &refused),
      CLASS_E_NOAGGREGATION);
  outer.inner->Release();
  EXPECT_EQ(m_canUnloadNow(), S_OK);
}

TEST_F(PrinterEndToEnd, RegistrationWritesAndRemovesTheScriptKeys) {
  const std::u16string printerClsid = u"CLSID\\" + qvplatform::GuidToString(CLSID_QVOposPrinter);
  const std::u16string drawerClsid = u"CLSID\\" + qvplatform::GuidToString(CLSID_CCashDrawer);
  EXPECT_EQ(ReadString(u"QV.OPOS.CashDrawer\\CurVer", nullptr), u"QV.OPOS.CashDrawer.1");
  EXPECT_EQ(ReadString(u"QV.Opos.Printer\\CurVer", nullptr), u"QV.Opos.Printer.1");
  EXPECT_EQ(ReadString(u"QV.Opos.Printer.1", nullptr), u"QV OPOS Printer Class");
  EXPECT_EQ(ReadString(u"QV.Opos.Printer\\CLSID", nullptr),
            qvplatform::GuidToString(CLSID_QVOposPrinter));
  EXPECT_EQ(ReadString(printerClsid + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
  char resolved[4096];
  ASSERT_NE(realpath(QV_QVSO_PATH, resolved), nullptr);
  const std::string path(resolved);
  EXPECT_EQ(ReadString(printerClsid + u"\\InprocServer32", nullptr),
            std::u16string(path.begin(), path.end()));
  EXPECT_EQ(ReadString(printerClsid + u"\\ProgID", nullptr), u"QV.Opos.Printer.1");
  EXPECT_EQ(ReadString(printerClsid + u"\\VersionIndependentProgID", nullptr), u"QV.Opos.Printer");
  EXPECT_EQ(ReadString(drawerClsid, nullptr), u"QV OPOS CashDrawer Class");
  EXPECT_EQ(ReadString(drawerClsid + u"\\TypeLib", nullptr),
            u"{5009EFBB-A55E-4352-B360-2EE33042C321}");
  EXPECT_TRUE(KeyExists(printerClsid + u"\\Programmable"));
  EXPECT_TRUE(KeyExists(u"TypeLib\\{5009EFBB-A55E-4352-B360-2EE33042C321}\\1.0"));

  auto unregisterServer = reinterpret_cast<HRESULT (*)()>(dlsym(m_library, "DllUnregisterServer"));
  ASSERT_NE(unregisterServer, nullptr);
  ASSERT_EQ(unregisterServer(), S_OK);
  EXPECT_FALSE(KeyExists(printerClsid));
  EXPECT_FALSE(KeyExists(drawerClsid));
  EXPECT_FALSE(KeyExists(u"QV.Opos.Printer"));
  EXPECT_FALSE(KeyExists(u"QV.OPOS.CashDrawer.1"));
  EXPECT_FALSE(KeyExists(u"TypeLib\\{5009EFBB-A55E-4352-B360-2EE33042C321}"));
  EXPECT_TRUE(KeyExists(u"CLSID"));
}

TEST_F(PrinterEndToEnd, UnknownClassIsNotAvailable) {
  auto getClassObject = reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(
      dlsym(m_library, "DllGetClassObject"));
  ASSERT_NE(getClassObject, nullptr);
  void* factory = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(IID_IOposPrinter, IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE);
  IClassFactory* first = nullptr;
  IClassFactory* second = nullptr;
  ASSERT_EQ(
      getClassObject(CLSID_QVOposPrinter, IID_IClassFactory, reinterpret_cast<void**>(&first)),
      S_OK);
  ASSERT_EQ(
      getClassObject(CLSID_QVOposPrinter, IID_IClassFactory, reinterpret_cast<void**>(&second)),
      S_OK);
  EXPECT_EQ(first, second);              // one cached factory
  EXPECT_EQ(m_canUnloadNow(), S_FALSE);  // a held factory keeps the module
  first->Release();
  second->Release();
  EXPECT_EQ(m_canUnloadNow(), S_OK);
}

TEST_F(PrinterEndToEnd, PrintsOverAPseudoTerminalMappedAsComPort) {
  InProcessPrinter serial;
  const std::string port = serial.MapAsSerial("COM7");
  ASSERT_EQ(port, "COM7");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, nullptr, "QV.Opos.Printer");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "Model", "80");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "IOType", "COM");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "Serial Port", port);
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "BaudRate", "115200");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "ByteSize", "8");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "Parity", "0");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "StopBits", "0");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "FlowControl", "0");
  OpenClaimEnable();
  m_driver->CallVoid(u"PrintNormal", {2L, u"serial\n"});
  EXPECT_EQ(m_driver->ResultCode(), 0);
  const Bytes expected = Concat({kImmediatePrefix, Text("serial\n")});
  EXPECT_TRUE(qvplatform::PumpUntil(
      [&] { return Contains(WithoutStatusRequests(serial.engine().stream()), expected); }, 5000));
  EXPECT_TRUE(WaitForCallback(u"SOStatusUpdate", 12));
  EXPECT_EQ(m_driver->Call(u"ReleaseDevice"), 0);
}

TEST_F(PrinterEndToEnd, SerialPortThatIsNotPresentGives107) {
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, nullptr, "QV.Opos.Printer");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "Model", "80");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "IOType", "COM");
  SetString(HKEY_LOCAL_MACHINE, kDeviceKey, "Serial Port", "COM93");
  Create();
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(m_driver->Call(u"ClaimDevice", {0L}), 107);
  EXPECT_EQ(m_driver->GetNumber(1), 0);
}

}  // namespace
