// End-to-end test of the cash drawer service object: libQVSO.so registered
// into a temporary prefix, the drawer created by its ProgID through
// CoCreateInstance and driven only through IDispatch, against the virtual
// printer over TCP.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"
#include "platform/com/runtime.h"
#include "platform/registry/registry.h"
#include "service_object/core/qvso_interfaces.h"
#include "service_object/core/stand_in_control_object.h"
#include "service_object/printer/dispatch_driver_test_util.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace {

void SetString(const std::string& key, const char* name, const std::string& value) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WRITE, handle.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(handle.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
}

std::string LoopbackAddress() {
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) +
         ".201";
}

TEST(CashDrawerEndToEnd, OpensTheDrawerAndReportsItThroughTheServer) {
  TempPrefix prefix;
  qvplatform::SetTimeScaleForTesting(0.01);
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  void* library = dlopen(QV_QVSO_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(library, "DllRegisterServer"));
  ASSERT_NE(registerServer, nullptr);
  ASSERT_EQ(registerServer(), S_OK);

  const std::string address = LoopbackAddress();
  qvvp::VirtualPrinter printer;
  ASSERT_EQ(printer.StartTcp(address, 9100), 0);
  const std::string printerKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Printer";
  const std::string drawerKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer\\Drawer";
  SetString("SOFTWARE\\OLEforRetail\\ServiceInfo\\QV", "LogVerbosity", "6");
  SetString(printerKey, nullptr, "QV.Opos.Printer");
  SetString(printerKey, "Model", "80");
  SetString(printerKey, "IOType", "ENet");
  SetString(printerKey, "EthIPAddr", address);
  SetString(drawerKey, nullptr, "QV.OPOS.CashDrawer");
  SetString(drawerKey, "Uses", "Printer");
  SetString(drawerKey, "ConnectPin", "5");
  SetString(drawerKey, "PulseOnTime", "200");
  SetString(drawerKey, "PulseOffTime", "100");

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"QV.OPOS.CashDrawer", &clsid), S_OK);
  ASSERT_TRUE(clsid == CLSID_CCashDrawer);
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&dispatch)),
            S_OK);
  CStandInControlObject control;
  {
    DispatchDriver drawer(dispatch);
    EXPECT_EQ(drawer.IdOf(u"OpenDrawer"), 17);
    EXPECT_EQ(drawer.IdOf(u"WaitForDrawerClose"), 18);
    ASSERT_EQ(
        drawer.Call(u"OpenService", {u"CashDrawer", u"Drawer", static_cast<IDispatch*>(&control)}),
        0);
    ASSERT_EQ(drawer.Call(u"ClaimDevice", {1000L}), 0);
    drawer.SetNumber(3, 1);
    ASSERT_EQ(drawer.ResultCode(), 0);

    auto updates = [&] {
      std::vector<LONG> values;
      for (const auto& callback : control.Callbacks()) {
        if (callback.name == u"SOStatusUpdate") values.push_back(callback.value);
      }
      return values;
    };
    ASSERT_TRUE(qvplatform::PumpUntil([&] { return updates().size() >= 1; }, 5000));
    drawer.CallVoid(u"OpenDrawer");
    EXPECT_EQ(drawer.ResultCode(), 0);
    const std::vector<uint8_t> pulse = {0x1B, 0x70, 0x31, 0xC8, 0x64};
    EXPECT_TRUE(qvplatform::PumpUntil(
        [&] {
          const std::vector<uint8_t> stream = printer.engine().stream();
          return std::search(stream.begin(), stream.end(), pulse.begin(), pulse.end()) !=
                 stream.end();
        },
        5000));
    ASSERT_TRUE(qvplatform::PumpUntil([&] { return updates().size() >= 2; }, 5000));
    EXPECT_EQ(updates(), (std::vector<LONG>{0, 1}));
    EXPECT_EQ(drawer.GetNumber(1001), 1);
    EXPECT_EQ(drawer.Call(u"CloseService"), 0);
  }
  dispatch->Release();
  printer.Stop();
  dlclose(library);
  CoUninitialize();
}

}  // namespace
