// opos_event_client: a Windows program that drives QVSO.dll the way an OPOS
// control object does, through the system's COM runtime and IDispatch only
// (no header of ours), with an event sink of its own. scripts/test-windows
// runs it under Wine against qv-virtual-printer.
//
//   opos_event_client PRINTER_LDN DRAWER_LDN
//
// It prints one "PASS <check>" or "FAIL <check>: <detail>" line per check
// and exits with the number of failures. When it needs the printer's state
// changed it prints "WAIT <command>" (a command of the virtual printer, such
// as "cover open") and waits, pumping its messages, until the change shows;
// the test script sends the command. The checks:
// - the printer's status-update events: the first report, then the cover
//   opened and closed, received by our sink;
// - the cash drawer's events: the first report, then the drawer opened
//   (OpenDrawer) and closed again (the virtual printer closes it by
//   itself), with DrawerOpened already telling the same;
// - a printer opened with no sink at all (a null IDispatch) keeps working
//   through the same cover changes: its events go nowhere.
#include <ole2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

// OPOS numbers the checks use.
constexpr LONG kSuccess = 0;
constexpr LONG kPidxDeviceEnabled = 3;
constexpr LONG kPidxResultCode = 6;
constexpr LONG kPidxPtrCoverOpen = 8003;
constexpr LONG kPidxCashDrawerOpened = 1001;
constexpr LONG kPtrSueCoverOpen = 11;
constexpr LONG kPtrSueCoverOk = 12;
constexpr LONG kCashSueDrawerClosed = 0;
constexpr LONG kCashSueDrawerOpen = 1;
constexpr DWORD kEventWaitMs = 20000;

int g_failures = 0;

void Report(bool ok, const std::string& check, const std::string& detail = "") {
  if (ok) {
    std::printf("PASS %s\n", check.c_str());
  } else {
    std::printf("FAIL %s: %s\n", check.c_str(), detail.c_str());
    ++g_failures;
  }
  std::fflush(stdout);
}

// The event sink a control object hands to OpenService: it answers the five
// callback names and records the status updates it receives. The service
// object calls it from its event thread.
class EventSink final : public IDispatch {
 public:
  EventSink() : changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~EventSink() { CloseHandle(changed_); }

  // True when `status` arrives after the one the last successful wait found
  // (the first wait looks at every update), waiting up to kEventWaitMs while
  // pumping the calling thread's messages (the service object's timers run
  // there). So waits for 11 and then 12 see a 12 that came after the 11.
  bool WaitForStatus(LONG status);
  std::string Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    for (LONG s : statuses_) {
      if (!text.empty()) text.push_back(' ');
      text.append(std::to_string(s));
    }
    return text.empty() ? "none" : text;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    static const wchar_t* const kCallbacks[] = {L"SOData", L"SODirectIO", L"SOError",
                                                L"SOStatusUpdate", L"SOOutputComplete"};
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (DISPID id = 0; id < 5; ++id) {
        if (lstrcmpiW(names[i], kCallbacks[id]) == 0) ids[i] = id + 1;
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (params == nullptr || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(VariantChangeType(&value, &params->rgvarg[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
    if (id == 4) {  // SOStatusUpdate
      std::lock_guard<std::mutex> lock(mutex_);
      statuses_.push_back(value.lVal);
      SetEvent(changed_);
    }
    return S_OK;
  }

 private:
  // Finds `status` from the cursor on and moves the cursor past it.
  bool TakeStatus(LONG status) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = cursor_; i < statuses_.size(); ++i) {
      if (statuses_[i] == status) {
        cursor_ = i + 1;
        return true;
      }
    }
    return false;
  }

  HANDLE changed_;
  std::atomic<ULONG> references_{1};
  std::mutex mutex_;
  std::vector<LONG> statuses_;
  size_t cursor_ = 0;
};

// Handles the thread's messages until `done()` or `timeout_ms` passes,
// waking for messages and for `also` (when given).
template <typename Done>
bool PumpUntil(Done done, DWORD timeout_ms, HANDLE also = nullptr) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    DWORD left = static_cast<DWORD>(deadline - now);
    MsgWaitForMultipleObjects(also != nullptr ? 1 : 0, &also, FALSE, left < 50 ? left : 50,
                              QS_ALLINPUT);
  }
}

bool EventSink::WaitForStatus(LONG status) {
  return PumpUntil([&] { return TakeStatus(status); }, kEventWaitMs, changed_);
}

// A late-bound call: the method's dispid from its name, then Invoke with the
// arguments in their declared order.
class Device {
 public:
  explicit Device(IDispatch* dispatch) : dispatch_(dispatch) {}
  ~Device() {
    if (dispatch_ != nullptr) dispatch_->Release();
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  bool valid() const { return dispatch_ != nullptr; }

  // The call's result as a number (0 when the method returns nothing);
  // `*hr` receives the HRESULT of Invoke.
  LONG Call(const wchar_t* method, std::vector<VARIANT> args, HRESULT* hr = nullptr) {
    DISPID id = DISPID_UNKNOWN;
    auto* name = const_cast<LPOLESTR>(method);
    HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    VARIANT ret;
    VariantInit(&ret);
    if (SUCCEEDED(result)) {
      std::vector<VARIANT> reversed(args.rbegin(), args.rend());
      DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
      result = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &ret, nullptr,
                                 nullptr);
    }
    for (VARIANT& arg : args) VariantClear(&arg);
    if (hr != nullptr) *hr = result;
    VARIANT number;
    VariantInit(&number);
    LONG value = SUCCEEDED(VariantChangeType(&number, &ret, 0, VT_I4)) ? number.lVal : 0;
    VariantClear(&ret);
    return value;
  }

  LONG Number(LONG index) { return Call(L"GetPropertyNumber", {Long(index)}); }
  void SetNumber(LONG index, LONG value) { Call(L"SetPropertyNumber", {Long(index), Long(value)}); }

  static VARIANT Long(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
  }
  static VARIANT String(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
  }
  static VARIANT Dispatch(IDispatch* dispatch) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = dispatch;  // lent: VariantClear would release it, so AddRef
    if (dispatch != nullptr) dispatch->AddRef();
    return v;
  }

 private:
  IDispatch* dispatch_;
};

// Creates the service object registered under `prog_id`; null on failure.
IDispatch* CreateByProgId(const wchar_t* prog_id) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(prog_id, &clsid))) return nullptr;
  IDispatch* dispatch = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&dispatch)))) {
    return nullptr;
  }
  return dispatch;
}

// Opens, claims and enables; true when each step answered OPOS_SUCCESS.
bool OpenClaimEnable(Device& device, const wchar_t* device_class, const std::wstring& ldn,
                     IDispatch* sink, const std::string& label) {
  const int failures_before = g_failures;
  Report(device.valid(), label + " created by its ProgID", "CoCreateInstance failed");
  if (!device.valid()) return false;
  LONG rc = device.Call(L"OpenService", {Device::String(device_class), Device::String(ldn.c_str()),
                                         Device::Dispatch(sink)});
  Report(rc == kSuccess, label + " OpenService", "result " + std::to_string(rc));
  rc = device.Call(L"ClaimDevice", {Device::Long(1000)});
  Report(rc == kSuccess, label + " ClaimDevice", "result " + std::to_string(rc));
  device.SetNumber(kPidxDeviceEnabled, 1);
  rc = device.Number(kPidxResultCode);
  Report(rc == kSuccess, label + " DeviceEnabled", "ResultCode " + std::to_string(rc));
  return g_failures == failures_before;
}

void DisableReleaseClose(Device& device, const std::string& label) {
  device.SetNumber(kPidxDeviceEnabled, 0);
  LONG rc = device.Call(L"ReleaseDevice", {});
  Report(rc == kSuccess, label + " ReleaseDevice", "result " + std::to_string(rc));
  rc = device.Call(L"CloseService", {});
  Report(rc == kSuccess, label + " CloseService", "result " + std::to_string(rc));
}

// Reports whether `sink` receives `status` (after the last one found).
void ExpectStatus(EventSink& sink, LONG status, const std::string& check) {
  Report(sink.WaitForStatus(status), check, "received " + sink.Received());
}

// Asks the test script for a change of the virtual printer.
void Ask(const char* command) {
  std::printf("WAIT %s\n", command);
  std::fflush(stdout);
}

void PrinterEvents(const std::wstring& ldn) {
  EventSink sink;
  Device printer(CreateByProgId(L"QV.Opos.Printer"));
  if (!OpenClaimEnable(printer, L"POSPrinter", ldn, &sink, "printer")) return;
  // The first report (the connection is up): the cover is closed.
  ExpectStatus(sink, kPtrSueCoverOk, "printer first StatusUpdate cover ok (12)");
  Ask("cover open");
  ExpectStatus(sink, kPtrSueCoverOpen, "printer StatusUpdate cover open (11)");
  Ask("cover close");
  ExpectStatus(sink, kPtrSueCoverOk, "printer StatusUpdate cover ok (12)");
  DisableReleaseClose(printer, "printer");
}

void DrawerEvents(const std::wstring& ldn) {
  EventSink sink;
  Device drawer(CreateByProgId(L"QV.OPOS.CashDrawer"));
  if (!OpenClaimEnable(drawer, L"CashDrawer", ldn, &sink, "drawer")) return;
  // The first report (the connection is up): the drawer is closed.
  ExpectStatus(sink, kCashSueDrawerClosed, "drawer first StatusUpdate closed (0)");
  drawer.Call(L"OpenDrawer", {});
  LONG rc = drawer.Number(kPidxResultCode);
  Report(rc == kSuccess, "drawer OpenDrawer", "ResultCode " + std::to_string(rc));
  // The property shows the state the event reports as soon as the event has
  // arrived.
  ExpectStatus(sink, kCashSueDrawerOpen, "drawer StatusUpdate open (1)");
  LONG opened = drawer.Number(kPidxCashDrawerOpened);
  Report(opened == 1, "drawer DrawerOpened reads 1 with the open event",
         "DrawerOpened " + std::to_string(opened));
  ExpectStatus(sink, kCashSueDrawerClosed, "drawer StatusUpdate closed (0)");
  opened = drawer.Number(kPidxCashDrawerOpened);
  Report(opened == 0, "drawer DrawerOpened reads 0 with the closed event",
         "DrawerOpened " + std::to_string(opened));
  DisableReleaseClose(drawer, "drawer");
}

// With no sink the status changes still reach the object (its CoverOpen
// property follows them), and firing the events does no harm.
void NullSink(const std::wstring& ldn) {
  Device printer(CreateByProgId(L"QV.Opos.Printer"));
  if (!OpenClaimEnable(printer, L"POSPrinter", ldn, nullptr, "null-sink printer")) return;
  Ask("cover open");
  Report(PumpUntil([&] { return printer.Number(kPidxPtrCoverOpen) == 1; }, kEventWaitMs),
         "null-sink printer sees the cover open", "CoverOpen stayed 0");
  Ask("cover close");
  Report(PumpUntil([&] { return printer.Number(kPidxPtrCoverOpen) == 0; }, kEventWaitMs),
         "null-sink printer sees the cover closed", "CoverOpen stayed 1");
  DisableReleaseClose(printer, "null-sink printer");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: opos_event_client PRINTER_LDN DRAWER_LDN\n");
    return 2;
  }
  if (FAILED(CoInitialize(nullptr))) {
    Report(false, "CoInitialize", "failed");
    return 1;
  }
  PrinterEvents(argv[1]);
  DrawerEvents(argv[2]);
  NullSink(argv[1]);
  CoFreeUnusedLibraries();
  CoUninitialize();
  return g_failures;
}
