#include "control_objects/control_object.h"

#include <dlfcn.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "control_objects/opos_device.h"
#include "control_objects/registration.h"
#include "platform/apartment/message_queue.h"
#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/runtime.h"
#include "platform/com/variant.h"
#include "platform/registry/registry.h"
#include "platform/text/codepage.h"
#include "test_support/temp_prefix.h"

namespace {

using qvcontrols::DeviceClass;
using qvopos::OposValue;

const char16_t kStandInClsid[] = u"{5E1A7C40-2B3C-4D5E-9F60-718293A4B5C6}";

void PutString(HKEY root, const std::u16string& key, const std::u16string& name,
               const std::u16string& text) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), KEY_ALL_ACCESS, handle.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(handle.get(), name.c_str(), REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
            ERROR_SUCCESS);
}

void AddLdn(const char16_t* deviceClass, const std::u16string& ldn, const std::u16string& progId) {
  PutString(HKEY_LOCAL_MACHINE,
            std::u16string(u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\") + deviceClass + u"\\" + ldn,
            u"", progId);
}

int StandInObjects() {
  void* handle = dlopen(QV_STAND_IN_SERVICE, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return 0;
  auto count = reinterpret_cast<int (*)()>(dlsym(handle, "StandInObjectCount"));
  int objects = count != nullptr ? count() : -1;
  dlclose(handle);
  return objects;
}

std::u16string OutputText(const qvopos::CallResult& result, const std::u16string& name) {
  for (const auto& [param, value] : result.outputs) {
    if (param == name && std::holds_alternative<std::u16string>(value)) {
      return std::get<std::u16string>(value);
    }
  }
  return u"<missing>";
}

int32_t OutputNumber(const qvopos::CallResult& result, const std::u16string& name) {
  for (const auto& [param, value] : result.outputs) {
    if (param == name && std::holds_alternative<int32_t>(value)) return std::get<int32_t>(value);
  }
  return -999;
}

// Records events and the thread they arrive on.
class RecordingListener : public qvopos::OposEventListener {
 public:
  void OnOposEvent(const qvopos::OposEvent& event) override {
    events.push_back(event);
    threads.insert(std::this_thread::get_id());
  }
  std::vector<qvopos::OposEvent> events;
  std::set<std::thread::id> threads;
};

// An IDispatch event sink that records (dispid, first argument).
class RecordingSink final : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetTypeInfoCount(UINT* p) override {
    *p = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    LONG first = params->cArgs > 0 ? params->rgvarg[params->cArgs - 1].lVal : -1;
    calls.emplace_back(id, first);
    return S_OK;
  }
  ULONG refs = 1;
  std::vector<std::pair<DISPID, LONG>> calls;
};

class ControlObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    std::u16string server = qvplatform::Utf8ToWide(QV_STAND_IN_SERVICE);
    PutString(HKEY_CLASSES_ROOT, std::u16string(u"CLSID\\") + kStandInClsid + u"\\InprocServer32",
              u"", server);
    PutString(HKEY_CLASSES_ROOT, u"QV.Test.Service\\CLSID", u"", kStandInClsid);
    PutString(HKEY_CLASSES_ROOT, u"CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32",
              u"", u"/nonexistent/libnothing.so");
    PutString(HKEY_CLASSES_ROOT, u"QV.Lost.Service\\CLSID", u"",
              u"{11111111-2222-3333-4444-555555555555}");
    AddLdn(u"POSPrinter", u"Front", u"QV.Test.Service");
    AddLdn(u"POSPrinter", u"Broken", u"QV.Test.Service");
    AddLdn(u"POSPrinter", u"Ghost", u"QV.No.Such.Service");
    AddLdn(u"POSPrinter", u"Lost", u"QV.Lost.Service");
    AddLdn(u"CashDrawer", u"Till", u"QV.Test.Service");
  }
  void TearDown() override { CoUninitialize(); }

  TempPrefix m_prefix;
};

TEST_F(ControlObjectTest, OpenFailuresGiveNoServiceAndTellWhyInOpenResult) {
  struct Case {
    const char16_t* ldn;
    int32_t rc;
    int32_t openResult;
  };
  const Case cases[] = {
      {u"Nobody", 104, 302},                        // no such logical device
      {u"", 104, 302},       {u"Ghost", 104, 303},  // ProgID not registered
      {u"Lost", 104, 304},                          // service object cannot be created
      {u"Broken", 403, 403},                        // OpenService itself failed
  };
  for (const Case& c : cases) {
    qvopos::PosPrinter printer;
    std::string name(c.ldn, c.ldn + std::u16string(c.ldn).size());
    EXPECT_EQ(printer.Open(c.ldn), c.rc) << name;
    EXPECT_EQ(printer.ResultCode(), c.rc) << name;
    EXPECT_EQ(printer.OpenResult(), c.openResult) << name;
    EXPECT_EQ(printer.State(), 1) << name;
    EXPECT_EQ(printer.PrintNormal(2, u"x"), 101) << name;  // still closed
  }
  EXPECT_EQ(StandInObjects(), 0);
}

TEST_F(ControlObjectTest, OpenPassesClassNameAndItsOwnDispatchAndCloseReleases) {
  {
    qvopos::PosPrinter printer;
    ASSERT_EQ(printer.Open(u"Front"), 0);
    EXPECT_EQ(printer.OpenResult(), 0);
    EXPECT_EQ(StandInObjects(), 1);
    EXPECT_EQ(printer.Open(u"Front"), 106);  // already open
    EXPECT_EQ(printer.GetString(u"ErrorString"), u"OpenService(POSPrinter,Front,dispatch)");
    EXPECT_EQ(printer.Close(), 0);
    EXPECT_EQ(StandInObjects(), 0);
    EXPECT_EQ(printer.Close(), 101);
  }
  {
    qvopos::CashDrawer drawer;
    ASSERT_EQ(drawer.Open(u"Till"), 0);
    EXPECT_EQ(drawer.GetString(u"DeviceDescription"), u"OpenService(CashDrawer,Till,dispatch)");
  }  // released without Close: closed on the way out
  EXPECT_EQ(StandInObjects(), 0);
}

TEST_F(ControlObjectTest, MethodsForwardAndReportTheResultCode) {
  qvopos::PosPrinter printer;
  ASSERT_EQ(printer.Open(u"Front"), 0);
  EXPECT_EQ(printer.ClaimDevice(1000), 0);
  // No result parameter: the code comes from the ResultCode property, and
  // stays readable as often as asked.
  EXPECT_EQ(printer.PrintNormal(1, u"bad station"), 106);
  EXPECT_EQ(printer.ResultCode(), 106);
  EXPECT_EQ(printer.ResultCode(), 106);
  EXPECT_EQ(printer.PrintNormal(2, u"Hello\n"), 0);
  // With a result parameter the extended code is read too.
  EXPECT_EQ(printer.CutPaper(90), 0);
  EXPECT_EQ(printer.ResultCodeExtended(), 201);
  EXPECT_EQ(printer.GetString(u"ErrorString"),
            u"OpenService(POSPrinter,Front,dispatch);ClaimDevice(1000);"
            u"PrintNormal(1,bad station);PrintNormal(2,Hello\n);CutPaper(90)");
  // A method the service object does not have.
  EXPECT_EQ(printer.Call(u"ClearOutput", {}).resultCode, 104);
  EXPECT_EQ(printer.Call(u"NoSuchMethod", {}).hr, DISP_E_UNKNOWNNAME);
}

TEST_F(ControlObjectTest, ByReferenceArgumentsComeBack) {
  qvopos::PosPrinter printer;
  ASSERT_EQ(printer.Open(u"Front"), 0);
  qvopos::CallResult io = printer.Call(u"DirectIO", {5, 3, std::u16string(u"ping")});
  EXPECT_EQ(io.resultCode, 0);
  EXPECT_EQ(OutputNumber(io, u"pData"), 42);
  EXPECT_EQ(OutputText(io, u"pString"), u"reply:ping");
  qvopos::CallResult stats = printer.Call(u"RetrieveStatistics", {std::u16string(u"")});
  EXPECT_EQ(stats.resultCode, 0);
  EXPECT_EQ(OutputText(stats, u"pStatisticsBuffer"), u"<stats/>");

  // Through IDispatch with a caller's by-reference variants.
  IDispatch* object = printer.Dispatch();
  LONG data = 9;
  BSTR text = SysAllocString(u"abc");
  VARIANT args[3];
  args[2].vt = VT_I4;
  args[2].lVal = 0;
  args[1].vt = VT_BYREF | VT_I4;
  args[1].plVal = &data;
  args[0].vt = VT_BYREF | VT_BSTR;
  args[0].pbstrVal = &text;
  DISPPARAMS params = {args, nullptr, 3, 0};
  qvplatform::Variant rc;
  ASSERT_EQ(object->Invoke(36, IID_NULL, 0, DISPATCH_METHOD, &params, rc.get(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(rc->lVal, 0);
  EXPECT_EQ(data, 42);
  EXPECT_EQ(std::u16string(qvplatform::BstrView(text)), u"reply:abc");
  SysFreeString(text);
}

TEST_F(ControlObjectTest, PropertiesGoThroughTheirIndexes) {
  qvopos::PosPrinter printer;
  EXPECT_EQ(printer.GetNumber(u"RecLineChars"), 0);  // closed
  EXPECT_EQ(printer.ResultCode(), 101);
  ASSERT_EQ(printer.Open(u"Front"), 0);
  EXPECT_EQ(printer.GetNumber(u"RecLineChars"), 42);
  EXPECT_EQ(printer.ResultCode(), 0);
  EXPECT_EQ(printer.Set(u"RecLineChars", 56), S_OK);
  EXPECT_EQ(printer.ResultCode(), 0);
  EXPECT_EQ(printer.GetNumber(u"RecLineChars"), 56);
  EXPECT_EQ(printer.Set(u"MapMode", 3), S_OK);  // the stand-in refuses 8013
  EXPECT_EQ(printer.ResultCode(), 106);
  EXPECT_EQ(printer.GetNumber(u"CapRecBarCode"), 0);  // unknown to the stand-in
  EXPECT_EQ(printer.ResultCode(), 106);
  EXPECT_EQ(printer.Set(u"PageModePrintArea", std::u16string(u"0,0,576,400")), S_OK);
  EXPECT_EQ(printer.ResultCode(), 0);
  EXPECT_EQ(printer.State(), 2);
  EXPECT_EQ(printer.Set(u"CoverOpen", 1), DISP_E_MEMBERNOTFOUND);  // read-only
  EXPECT_NE(printer.GetString(u"ErrorString").find(u"SetPropertyNumber(8016,56)"),
            std::u16string::npos);
  EXPECT_NE(printer.GetString(u"ErrorString").find(u"SetPropertyString(1008012,0,0,576,400)"),
            std::u16string::npos);
}

TEST_F(ControlObjectTest, FixedMembersKeepTheirDispatchIds) {
  struct Case {
    DeviceClass deviceClass;
    const char16_t* name;
    DISPID dispid;
  };
  const Case cases[] = {
      {DeviceClass::kPosPrinter, u"Open", 37},
      {DeviceClass::kPosPrinter, u"ClaimDevice", 32},
      {DeviceClass::kPosPrinter, u"ReleaseDevice", 38},
      {DeviceClass::kPosPrinter, u"Close", 35},
      {DeviceClass::kPosPrinter, u"DeviceEnabled", 17},
      {DeviceClass::kPosPrinter, u"ResultCode", 22},
      {DeviceClass::kPosPrinter, u"ResultCodeExtended", 23},
      {DeviceClass::kPosPrinter, u"CheckHealth", 31},
      {DeviceClass::kPosPrinter, u"ClearOutput", 34},
      {DeviceClass::kPosPrinter, u"DirectIO", 36},
      {DeviceClass::kPosPrinter, u"CutPaper", 162},
      {DeviceClass::kPosPrinter, u"printnormal", 168},
      {DeviceClass::kPosPrinter, u"PrintMemoryBitmap", 179},
      {DeviceClass::kPosPrinter, u"BinaryConversion", 11},
      {DeviceClass::kPosPrinter, u"CheckHealthText", 13},
      {DeviceClass::kPosPrinter, u"State", 24},
      {DeviceClass::kPosPrinter, u"AsyncMode", 50},
      {DeviceClass::kPosPrinter, u"CapCharacterSet", 51},
      {DeviceClass::kPosPrinter, u"CapRecBarCode", 67},
      {DeviceClass::kPosPrinter, u"CapRecUnderline", 82},
      {DeviceClass::kPosPrinter, u"MapMode", 116},
      {DeviceClass::kPosPrinter, u"RecLineWidth", 125},
      {DeviceClass::kPosPrinter, u"CapRecMarkFeed", 147},
      {DeviceClass::kPosPrinter, u"PageModePrintArea", 200},
      {DeviceClass::kPosPrinter, u"CapRecRuledLine", 204},
      {DeviceClass::kCashDrawer, u"OpenDrawer", 60},
      {DeviceClass::kCashDrawer, u"Open", 37},
      {DeviceClass::kCashDrawer, u"DeviceEnabled", 17},
  };
  for (const Case& c : cases) {
    qvcontrols::CControlObject* object = qvcontrols::CControlObject::Create(c.deviceClass);
    ASSERT_NE(object, nullptr);
    LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
    DISPID dispid = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
    EXPECT_EQ(dispid, c.dispid);
    object->Release();
  }
  // No two members of a class share an id.
  for (DeviceClass deviceClass : {DeviceClass::kPosPrinter, DeviceClass::kCashDrawer}) {
    std::set<DISPID> ids;
    size_t members = 0;
    for (const auto& m : qvcontrols::Methods(deviceClass)) ids.insert(m.dispid), ++members;
    for (const auto& p : qvcontrols::Properties(deviceClass)) ids.insert(p.dispid), ++members;
    EXPECT_EQ(ids.size(), members);
  }
}

TEST_F(ControlObjectTest, CallbacksFromAnotherThreadArriveAsEventsOnTheOwnerThread) {
  qvopos::PosPrinter printer;
  RecordingListener listener;
  RecordingSink sink;
  printer.AddListener(&listener);
  auto* object = static_cast<qvcontrols::CControlObject*>(printer.Dispatch());
  object->AdviseSink(&sink);
  ASSERT_EQ(printer.Open(u"Front"), 0);

  // The stand-in fires SOStatusUpdate(1) and SOOutputComplete(7) from its
  // own thread during this call.
  ASSERT_EQ(printer.Call(u"DirectIO", {1, 1, std::u16string()}).resultCode, 0);
  EXPECT_TRUE(listener.events.empty());  // nothing before the thread pumps
  ASSERT_TRUE(qvplatform::PumpUntil([&] { return listener.events.size() >= 2; }, 5000));
  EXPECT_EQ(listener.events[0].dispid, qvcontrols::kDispidStatusUpdateEvent);
  EXPECT_EQ(listener.events[0].number, 1);
  EXPECT_EQ(listener.events[1].dispid, qvcontrols::kDispidOutputCompleteEvent);
  EXPECT_EQ(listener.events[1].number, 7);
  EXPECT_EQ(listener.threads, std::set<std::thread::id>{std::this_thread::get_id()});
  EXPECT_EQ(sink.calls, (std::vector<std::pair<DISPID, LONG>>{{5, 1}, {4, 7}}));

  // Events still queued when the device closes are dropped.
  ASSERT_EQ(printer.Call(u"DirectIO", {1, 0, std::u16string()}).resultCode, 0);
  ASSERT_EQ(printer.Close(), 0);
  qvplatform::PumpUntil([] { return false; }, 50);
  EXPECT_EQ(listener.events.size(), 2u);
  object->UnadviseSink(&sink);
  EXPECT_EQ(sink.refs, 1u);
  printer.RemoveListener(&listener);
}

TEST_F(ControlObjectTest, CallbacksWithWrongArgumentsAreRefused) {
  qvcontrols::CControlObject* object = qvcontrols::CControlObject::Create(DeviceClass::kCashDrawer);
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"SOStatusUpdate")};
  DISPID dispid = 0;
  ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0x800, &dispid), S_OK);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(
      object->Invoke(dispid, IID_NULL, 0x400, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
      DISP_E_BADPARAMCOUNT);
  object->Release();
}

TEST_F(ControlObjectTest, RegisteredClassesAreCreatedThroughTheRuntime) {
  // The server library is found beside the control objects' library.
  EXPECT_EQ(std::filesystem::canonical(qvcontrols::DefaultControlServerPath()),
            std::filesystem::canonical(QV_CONTROL_SERVER));
  ASSERT_EQ(qvcontrols::RegisterControlObjects(qvcontrols::DefaultControlServerPath()), S_OK);
  CLSID clsid = GUID_NULL;
  ASSERT_EQ(CLSIDFromProgID(u"OPOS.CashDrawer", &clsid), S_OK);
  EXPECT_TRUE(clsid == qvcontrols::CLSID_OposCashDrawer);
  IDispatch* drawer = nullptr;
  ASSERT_EQ(CoCreateInstance(qvcontrols::CLSID_OposCashDrawer, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDispatch, reinterpret_cast<void**>(&drawer)),
            S_OK);
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"OpenDrawer")};
  DISPID dispid = 0;
  EXPECT_EQ(drawer->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
  EXPECT_EQ(dispid, 60);
  // Open by the fixed id, through the runtime-created object.
  VARIANT arg;
  arg.vt = VT_BSTR;
  arg.bstrVal = SysAllocString(u"Till");
  DISPPARAMS params = {&arg, nullptr, 1, 0};
  qvplatform::Variant rc;
  EXPECT_EQ(drawer->Invoke(37, IID_NULL, 0, DISPATCH_METHOD, &params, rc.get(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(rc->lVal, 0);
  SysFreeString(arg.bstrVal);
  drawer->Release();
  EXPECT_EQ(StandInObjects(), 0);

  ASSERT_EQ(qvcontrols::UnregisterControlObjects(), S_OK);
  EXPECT_EQ(CLSIDFromProgID(u"OPOS.CashDrawer", &clsid), CO_E_CLASSSTRING);
}

}  // namespace
