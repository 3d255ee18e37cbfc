// The control objects against the real service objects of libQVSO.so and a
// virtual printer on the network interface: devices configured with the
// tools' Save, then opened, claimed, enabled and used through the control
// objects, with the printer's and the drawer's status events arriving on
// this thread.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/toolreg/device_save.h"
#include "control_objects/opos_device.h"
#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"
#include "platform/com/runtime.h"
#include "platform/text/codepage.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace {

// A distinct loopback address per test process, on the standard port.
std::string LoopbackAddress() {
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) +
         ".77";
}

class EventLog : public qvopos::OposEventListener {
 public:
  void OnOposEvent(const qvopos::OposEvent& event) override {
    if (event.dispid == qvcontrols::kDispidStatusUpdateEvent) statuses.push_back(event.number);
  }
  bool Saw(int32_t status) const {
    return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
  }
  std::vector<int32_t> statuses;
};

bool Contains(const std::vector<uint8_t>& stream, const std::string& part) {
  return std::search(stream.begin(), stream.end(), part.begin(), part.end()) != stream.end();
}

class ControlObjectsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.05);
    m_apartment = std::make_unique<qvopos::Apartment>();
    ASSERT_TRUE(m_apartment->ok());
    m_library = dlopen(QV_QVSO_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_library, nullptr) << dlerror();
    auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(m_library, "DllRegisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);

    m_address = LoopbackAddress();
    ASSERT_EQ(m_printer.StartTcp(m_address, 9100), 0);
    qvtoolreg::PrinterSaveRequest printer;
    printer.ldn = u"Front";
    printer.interfaceType = qvtoolreg::kIoTypeENet;
    printer.ipAddress = qvplatform::Utf8ToWide(m_address);
    ASSERT_EQ(qvtoolreg::SavePrinter(printer).status, qvtoolreg::SaveStatus::kSaved);
    ASSERT_EQ(qvtoolreg::SaveDrawer({u"Till", u"Front", 2, 48, 48}).status,
              qvtoolreg::SaveStatus::kSaved);
  }

  void TearDown() override {
    m_printer.Stop();
    CoFreeUnusedLibraries();
    if (m_library != nullptr) dlclose(m_library);
    m_apartment.reset();
  }

  TempPrefix m_prefix;
  std::unique_ptr<qvopos::Apartment> m_apartment;
  qvvp::VirtualPrinter m_printer;
  std::string m_address;
  void* m_library = nullptr;
};

TEST_F(ControlObjectsEndToEnd, PrintsCutsOpensTheDrawerAndReportsStatus) {
  EventLog printerEvents;
  EventLog drawerEvents;
  {
    qvopos::PosPrinter printer;
    qvopos::CashDrawer drawer;
    printer.AddListener(&printerEvents);
    drawer.AddListener(&drawerEvents);

    ASSERT_EQ(printer.Open(u"Front"), 0);
    EXPECT_EQ(printer.GetString(u"DeviceName"), u"QV 80 Printer");
    ASSERT_EQ(printer.ClaimDevice(1000), 0);
    ASSERT_EQ(printer.SetDeviceEnabled(true), 0);
    EXPECT_TRUE(printer.DeviceEnabled());
    EXPECT_EQ(printer.GetNumber(u"RecLineChars"), 42);

    EXPECT_EQ(printer.PrintNormal(2, u"Hello from the control object\n"), 0);
    EXPECT_EQ(printer.CutPaper(100), 0);
    EXPECT_EQ(printer.PrintNormal(3, u"no such station\n"), 106);
    EXPECT_EQ(printer.ResultCode(), 106);

    ASSERT_EQ(drawer.Open(u"Till"), 0);
    ASSERT_EQ(drawer.ClaimDevice(1000), 0);
    ASSERT_EQ(drawer.SetDeviceEnabled(true), 0);
    EXPECT_EQ(drawer.OpenDrawer(), 0);
    ASSERT_TRUE(m_apartment->PumpUntil([&] { return drawerEvents.Saw(1); }, 10000))
        << "no drawer-open event";
    EXPECT_TRUE(drawer.DrawerOpened());
    m_printer.engine().SetDrawerOpen(false);
    ASSERT_TRUE(m_apartment->PumpUntil([&] { return drawerEvents.Saw(0); }, 10000))
        << "no drawer-closed event";

    m_printer.engine().SetCoverOpen(true);
    ASSERT_TRUE(m_apartment->PumpUntil([&] { return printerEvents.Saw(11); }, 10000))
        << "no cover-open event";

    EXPECT_EQ(drawer.Close(), 0);
    EXPECT_EQ(printer.Close(), 0);
  }
  std::vector<uint8_t> stream = m_printer.engine().stream();
  EXPECT_TRUE(Contains(stream, "Hello from the control object\n"));
  EXPECT_FALSE(Contains(stream, "no such station"));
  EXPECT_GE(m_printer.engine().drawer_kicks(), 1u);
  EXPECT_TRUE(Contains(stream, std::string("\x1b\x70\x30\x30\x30", 5)));  // pin 2, 48/48
}

TEST_F(ControlObjectsEndToEnd, AnUnknownLdnGivesNoService) {
  qvopos::PosPrinter printer;
  EXPECT_EQ(printer.Open(u"Nobody"), 104);
  qvopos::CashDrawer drawer;
  EXPECT_EQ(drawer.Open(u"Front"), 104);  // a printer LDN is no drawer
}

}  // namespace
