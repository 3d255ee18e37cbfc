// A stand-in service object for the control-object tests, built as an
// in-process server library. One class serves both device classes with a
// subset of their methods:
//
//   OpenService     records the call; DeviceName "Broken" gives 403
//   ClaimDevice     0;  CloseService 0;  OpenDrawer and PrintNormal (no
//                   result parameter) set ResultCode: 0 and extended 201 for
//                   station 2, 106 otherwise
//   DirectIO        command 1: fires SOStatusUpdate(*pData) and
//                   SOOutputComplete(7) from another thread (joined before
//                   returning), then *pData = 42 and *pString = "reply:" +
//                   *pString; result 0
//   RetrieveStatistics  *pStatisticsBuffer = "<stats/>", *pRC = 0
//   Get/SetProperty...  ResultCode (6) and ResultCodeExtended (7) read and
//                   clear both codes; 1008005 (ErrorString) and 1000002
//                   (DeviceDescription) return the call
//                   log; 8016 stores a number; unknown indexes give 106
//
// The call log lists each call as "Name(args)" separated by ";".
#include <atomic>
#include <string>
#include <thread>

#include "platform/com/bstr.h"
#include "platform/com/dispatch.h"
#include "platform/com/interfaces.h"

namespace {

constexpr CLSID kClsid = {
    0x5E1A7C40, 0x2B3C, 0x4D5E, {0x9F, 0x60, 0x71, 0x82, 0x93, 0xA4, 0xB5, 0xC6}};

std::atomic<int> g_objects{0};

std::u16string Decimal(LONG n) {
  std::string narrow = std::to_string(n);
  return std::u16string(narrow.begin(), narrow.end());
}

// Calls a callback of the control object by name with one VT_I4.
void Fire(IDispatch* control, const char16_t* name, LONG value) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(control->GetIDsOfNames(IID_NULL, names, 1, 0x800, &id))) return;
  VARIANT arg;
  arg.vt = VT_I4;
  arg.lVal = value;
  DISPPARAMS params = {&arg, nullptr, 1, 0};
  control->Invoke(id, IID_NULL, 0x400, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

class CStandIn final : public IDispatch {
 public:
  CStandIn() { ++g_objects; }
  ~CStandIn() { --g_objects; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetTypeInfoCount(UINT* p) override {
    return qvplatform::DispatchTable::GetTypeInfoCount(p);
  }
  HRESULT GetTypeInfo(UINT i, LCID l, ITypeInfo** p) override {
    return qvplatform::DispatchTable::GetTypeInfo(i, l, p);
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return Table().GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override {
    return Table().Invoke(this, id, riid, lcid, flags, params, result, excep, argErr);
  }

  HRESULT OpenService(BSTR deviceClass, BSTR deviceName, IDispatch* control, LONG* pRC) {
    std::u16string name(qvplatform::BstrView(deviceName));
    Log(u"OpenService(" + std::u16string(qvplatform::BstrView(deviceClass)) + u"," + name + u"," +
        (control != nullptr ? u"dispatch" : u"null") + u")");
    m_control = control;
    *pRC = name == u"Broken" ? 403 : 0;
    return S_OK;
  }
  HRESULT CloseService(LONG* pRC) {
    Log(u"CloseService()");
    *pRC = 0;
    return S_OK;
  }
  HRESULT ClaimDevice(LONG timeout, LONG* pRC) {
    Log(u"ClaimDevice(" + Decimal(timeout) + u")");
    *pRC = 0;
    return S_OK;
  }
  HRESULT PrintNormal(LONG station, BSTR data) {
    Log(u"PrintNormal(" + Decimal(station) + u"," + std::u16string(qvplatform::BstrView(data)) +
        u")");
    SetCodes(station == 2 ? 0 : 106, station == 2 ? 201 : 0);
    return S_OK;
  }
  HRESULT CutPaper(LONG percentage, LONG* pRC) {
    Log(u"CutPaper(" + Decimal(percentage) + u")");
    SetCodes(0, 201);
    *pRC = 0;
    return S_OK;
  }
  HRESULT OpenDrawer() {
    Log(u"OpenDrawer()");
    SetCodes(0, 0);
    return S_OK;
  }
  HRESULT DirectIO(LONG command, LONG* pData, BSTR* pString, LONG* pRC) {
    Log(u"DirectIO(" + Decimal(command) + u"," + Decimal(*pData) + u"," +
        std::u16string(qvplatform::BstrView(*pString)) + u")");
    if (command == 1 && m_control != nullptr) {
      IDispatch* control = m_control;
      LONG data = *pData;
      std::thread worker([control, data] {
        Fire(control, u"SOStatusUpdate", data);
        Fire(control, u"SOOutputComplete", 7);
      });
      worker.join();
    }
    *pData = 42;
    std::u16string reply = u"reply:" + std::u16string(qvplatform::BstrView(*pString));
    SysReAllocStringLen(pString, reply.data(), static_cast<UINT>(reply.size()));
    *pRC = 0;
    return S_OK;
  }
  HRESULT RetrieveStatistics(BSTR* pStatisticsBuffer, LONG* pRC) {
    Log(u"RetrieveStatistics()");
    SysReAllocString(pStatisticsBuffer, u"<stats/>");
    *pRC = 0;
    return S_OK;
  }
  HRESULT GetPropertyNumber(LONG pidx, LONG* pNumber) {
    LONG rc = m_resultCode;
    LONG rce = m_resultCodeExtended;
    SetCodes(0, 0);
    if (pidx == 6) {
      *pNumber = rc;
    } else if (pidx == 7) {
      *pNumber = rce;
    } else if (pidx == 8016) {
      *pNumber = m_lineChars;
    } else if (pidx == 3 || pidx == 9) {
      *pNumber = pidx == 9 ? 2 : 0;
    } else {
      *pNumber = 0;
      SetCodes(106, 0);
    }
    return S_OK;
  }
  HRESULT SetPropertyNumber(LONG pidx, LONG number) {
    Log(u"SetPropertyNumber(" + Decimal(pidx) + u"," + Decimal(number) + u")");
    SetCodes(0, 0);
    if (pidx == 8016) {
      m_lineChars = number;
    } else if (pidx != 3) {
      SetCodes(106, 0);
    }
    return S_OK;
  }
  HRESULT GetPropertyString(LONG pidx, BSTR* pString) {
    SetCodes(0, 0);
    std::u16string value = u"[Error]";
    if (pidx == 1008005 || pidx == 1000002) {
      value = m_log;
    } else {
      SetCodes(106, 0);
    }
    SysReAllocStringLen(pString, value.data(), static_cast<UINT>(value.size()));
    return S_OK;
  }
  HRESULT SetPropertyString(LONG pidx, BSTR text) {
    Log(u"SetPropertyString(" + Decimal(pidx) + u"," + std::u16string(qvplatform::BstrView(text)) +
        u")");
    SetCodes(pidx == 1008012 ? 0 : 106, 0);
    return S_OK;
  }

 private:
  void Log(const std::u16string& call) { m_log += (m_log.empty() ? u"" : u";") + call; }
  void SetCodes(LONG rc, LONG rce) {
    m_resultCode = rc;
    m_resultCodeExtended = rce;
  }

  static const qvplatform::DispatchTable& Table() {
    using qvplatform::DispMethod;
    using qvplatform::kDispRetval;
    constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;
    constexpr VARTYPE kTextRef = VT_BYREF | VT_BSTR;
    static const qvplatform::DispMember kMembers[] = {
        DispMethod<&CStandIn::GetPropertyNumber>(u"GetPropertyNumber", 2, {VT_I4, kLongRef},
                                                 kDispRetval),
        DispMethod<&CStandIn::SetPropertyNumber>(u"SetPropertyNumber", 3, {VT_I4, VT_I4}),
        DispMethod<&CStandIn::GetPropertyString>(u"GetPropertyString", 4, {VT_I4, kTextRef},
                                                 kDispRetval),
        DispMethod<&CStandIn::SetPropertyString>(u"SetPropertyString", 5, {VT_I4, VT_BSTR}),
        DispMethod<&CStandIn::OpenService>(u"OpenService", 6,
                                           {VT_BSTR, VT_BSTR, VT_DISPATCH, kLongRef}, kDispRetval),
        DispMethod<&CStandIn::CloseService>(u"CloseService", 7, {kLongRef}, kDispRetval),
        DispMethod<&CStandIn::ClaimDevice>(u"ClaimDevice", 8, {VT_I4, kLongRef}, kDispRetval),
        DispMethod<&CStandIn::CutPaper>(u"CutPaper", 12, {VT_I4, kLongRef}, kDispRetval),
        DispMethod<&CStandIn::PrintNormal>(u"PrintNormal", 18, {VT_I4, VT_BSTR}),
        DispMethod<&CStandIn::DirectIO>(u"DirectIO", 30, {VT_I4, kLongRef, kTextRef, kLongRef},
                                        kDispRetval),
        DispMethod<&CStandIn::RetrieveStatistics>(u"RetrieveStatistics", 33, {kTextRef, kLongRef}),
        DispMethod<&CStandIn::OpenDrawer>(u"OpenDrawer", 17 + 100, {}),
    };
    static const qvplatform::DispatchTable table(kMembers);
    return table;
  }

  std::atomic<ULONG> m_refs{1};
  IDispatch* m_control = nullptr;  // held without a reference
  LONG m_resultCode = 0;
  LONG m_resultCodeExtended = 0;
  LONG m_lineChars = 42;
  std::u16string m_log;
};

class CFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    CStandIn* object = new CStandIn;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

CFactory g_factory;

}  // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!IsEqualGUID(rclsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT DllCanUnloadNow() { return g_objects.load() == 0 ? S_OK : S_FALSE; }

// How many stand-in objects are alive (the tests check that Close releases).
extern "C" int StandInObjectCount() { return g_objects.load(); }
